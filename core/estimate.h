// The estimate as records with named fields: its items, each with the
// inputs it was priced from and the values derived from them, and the
// general data of the estimate (contract, header texts, charges,
// signatories).
#pragma once

#include <array>
#include <string>
#include <vector>

#include "core/limits.h"

namespace verdin {

// How an item's base price is obtained. The table list of the main window
// holds the three special entries first (user-entered table, typed cost,
// percentage of the construction cost), then the norm tables; a share of
// another item has no table entry at all.
enum class PricingMode {
  UserTable,         // entry 0: points typed into the grid
  TypedCost,         // entry 1: a cost typed without calculation
  ConstructionCost,  // entry 2: percentage of the construction and assembly cost
  NormTable,         // entries 3 and up: a table of the norm database
  ShareOfItem,       // a share of the cost of an earlier item of the estimate
};

// The table-list entry of a pricing mode (the list index the windows and
// the input-data file use): 0, 1, 2, the norm table's own index, or -1.
int TableListEntry(PricingMode mode, int normTableEntry);
// The pricing mode of a table-list entry.
PricingMode ModeOfTableListEntry(int entry);

// A whole number from a stored number: truncated towards zero, NaN as 0,
// values beyond int's range held at its ends (never undefined behaviour).
int ToWholeNumber(double value);

// One row of the coefficient window as it stood when the item was added.
struct CoefficientRow {
  bool ticked = false;
  int industryIndex = 0;  // selected entry of the industry-coefficient list
  double value = 0;       // the value as a number (0 when empty)
  std::string name;
  std::string symbol;     // e.g. "К(т.р.)"
  std::string basis;      // reference into the price collection

  bool operator==(const CoefficientRow&) const = default;
};

// A coefficient applied to the item's base price, in the order applied.
struct AppliedCoefficient {
  std::string symbol;
  double value = 0;
  std::string basis;

  bool operator==(const AppliedCoefficient&) const = default;
};

// One row of the point grid: the indicator X and the price, as typed.
struct GridPoint {
  std::string x;
  std::string price;

  bool operator==(const GridPoint&) const = default;
};

struct EstimateItem {
  // ---- Inputs: what the windows held when the item was added ----------
  PricingMode mode = PricingMode::NormTable;
  int table = 0;                 // table-list entry of a norm table (mode NormTable)
  std::string tableTitle;        // its title, to find it again in a changed database
  int row = 0;                   // row (пункт) list index; -1 none
  std::string rowTitle;
  std::string quantityText;      // quantity X as typed
  double quantity = 0;           // the same as a number (0 when empty)
  bool housing = false;          // the coefficient window's option "Жилье"
  int shareSource = -1;          // the item the share is taken of, counted from 0; -1 none
  double typedCost = 0;          // cost typed without calculation (mode TypedCost)
  int category = 0;              // complexity category list index, 0 = "I"
  std::string name;              // name of the object or work
  std::string unit;              // natural indicator
  std::array<GridPoint, kGridRows> grid{};            // grid rows 1..23
  std::array<CoefficientRow, kCoefficientRows> coefficientRows{};

  // ---- Derived: the priced item -----------------------------------------
  std::string reference;         // "Табл. 2.1, п. 3"
  std::string calculation;       // calculation text of the base price
  std::vector<AppliedCoefficient> applied;
  double basePrice = 0;          // base price as shown
  double cost = 0;               // cost with coefficients
  double baseAmount = 0;         // base amount carried to the workbook

  bool operator==(const EstimateItem&) const = default;

  int TableListEntry() const { return verdin::TableListEntry(mode, table); }
  // Sets the mode and the norm table from a table-list entry.
  void SetTableListEntry(int entry) {
    mode = ModeOfTableListEntry(entry);
    table = mode == PricingMode::NormTable ? entry : 0;
  }
};

// One charge row of the general data.
struct ChargeRow {
  bool included = false;
  double rate = 0;               // percentage
  std::string caption;

  bool operator==(const ChargeRow&) const = default;
};

// One signatory row of the general data.
struct Signatory {
  bool on = false;
  std::string post;
  std::string name;

  bool operator==(const Signatory&) const = default;
};

// The five texts of the estimate's header, cleaned for the workbook.
struct HeaderTexts {
  std::string contractNumber;
  std::string contractDate;
  std::string objectName;
  std::string designOrganisation;
  std::string customerOrganisation;

  bool operator==(const HeaderTexts&) const = default;
};

// The charge rows by role, as indexes into GeneralData::charges.
namespace charge_row {
inline constexpr int kProfitability = 0;        // printed; its rate enters the base
inline constexpr int kDeductionBase = 1;        // computed: total less the profitability
inline constexpr int kInnovationFund = 2;       // base x rate / 100
inline constexpr int kConstructionScience = 3;  // base x rate / 100
inline constexpr int kAgriculture = 4;          // (total + the two above) x rate / (100 - rate)
inline constexpr int kSpare1 = 5;               // base x rate / 100
inline constexpr int kSpare2 = 6;               // base x rate / 100
inline constexpr int kVat = 7;                  // cost without VAT x rate / 100
}  // namespace charge_row

// The general data of an estimate as the workbook prints them and the
// input-data file keeps them.
struct GeneralData {
  HeaderTexts header;
  std::array<ChargeRow, kChargeRows> charges{};
  std::array<Signatory, kSignatoryRows> signatories{};

  bool operator==(const GeneralData&) const = default;
};

// An estimate: its items in list order (at most kMaxItems; the list shows
// items[i] as number i + 1) and the summary line of its input-data file.
struct Estimate {
  std::vector<EstimateItem> items;
  std::string summary;

  bool operator==(const Estimate&) const = default;

  int Count() const { return static_cast<int>(items.size()); }
};

// The share items priced from item `source` (indexes counted from 0), in
// list order.
std::vector<int> SharesOf(const Estimate& estimate, int source);

// Swaps items `first` and `second` (counted from 0) whole; every share
// keeps its source, so the sources' positions it holds are swapped too.
void SwapItems(Estimate& estimate, int first, int second);

// Removes item `index` (counted from 0); the items below move up and the
// shares keep their sources. A share of the removed item is left without a
// source (-1).
void RemoveItem(Estimate& estimate, int index);

// Inserts `item` at `index` (counted from 0, at most Count()); the items
// from there move down and every share keeps its source, its own stored
// source included.
void InsertItem(Estimate& estimate, int index, EstimateItem item);

}  // namespace verdin
