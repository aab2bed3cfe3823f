// The base price of an item: interpolation between the points of a norm
// table row, damped extrapolation beyond them, proportional pricing from a
// single point, and design cost as a percentage of the construction cost.
// Each result comes with the calculation text that the window, the input
// data and the estimate sheet show.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>

#include "core/estimate.h"
#include "core/norm_store.h"

namespace verdin {

// Input that cannot be priced: a quantity that is not a number, points
// with equal indicators, no table or row chosen. what() is the Russian
// message for the user.
class PricingError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct BasePrice {
  double Cb = 0;     // base price, thousands of roubles
  std::string Text;  // calculation text, ending in " = "
};

// Everything an item's price depends on: the one record of an item's
// inputs. The main window reads its boxes into it once, the open command
// builds one from a stored item, and both price it. Indexes count from 0.
struct ItemInput {
  PricingMode mode = PricingMode::NormTable;
  int tableEntry = -1;        // table-list entry (-1 for a share)
  int row = -1;               // row of the norm table
  std::string quantityText;   // the quantity as typed; the calculation text quotes it
  double quantity = 0;
  int category = 0;           // complexity category, 0 = "I"
  NormRow userTable;          // the points of the user-entered table (entry 0)
  int shareSource = -1;       // the item a share is taken of
  double typedCost = 0;       // the cost typed without calculation (entry 1)
  std::array<CoefficientRow, kCoefficientRows> coefficientRows{};
};

// A cell of the grid or of a coefficient box that holds nothing but blanks.
// The user-entered table of entry 0: the first KolStrPol rows of the
// grid's two columns whose two cells are both filled (a cell of blanks
// only counts as empty), packed as points in grid order. Cells that are
// not numbers or lie beyond the amount bound, or indicators that do not
// rise from point to point, are refused with a PricingError naming the
// grid row as the window numbers it.
bool IsBlankCell(const std::string& text);

NormRow PackUserTable(std::span<const std::string> txtV, std::span<const std::string> txtSt, int KolStrPol);

// RaschCb: the base price of a norm-table, user-table or construction-cost
// item and its text. nullopt when the row has no points (nothing can be
// priced and nothing is reported). Throws PricingError for input that
// cannot be priced, for a quantity beyond the amount bound, for a price
// that is not a finite number within it, and for a negative price (a steep
// extrapolation below the first point), naming table and row.
std::optional<BasePrice> RaschCb(const NormStore& store, const ItemInput& input);

// The row an item prices: the user's table for entry 0 without a row,
// else its row of its table; nullptr when there is no such row.
const NormRow* PricedRow(const NormStore& store, const ItemInput& input);
// Row r of table t; nullptr when there is no such row.
const NormRow* NormRowAt(const NormStore& store, int t, int r);

}  // namespace verdin
