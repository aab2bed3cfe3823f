#include "core/estimate_figures.h"

#include <cmath>
#include <stdexcept>

#include "core/amount_bound.h"
#include "core/amount_in_words.h"
#include "core/cost_chain.h"
#include "core/text_forms.h"

namespace verdin {

namespace {

// Refuses a number that is not finite or lies beyond the amount bound.
// `where` names the item or the charge, `what` the number in it.
void RequireSound(double value, const std::string& where, const std::string& what) {
  if (WithinAmountBound(value)) return;
  throw EstimateFiguresError(where + " значение «" + what + "» больше " + AmountBoundText() +
                             " по абсолютной величине или не является числом: смета не рассчитана. "
                             "Исправьте исходные данные.");
}

// RequireSound for a value whose name is put together only when the value
// is refused, as nearly all of them pass.
template <typename Name>
void RequireSoundNamed(double value, const std::string& where, Name name) {
  if (!WithinAmountBound(value)) RequireSound(value, where, name());
}

// Every amount of the sheet is rounded down to three decimals at each step.
double r(double value) { return RoundDownToThousandths(value); }

std::string Num(double value) { return GeneralForm(value); }

// The item numbers of the sheet count the written items; a share of an
// item gets its number on its first coefficient line.
class ItemNumbers {
 public:
  std::string Next() { return StrForm(++last_); }
  int Last() const { return last_; }

 private:
  int last_ = 0;
};

std::string ItemTotalCaption(int number) { return "ИТОГО по п." + Trim(std::to_string(number)); }

// A cost typed without calculation: one line with its cost, a number cell
// as every other amount (a spreadsheet's sum must count it), any
// coefficients ignored.
ItemFigures TypedCostItem(const EstimateItem& item, ItemNumbers& numbers) {
  ItemFigures figures;
  figures.head = ItemHeadLine{numbers.Next(), item.name, std::nullopt, std::nullopt, item.cost};
  figures.cost = item.cost;
  return figures;
}

// A share of an item without coefficients: one line with its number, its
// name and its amount, so that its cost, which counts in the total, shows.
ItemFigures BareShareItem(const EstimateItem& item, ItemNumbers& numbers) {
  ItemFigures figures;
  figures.head = ItemHeadLine{numbers.Next(), item.name, std::nullopt, std::nullopt, r(item.baseAmount)};
  figures.cost = item.baseAmount;
  return figures;
}

// Where the base price comes from. The user's own table is no table of the
// collection: it names only what the user called it (or nothing).
std::string ReferenceText(const EstimateItem& item) {
  switch (item.mode) {
    case PricingMode::ConstructionCost: return "Общие и методические указания. Раздел Б. Табл. А.1 ";
    case PricingMode::UserTable: return item.reference;
    default: return "СБЦ № 20-2008 на общестр. работы. " + item.reference;
  }
}

ItemHeadLine PricedHeadLine(const EstimateItem& item, ItemNumbers& numbers) {
  const std::string reference = ReferenceText(item);
  return ItemHeadLine{numbers.Next(), item.name + ", " + item.quantityText + " " + item.unit, reference,
                      item.calculation, r(item.baseAmount)};
}

// A priced item, or a share of an item with coefficients: the base amount
// times each coefficient in turn, rounding down before every product.
ItemFigures ChainedItem(const EstimateItem& item, ItemNumbers& numbers) {
  ItemFigures figures;
  const bool share = item.mode == PricingMode::ShareOfItem;
  if (!share) figures.head = PricedHeadLine(item, numbers);
  const CostChain chain = ChainCoefficients(item.baseAmount, item.applied);
  for (std::size_t c = 0; c < item.applied.size(); ++c) {
    const AppliedCoefficient& applied = item.applied[c];
    CoefficientLine line;
    if (share && figures.coefficients.empty()) line.number = numbers.Next();
    line.coefficient = applied.symbol + "=" + Num(applied.value);
    line.basis = applied.basis;
    line.calculation = Num(chain.steps[c].amount) + " x " + Num(applied.value) + " =";
    line.amount = r(chain.steps[c].product);
    figures.coefficients.push_back(std::move(line));
  }
  if (!item.applied.empty()) figures.total = ItemTotalLine{ItemTotalCaption(numbers.Last()), r(chain.last)};
  figures.cost = chain.last;
  return figures;
}

std::string ItemPlace(int number, const EstimateItem& item) {
  return "В пункте " + std::to_string(number) + " («" + Trim(item.name) + "»)";
}

// The numbers an item holds, which the input-data file stores as well.
void RequireSoundItem(const EstimateItem& item, int number) {
  const std::string where = ItemPlace(number, item);
  RequireSound(item.quantity, where, "количество");
  RequireSound(item.typedCost, where, "стоимость без расчета");
  RequireSound(item.basePrice, where, "базовая цена");
  RequireSound(item.baseAmount, where, "базовая стоимость");
  RequireSound(item.cost, where, "стоимость");
  for (const AppliedCoefficient& applied : item.applied) {
    RequireSoundNamed(applied.value, where, [&] { return "коэффициент " + Trim(applied.symbol); });
  }
  for (std::size_t m = 0; m < item.coefficientRows.size(); ++m) {
    RequireSoundNamed(item.coefficientRows[m].value, where, [m] { return "коэффициент в строке " + std::to_string(m + 1); });
  }
}

// The amounts computed for an item.
void RequireSoundFigures(const ItemFigures& figures, const EstimateItem& item, int number) {
  const std::string where = ItemPlace(number, item);
  if (figures.head) {
    if (const double* amount = std::get_if<double>(&figures.head->amount)) RequireSound(*amount, where, "сумма");
  }
  for (const CoefficientLine& line : figures.coefficients) RequireSound(line.amount, where, line.calculation);
  if (figures.total) RequireSound(figures.total->amount, where, figures.total->caption);
  RequireSound(figures.cost, where, "стоимость");
}

ItemFigures ItemOf(const EstimateItem& item, ItemNumbers& numbers) {
  if (item.mode == PricingMode::TypedCost) return TypedCostItem(item, numbers);
  if (item.mode == PricingMode::ShareOfItem && item.applied.empty()) return BareShareItem(item, numbers);
  return ChainedItem(item, numbers);
}

EstimateTotalLine TotalOf(const std::vector<ItemFigures>& items) {
  EstimateTotalLine line;
  const int count = static_cast<int>(items.size());
  std::string formula;
  for (std::size_t i = 0; i < items.size(); ++i) {
    const double cost = r(items[i].cost);
    line.SumRazd += cost;
    formula += (i == 0 ? "" : " + ") + Num(cost);
  }
  line.number = StrForm(count + 1);
  line.caption = "Стоимость в текущих ценах по п.п. 1-" + StrForm(count);
  if (count == 1) {
    line.calculation = r(items.front().cost);
  } else if (count > 1) {
    line.calculation = formula + " = ";
  }
  return line;
}

// The charges section, row by row. The line numbers go on from the total
// line's.
class ChargeComputation {
 public:
  ChargeComputation(const GeneralData& general, double SumRazd, int lastNumber, EstimateFigures& figures)
      : charges_(general.charges), SumRazd_(SumRazd), number_(lastNumber), figures_(figures) {}

  void Run() {
    for (int k = 0; k < kChargeRows; ++k) {
      if (!Included(k)) continue;
      switch (k) {
        case charge_row::kProfitability: Profitability(); break;
        case charge_row::kDeductionBase: DeductionBase(); break;
        case charge_row::kAgriculture: Agriculture(); break;
        case charge_row::kVat: Vat(); break;
        default: ShareOfBase(k); break;
      }
    }
  }

 private:
  bool Included(int k) const { return Row(k).included; }
  const ChargeRow& Row(int k) const { return charges_.at(static_cast<std::size_t>(k)); }
  double& AmountOf(int k) { return figures_.chargeAmounts.at(static_cast<std::size_t>(k)); }

  ChargeLine& Line(int k, std::string caption, Figure calculation, std::optional<double> amount) {
    ChargeLine line{k, StrForm(++number_), std::move(caption), std::move(calculation), amount, false};
    figures_.charges.push_back(std::move(line));
    return figures_.charges.back();
  }

  void Profitability() {
    Line(charge_row::kProfitability, Row(charge_row::kProfitability).caption, ProfitabilityRate(), std::nullopt);
  }

  double ProfitabilityRate() const { return Row(charge_row::kProfitability).rate; }

  // The total less the profitability it contains.
  void DeductionBase() {
    const double T = r(SumRazd_);
    const double R1 = ProfitabilityRate();
    base_ = SumRazd_ - SumRazd_ * R1 / (R1 + 100);
    Line(charge_row::kDeductionBase, Row(charge_row::kDeductionBase).caption,
         Num(T) + "  - (" + Num(T) + " x " + Num(R1) + ") / (100 + " + Num(R1) + ")", r(base_));
  }

  // Innovation fund, construction science and the spare rows: a share of
  // the base. Only the innovation fund writes its rate with a period.
  void ShareOfBase(int k) {
    const double R = Row(k).rate;
    const std::string rate = k == charge_row::kInnovationFund ? StrForm(R) : Num(R);
    AmountOf(k) = base_ * R / 100;
    Line(k, Row(k).caption + " - " + rate, Num(r(base_)) + " x " + rate + " / 100 =", r(AmountOf(k)));
  }

  // The agriculture fund: the total and the two funds before it, grossed up.
  void Agriculture() {
    const double R = Row(charge_row::kAgriculture).rate;
    const double innovation = AmountOf(charge_row::kInnovationFund);
    const double science = AmountOf(charge_row::kConstructionScience);
    std::string sum = Num(r(SumRazd_));
    if (Included(charge_row::kInnovationFund)) sum += " + " + Num(r(innovation));
    if (Included(charge_row::kConstructionScience)) sum += " + " + Num(r(science));
    if (Included(charge_row::kInnovationFund) || Included(charge_row::kConstructionScience)) sum = "(" + sum + ")";
    AmountOf(charge_row::kAgriculture) = (SumRazd_ + innovation + science) * R / (100 - R);
    Line(charge_row::kAgriculture, Row(charge_row::kAgriculture).caption + " - " + Num(R),
         sum + " x " + Num(R) + " / (100 - " + Num(R) + ") =", r(AmountOf(charge_row::kAgriculture)));
  }

  // The cost without VAT (the total and every included fund, each rounded
  // down), the VAT and the total cost.
  void Vat() {
    double W = SumRazd_;
    std::string formula = Num(r(SumRazd_));
    for (int k = charge_row::kInnovationFund; k <= charge_row::kSpare2; ++k) {
      if (!Included(k)) continue;
      W += r(AmountOf(k));
      formula += " + " + Num(r(AmountOf(k)));
    }
    Line(charge_row::kVat, "Стоимость проектных работ без НДС", formula + "=", W).emphasised = true;
    const double R8 = Row(charge_row::kVat).rate;
    figures_.costWithoutVat = W;
    figures_.SumNds = W * R8 / 100;
    Line(charge_row::kVat, "НДС, " + Num(R8) + " %", Num(r(W)) + " x " + Num(R8) + " / 100 =", r(figures_.SumNds));
    figures_.SumAll = W + r(figures_.SumNds);
    Line(charge_row::kVat, "Общая стоимость проектных работ", Num(r(W)) + " + " + Num(r(figures_.SumNds)) + " =",
         figures_.SumAll)
        .emphasised = true;
  }

  const std::array<ChargeRow, kChargeRows>& charges_;
  const double SumRazd_;
  int number_;
  double base_ = 0;  // Bz: the base of the fund shares; 0 when its row is off
  EstimateFigures& figures_;
};

std::string ChargePlace(const std::string& caption) { return "В строке отчислений «" + Trim(caption) + "»"; }

// The rates of the charge rows, which the input-data file stores as well.
void RequireSoundRates(const GeneralData& general) {
  for (const ChargeRow& charge : general.charges) RequireSound(charge.rate, ChargePlace(charge.caption), "ставка");
}

double PayOutPercentage(const std::string& text) {
  const auto value = ParseTypedNumber(text);
  if (!value) {
    throw EstimateFiguresError("Процент в окне расчета выплаты «" + text + "» не является числом.");
  }
  RequireSound(*value, "В окне расчета выплаты", text);
  return *value;
}

std::vector<PayOutLine> PayOutLines(double SumRazd, const PayOutPercentages& percentages) {
  const double kopecks = PayOutPercentage(percentages.kopecks);
  const double section = PayOutPercentage(percentages.section);
  const double V1 = SumRazd * section / 100;
  return {
      PayOutLine{"Стоимость раздела ", Num(section / 100) + " x " + Num(r(SumRazd)), r(V1)},
      PayOutLine{"Зарплата ", Num(kopecks / 100) + " x " + Num(r(V1)), r(V1 * kopecks / 100)},
  };
}

// Whole roubles of an amount in thousands. The amounts are sums of whole
// thousandths, which binary arithmetic may leave a hair below the exact
// value; the words must name the same roubles the sheet shows.
double WholeRoubles(double thousands) { return std::floor(thousands * 1000 + 1e-6); }

std::string WordsLine(const EstimateFigures& figures, bool withoutCharges) {
  std::string words;
  if (!withoutCharges) {
    words = AmountInWords(WholeRoubles(figures.SumAll)) + ", в том числе НДС  - " +
            AmountInWords(WholeRoubles(figures.SumNds));
  }
  return "Всего по смете: " + words;
}

std::vector<SignatureLine> SignatureLines(const GeneralData& general) {
  std::vector<SignatureLine> lines;
  for (const Signatory& signatory : general.signatories) {
    if (signatory.on) lines.push_back(SignatureLine{signatory.post, signatory.name});
  }
  return lines;
}

// The object name: trimmed, its lines joined without a blank, each part trimmed.
std::string JoinedObjectName(const std::string& text) {
  std::string joined = Trim(text);
  for (const char lineEnd : {'\n', '\r'}) {
    for (std::size_t p; (p = joined.find(lineEnd)) != std::string::npos;) {
      joined = Trim(joined.substr(0, p)) + Trim(joined.substr(p + 1));
    }
  }
  return joined;
}

}  // namespace

EstimateFigures ComputeEstimateFigures(const Estimate& estimate, const GeneralData& general, bool withoutCharges,
                                       const PayOutPercentages& payOut) {
  EstimateFigures figures;
  ItemNumbers numbers;
  for (std::size_t i = 0; i < estimate.items.size(); ++i) {
    const EstimateItem& item = estimate.items[i];
    const int number = static_cast<int>(i) + 1;
    RequireSoundItem(item, number);
    figures.items.push_back(ItemOf(item, numbers));
    RequireSoundFigures(figures.items.back(), item, number);
  }
  figures.total = TotalOf(figures.items);
  RequireSound(figures.total.SumRazd, "В итоге сметы", figures.total.caption);
  if (withoutCharges) {
    figures.payOut = PayOutLines(figures.total.SumRazd, payOut);
    for (const PayOutLine& line : figures.payOut) RequireSound(line.amount, "В расчете выплаты", Trim(line.caption));
  } else {
    RequireSoundRates(general);
    ChargeComputation(general, figures.total.SumRazd, estimate.Count() + 1, figures).Run();
    for (const ChargeLine& line : figures.charges) {
      if (line.amount) RequireSound(*line.amount, ChargePlace(line.caption), "сумма");
    }
  }
  figures.wordsLine = WordsLine(figures, withoutCharges);
  figures.signatures = SignatureLines(general);
  return figures;
}

HeaderTexts CleanHeaderTexts(const std::string& contractNumber, const std::string& contractDate,
                             const std::array<std::string, 3>& headerTexts) {
  return HeaderTexts{Trim(contractNumber), Trim(contractDate), JoinedObjectName(headerTexts[0]),
                     Trim(headerTexts[1]), Trim(headerTexts[2])};
}

}  // namespace verdin
