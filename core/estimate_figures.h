// Every amount and text of the estimate sheet, computed from the estimate
// and its general data: the item blocks with rounding down at every step,
// the total of the items, the charges and VAT (or the two pay-out lines),
// the total in words and the signatures. The sheet only lays them out.
#pragma once

#include <array>
#include <optional>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include "core/estimate.h"
#include "core/limits.h"

namespace verdin {

// The figures cannot be computed from the estimate: one of its numbers
// (quantity, price, cost, coefficient, charge rate) or an amount computed
// from them is not a finite number within kMaxAmount, or a pay-out
// percentage is not such a number. what() is the Russian message naming
// the item or the charge.
class EstimateFiguresError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

// A value as a cell of the sheet receives it: a text or a number.
using Figure = std::variant<std::string, double>;

// The two percentage boxes of the pay-out window, as typed: kopecks per
// rouble and the share of the section.
struct PayOutPercentages {
  std::string kopecks = "70";
  std::string section = "15";
};

// The line that names an item: its number, its title, for a priced item
// the price-collection reference and the calculation text, and its amount.
struct ItemHeadLine {
  std::string number;                      // " 1"
  std::string title;                       // name, or "name, quantity unit"
  std::optional<std::string> reference;    // priced items only
  std::optional<std::string> calculation;  // priced items only
  Figure amount;                           // base amount rounded down; a typed cost as kept
};

// One applied coefficient: "Q x value =" with Q the amount so far rounded down.
struct CoefficientLine {
  std::optional<std::string> number;  // the item number, on the first line of a share only
  std::string coefficient;            // "К1=1,15"
  std::string basis;
  std::string calculation;            // "12,345 x 1,15 ="
  double amount = 0;                  // the product rounded down
};

// "ИТОГО по п.N" and the item's amount rounded down.
struct ItemTotalLine {
  std::string caption;
  double amount = 0;
};

// The rows of one item. A share of an item with coefficients has no head
// line (its number stands on its first coefficient line); every item with
// coefficients, a typed cost aside, ends with its total line.
struct ItemFigures {
  std::optional<ItemHeadLine> head;
  std::vector<CoefficientLine> coefficients;
  std::optional<ItemTotalLine> total;
  double cost = 0;  // the item's cost as the sheet computes it, not rounded
};

// "Стоимость в текущих ценах по п.п. 1-N": the items' rounded costs and
// their sum.
struct EstimateTotalLine {
  std::string number;
  std::string caption;
  // Several items: "a + b = " as text; one item: its rounded cost as a
  // number; no item: nothing.
  std::optional<Figure> calculation;
  double SumRazd = 0;
};

// One line of the charges section. The VAT row gives three lines: the
// cost without VAT, the VAT and the total cost.
struct ChargeLine {
  int chargeRow = 0;            // index into GeneralData::charges
  std::string number;
  std::string caption;
  Figure calculation;           // a formula text; the profitability rate as a number
  std::optional<double> amount; // none for the profitability line
  bool emphasised = false;      // the cost without VAT and the total cost
};

// One line of the pay-out variant.
struct PayOutLine {
  std::string caption;
  std::string calculation;
  double amount = 0;
};

struct SignatureLine {
  std::string post;
  std::string name;
};

struct EstimateFigures {
  std::vector<ItemFigures> items;  // in estimate order
  EstimateTotalLine total;
  std::vector<ChargeLine> charges;  // empty in the pay-out variant
  std::vector<PayOutLine> payOut;   // the two lines of the pay-out variant, else empty
  // Amounts of the share rows (innovation fund to the spare rows) that
  // were included, not rounded; 0 for every other row.
  std::array<double, kChargeRows> chargeAmounts{};
  double costWithoutVat = 0;  // W
  double SumNds = 0;          // VAT (0 in the pay-out variant)
  double SumAll = 0;          // total cost with VAT (0 in the pay-out variant)
  std::string wordsLine;      // "Всего по смете: ..." with the total and the VAT in words
  std::vector<SignatureLine> signatures;
};

// Computes the figures. withoutCharges selects the pay-out variant, whose
// percentages must be numbers within the amount bound. Every number the
// estimate holds and every amount computed is checked: one that is not a
// finite number within kMaxAmount throws EstimateFiguresError, so that no
// such figure is ever shown or written. Writes nothing: the item costs are
// returned in items[i].cost.
EstimateFigures ComputeEstimateFigures(const Estimate& estimate, const GeneralData& general, bool withoutCharges,
                                       const PayOutPercentages& payOut);

// The header texts as the sheet prints them: each trimmed, the object name's
// lines joined without a blank.
HeaderTexts CleanHeaderTexts(const std::string& contractNumber, const std::string& contractDate,
                             const std::array<std::string, 3>& headerTexts);

}  // namespace verdin
