#include "forms/construction_cost_form.h"

#include <cmath>
#include <optional>

#include "core/amount_bound.h"
#include "core/text_forms.h"
#include "forms/main_commands.h"
#include "forms/main_form.h"

namespace verdin {

namespace {

constexpr int kCostField = 0;
constexpr int kFirstCategory = 1;
constexpr int kLastCategory = 5;
constexpr int kUserTableEntry = 0;  // table-list entry of the user-entered table

// The inputs of one calculation once they have been checked.
struct CostInput {
  double cost = 0;       // construction cost, million roubles
  std::string costText;  // how the cost is written in the texts
  int category = 0;      // complexity category 1..5 as typed: the field of the percentage table
};

// The bracket of the percentage table that holds the cost: line k and the
// line after it.
struct Bracket {
  int line = 0;  // k, counted from 0
  double x1 = 0;
  double x2 = 0;
  double p1 = 0;
  double p2 = 0;
};

void ReportInputError(Messages& messages, const std::string& text) {
  messages.Beep();
  messages.Show(kInputErrorTitle, text, MessageIcon::Exclamation);
}

std::optional<double> ReadCost(const std::string& text, Messages& messages) {
  if (Trim(text).empty()) {
    ReportInputError(messages, "Не задана стоимость СМР, млн. руб.");
    return std::nullopt;
  }
  const std::optional<double> cost = ParseTypedNumber(text);
  if (!cost) {
    ReportInputError(messages, "Стоимость СМР «" + Trim(text) + "» не является числом.");
    return std::nullopt;
  }
  if (!WithinAmountBound(*cost)) {
    ReportInputError(messages, BeyondBoundMessage("Стоимость СМР, млн. руб.", text));
    return std::nullopt;
  }
  if (!(*cost > 0)) {
    ReportInputError(messages, "Стоимость СМР «" + Trim(text) + "» должна быть больше 0.");
    return std::nullopt;
  }
  return cost;
}

// The category must be a whole number from 1 to 5: it selects a column of
// the table, and a fraction or another number would pick a wrong one.
std::optional<int> ReadCategory(const std::string& text, Messages& messages) {
  const std::optional<double> value = ParseTypedNumber(text);
  if (value && *value >= kFirstCategory && *value <= kLastCategory && std::floor(*value) == *value) {
    return static_cast<int>(*value);
  }
  ReportInputError(messages, "Категория сложности должна быть целым числом от 1 до 5.");
  return std::nullopt;
}

// Reads and checks the cost, the category and the table; reports the first
// fault found. A cost outside the table is priced at the nearer bound, and
// then the texts show that bound instead of the typed value.
std::optional<CostInput> ReadInput(const ConstructionCostForm& form, const NormStore& norms,
                                   Messages& messages) {
  const std::optional<double> cost = ReadCost(form.txt1, messages);
  if (!cost) return std::nullopt;
  const std::optional<int> category = ReadCategory(form.txt2, messages);
  if (!category) return std::nullopt;
  const int lines = norms.SmrLineCount();
  if (lines < 2) {
    ReportInputError(messages,
                     "В таблице процентов от стоимости СМР меньше двух строк: расчет невозможен.");
    return std::nullopt;
  }
  CostInput input{*cost, form.txt1, *category};
  const double first = norms.SmrD(0, kCostField);
  const double last = norms.SmrD(lines - 1, kCostField);
  if (input.cost <= first) {
    input.cost = first;
    input.costText = GeneralForm(first);
  } else if (input.cost > last) {
    input.cost = last;
    input.costText = GeneralForm(last);
  }
  return input;
}

// The first line k with X(k) <= S < X(k+1); the last interval when S is the
// last bound. Equal bounds in the chosen bracket would divide by zero and
// are reported; so is a table whose bounds hold no such line at all.
std::optional<Bracket> FindBracket(const NormStore& norms, const CostInput& input,
                                   Messages& messages) {
  const int lines = norms.SmrLineCount();
  const int lastLine = lines - 1;
  int line = -1;
  if (input.cost == norms.SmrD(lastLine, kCostField)) {
    line = lastLine - 1;
  } else {
    for (int k = 0; k < lastLine && line < 0; ++k) {
      if (norms.SmrD(k, kCostField) <= input.cost && input.cost < norms.SmrD(k + 1, kCostField)) {
        line = k;
      }
    }
  }
  if (line < 0) {
    ReportInputError(messages,
                     "В таблице процентов от стоимости СМР нет строки для стоимости " +
                         input.costText + " млн. руб.: проверьте порядок строк таблицы.");
    return std::nullopt;
  }
  const Bracket bracket{line, norms.SmrD(line, kCostField), norms.SmrD(line + 1, kCostField),
                        norms.SmrD(line, input.category), norms.SmrD(line + 1, input.category)};
  if (bracket.x1 == bracket.x2) {
    ReportInputError(messages, "В таблице процентов от стоимости СМР две строки с одинаковой "
                               "стоимостью " + GeneralForm(bracket.x1) + " млн. руб. (строки " +
                                   std::to_string(line + 1) + " и " + std::to_string(line + 2) +
                                   "): расчет невозможен.");
    return std::nullopt;
  }
  return bracket;
}

double Percentage(const Bracket& b, double cost) {
  return b.p1 + (b.p2 - b.p1) * (cost - b.x1) / (b.x2 - b.x1);
}

std::string PercentageText(const Bracket& b, const CostInput& input, double percentage) {
  return GeneralForm(b.p1) + " + (( " + input.costText + " - " + GeneralForm(b.x1) + " ) * ( " +
         GeneralForm(b.p2) + "  - " + GeneralForm(b.p1) + " )) / ( " + GeneralForm(b.x2) +
         " - " + GeneralForm(b.x1) + " ) = " + FixedThreeForm(percentage);
}

std::string CostText(const CostInput& input, double percentage, double designCost) {
  return FixedThreeForm(percentage) + " x 1000 x " + input.costText + " /100 = " +
         FixedThreeForm(designCost);
}

}  // namespace

bool ConstructionCostCmdOk(ConstructionCostForm& form, const NormStore& norms, Messages& messages) {
  const std::optional<CostInput> input = ReadInput(form, norms, messages);
  if (!input) return false;
  const std::optional<Bracket> bracket = FindBracket(norms, *input, messages);
  if (!bracket) return false;

  const double percentage = Percentage(*bracket, input->cost);
  // Million roubles x 1000 x percentage / 100 = thousands of roubles.
  const double designCost = input->cost * percentage * 10;
  // A percentage table with huge figures could still give a cost that is
  // no sound number; it is refused rather than handed to the main window.
  if (!WithinAmountBound(percentage) || !WithinAmountBound(designCost)) {
    ReportInputError(messages, "Стоимость проектных работ получилась больше " + AmountBoundText() +
                                   " по абсолютной величине или не числом: проверьте таблицу "
                                   "процентов от стоимости СМР.");
    return false;
  }

  form.txtPr = PercentageText(*bracket, *input, percentage);
  form.lblPr = form.txtPr;
  form.txtS = CostText(*input, percentage, designCost);
  form.lblS = form.txtS;
  form.StProekt = designCost;
  return true;
}

void ConstructionCostCmdGl(const ConstructionCostForm& form, MainContext& ctx) {
  if (ctx.frm1.chkProcent) ClickChkProcent(ctx, false);
  SelectTable(ctx, kUserTableEntry);
  ConstructionCostCmdGl(form, ctx.frm1);
}

void ConstructionCostCmdGl(const ConstructionCostForm& form, MainForm& main) {
  // Points of an earlier user table would be priced together with the
  // handed cost.
  EmptyGrid(main);
  main.txtNp = "Объект";
  main.txtKolic = "1";
  main.GridX()[0] = "1";
  main.GridPrice()[0] = GeneralForm(form.StProekt);
}

}  // namespace verdin
