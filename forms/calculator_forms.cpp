#include "forms/calculator_forms.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>

#include "core/amount_bound.h"
#include "core/index.h"
#include "core/text_forms.h"
#include "core/rounding.h"

namespace verdin {
namespace {

constexpr const char* kNothingCalculatedTitle = "Ошибка ввода!!";
constexpr const char* kNothingCalculated = "Ничего не рассчитано!!!";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// A box that holds nothing but blanks is as good as empty.
bool IsEmptyBox(std::string_view text) { return std::all_of(text.begin(), text.end(), IsBlank); }

std::string Quoted(std::string_view text) { return "«" + std::string(text) + "»"; }

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string joined;
  for (const auto& line : lines) {
    if (!joined.empty()) joined += '\r';
    joined += line;
  }
  return joined;
}

// Puts the grouped whole part of `value` into `box`; a value that is not a
// finite number within the amount bound leaves the box empty and returns
// false.
bool PutWhole(std::string& box, double value) {
  if (!WithinAmountBound(value)) {
    box.clear();
    return false;
  }
  box = GroupedForm(WholePart(value));
  return true;
}

// A typed figure of a calculator: a number within the amount bound.
std::optional<double> BoundedNumber(const std::optional<double>& value) {
  if (value && !WithinAmountBound(*value)) return std::nullopt;
  return value;
}

std::string TooLarge(const std::string& what, std::string_view text) {
  return what + " " + Quoted(text) + " — слишком большое число: допускается не больше " + AmountBoundText() +
         " по абсолютной величине.";
}

// Why a kopeck rate or percent box gives no number.
std::string BoxProblem(const char* what, const char* missing, const std::string& text) {
  if (IsEmptyBox(text)) return std::string(what) + " " + missing + ".";
  if (ParseTypedNumber(text)) return TooLarge(what, text);
  return std::string(what) + " " + Quoted(text) + " не является числом.";
}

}  // namespace

// ---- Quantity window ----------------------------------------------------

QuantityResult QuantitySum(const QuantityForm& frmV) {
  QuantityResult result;
  for (int row = 0; row < QuantityForm::kRows; ++row) {
    const int first = row * QuantityForm::kFactors;
    bool complete = true;
    for (int i = 0; i < QuantityForm::kFactors; ++i) {
      if (IsEmptyBox(frmV.txtKol[At(first + i)])) complete = false;
    }
    if (!complete) continue;

    double product = 1;
    std::string bad;
    for (int i = 0; i < QuantityForm::kFactors && bad.empty(); ++i) {
      const std::string& text = frmV.txtKol[At(first + i)];
      const std::optional<double> factor = ParseTypedNumber(text);
      if (!factor) {
        bad = "В строке " + std::to_string(row + 1) + " множитель " + Quoted(text) +
              " не является числом; строка не учтена.";
      } else if (!WithinAmountBound(*factor)) {
        bad = TooLarge("В строке " + std::to_string(row + 1) + " множитель", text) + " Строка не учтена.";
      } else {
        product *= *factor;
      }
    }
    if (bad.empty() && !WithinAmountBound(product)) {
      bad = "Произведение в строке " + std::to_string(row + 1) + " слишком велико; строка не учтена.";
    }
    if (!bad.empty()) {
      result.problems.push_back(bad);
      continue;
    }
    result.sum += product;
  }
  if (!WithinAmountBound(result.sum)) {
    result.problems.push_back("Сумма слишком велика.");
    result.sum = 0;
    result.text.clear();
    return result;
  }
  result.text = GeneralForm(result.sum);
  return result;
}

QuantityResult RecomputeQuantity(QuantityForm& frmV) {
  QuantityResult result = QuantitySum(frmV);
  frmV.txtKol[At(QuantityForm::kSumBox)] = result.text;
  return result;
}

std::string QuantityProblemText(const QuantityResult& result) { return JoinLines(result.problems); }

bool QuantityCmdKol(QuantityForm& frmV, MainForm& frm1, Messages& messages) {
  const QuantityResult result = RecomputeQuantity(frmV);
  if (!result.problems.empty()) {
    messages.Beep();
    messages.Show(kQuantityErrorTitle, QuantityProblemText(result) + "\rКоличество не передано.",
                  MessageIcon::Exclamation);
    return false;
  }
  // The main window prices no quantity of 0 or below; it is not handed over.
  if (!(result.sum > 0)) {
    messages.Beep();
    messages.Show(kQuantityErrorTitle,
                  "Количество «" + result.text + "» должно быть больше 0: проверьте множители.\r"
                  "Количество не передано.",
                  MessageIcon::Exclamation);
    return false;
  }
  frm1.txtKolic = result.text;
  return true;
}

// ---- Pay-out window -----------------------------------------------------

std::string GroupedForm(double whole) {
  if (!std::isfinite(whole)) return {};
  whole = std::trunc(whole);
  if (whole == 0) return "0";  // also -0
  char buffer[400];
  std::snprintf(buffer, sizeof buffer, "%.0f", std::fabs(whole));
  const std::string digits = buffer;
  std::string grouped = whole < 0 ? "-" : "";
  const std::size_t n = digits.size();
  for (std::size_t i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % 3 == 0) grouped += ' ';
    grouped += digits[i];
  }
  return grouped;
}

std::optional<double> ReadGrouped(std::string_view text) {
  std::string figures;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == ' ') continue;
    // A no-break space (UTF-8 C2 A0), as grouping pasted from elsewhere has.
    if (text[i] == '\xC2' && i + 1 < text.size() && text[i + 1] == '\xA0') {
      ++i;
      continue;
    }
    figures += text[i];
  }
  if (figures.empty()) return std::nullopt;
  return ParseTypedNumber(figures);
}

void OpenPayOut(PayOutForm& frmW, const MainForm& frm1) {
  std::vector<std::string> problems;
  std::string& price = frmW.txt1[At(PayOutForm::kPrice)];
  std::string& priceOther = frmW.txt2[At(PayOutForm::kPrice)];
  price.clear();
  priceOther.clear();

  if (!IsEmptyBox(frm1.txtSym)) {
    // The estimate total, thousands of roubles.
    const std::optional<double> total = ParseTypedNumber(frm1.txtSym);
    if (!total) {
      problems.push_back("Итог сметы " + Quoted(frm1.txtSym) + " не является числом.");
    } else {
      if (!PutWhole(price, *total * 1000)) problems.push_back("Цена в рублях слишком велика.");
      const std::optional<double> rate = ParseTypedNumber(frm1.txtStd);
      if (!rate) {
        problems.push_back(IsEmptyBox(frm1.txtStd) ? std::string("Курс не указан.")
                                                   : "Курс " + Quoted(frm1.txtStd) + " не является числом.");
      } else if (*rate == 0) {
        problems.push_back("Курс равен нулю.");
      } else if (!PutWhole(priceOther, *total / *rate * 1000)) {
        problems.push_back("Цена в угрюмых енотах слишком велика.");
      }
    }
  } else {
    // The current item: its cost in thousands of roubles and, already
    // worked out by the main window, in the second currency.
    const std::optional<double> cost = ParseTypedNumber(frm1.txtStP);
    if (!cost) {
      problems.push_back(IsEmptyBox(frm1.txtStP)
                             ? std::string("Ничего не рассчитано.")
                             : "Цена объекта " + Quoted(frm1.txtStP) + " не является числом.");
    } else if (!PutWhole(price, *cost * 1000)) {
      problems.push_back("Цена в рублях слишком велика.");
    }
    const std::optional<double> costOther = ParseTypedNumber(frm1.txtStPd);
    if (!costOther) {
      problems.push_back(IsEmptyBox(frm1.txtStPd)
                             ? std::string("Цена в угрюмых енотах не рассчитана.")
                             : "Цена в угрюмых енотах " + Quoted(frm1.txtStPd) + " не является числом.");
    } else if (!WithinAmountBound(*costOther)) {
      problems.push_back("Цена в угрюмых енотах слишком велика.");
    } else {
      // The pattern rounds to whole units, halves away from zero.
      priceOther = GroupedForm(RoundHalfAwayFromZero(*costOther));
    }
  }
  frmW.priceProblem = JoinLines(problems);
  RecomputePayOut(frmW);
}

void RecomputePayOut(PayOutForm& frmW) {
  std::vector<std::string> problems;
  std::string& payOut = frmW.txt1[At(PayOutForm::kPayOut)];
  std::string& payOutOther = frmW.txt2[At(PayOutForm::kPayOut)];
  payOut.clear();
  payOutOther.clear();

  const std::string& kopecksText = frmW.txt1[At(PayOutForm::kKopecks)];
  const std::string& percentText = frmW.txt1[At(PayOutForm::kPercent)];
  const std::optional<double> kopecks = BoundedNumber(ParseTypedNumber(kopecksText));
  const std::optional<double> percent = BoundedNumber(ParseTypedNumber(percentText));
  if (!kopecks) problems.push_back(BoxProblem("Число копеек с рубля", "не указано", kopecksText));
  if (!percent) problems.push_back(BoxProblem("Процент на раздел", "не указан", percentText));

  if (kopecks && percent) {
    // A price box left empty (nothing to pay out from) stays quiet here:
    // the reason, if any, is the price problem of the opening.
    const auto payFrom = [&](const std::string& priceText, std::string& box, const char* what) {
      if (IsEmptyBox(priceText)) return;
      const std::optional<double> price = ReadGrouped(priceText);
      if (!price) {
        problems.push_back(std::string(what) + " " + Quoted(priceText) + " не является числом.");
      } else if (!WithinAmountBound(*price)) {
        problems.push_back(TooLarge(what, priceText));
      } else if (!PutWhole(box, *price * *kopecks * *percent / 10000)) {
        problems.push_back(std::string(what) + " слишком велика для расчета.");
      }
    };
    payFrom(frmW.txt1[At(PayOutForm::kPrice)], payOut, "Цена в рублях");
    payFrom(frmW.txt2[At(PayOutForm::kPrice)], payOutOther, "Цена в угрюмых енотах");
  }
  frmW.payOutProblem = JoinLines(problems);
}

std::string PayOutProblemText(const PayOutForm& frmW) {
  std::vector<std::string> lines;
  if (!frmW.priceProblem.empty()) lines.push_back(frmW.priceProblem);
  if (!frmW.payOutProblem.empty()) lines.push_back(frmW.payOutProblem);
  return JoinLines(lines);
}

PayOutPercentages PayOutBoxesOf(const PayOutForm& frmW) {
  PayOutPercentages boxes;
  boxes.kopecks = frmW.txt1[At(PayOutForm::kKopecks)];
  boxes.section = frmW.txt1[At(PayOutForm::kPercent)];
  return boxes;
}

bool PayOutSwitchOn(const MainForm& frm1, Messages& messages) {
  if (!IsEmptyBox(frm1.txtSym) || !IsEmptyBox(frm1.txtStP)) return true;
  messages.Show(kNothingCalculatedTitle, kNothingCalculated, MessageIcon::Exclamation);
  return false;
}

bool ClickChkW(MainForm& frm1, PayOutForm& frmW, bool on, Messages& messages) {
  frm1.chkW = on && PayOutSwitchOn(frm1, messages);
  if (frm1.chkW) OpenPayOut(frmW, frm1);
  return frm1.chkW;
}

}  // namespace verdin
