// The base price of an item: interpolation between the points of a norm
// table row, damped extrapolation beyond them, proportional pricing from a
// single point, and design cost as a percentage of the construction cost.
// Each result comes with the calculation text that the window, the input
// data and the estimate sheet show.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>

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

struct PricingRequest {
  int NomTab = 0;        // table-list entry; 2 = percentage of the construction cost
  std::string X;         // quantity as typed; copied into the text as it stands
  int t = 0;             // table number in the store (NomTab + 1)
  int r = 0;             // row number (selected row + 1); 0 for the user table
  int category = 1;      // complexity category 1..5 for entry 2
  const NormRow* userTable = nullptr;  // the user's own table, priced for entry 0
};

// The user-entered table of entry 0: the rows of the main window's grid
// whose two cells are both filled (a cell of blanks only counts as empty), packed as points 1, 2, … in grid order.
// Cells that are not numbers or lie beyond the amount bound, or indicators
// that do not rise from point to point, are refused with a PricingError
// naming the grid row.
template <typename Grid>
NormRow PackUserTable(const Grid& txtV, const Grid& txtSt, int KolStrPol);

// RaschCb: the base price and its text. nullopt when the row has no points
// (nothing can be priced and nothing is reported). Throws PricingError for
// input that cannot be priced, for a quantity beyond the amount bound, for
// a price that is not a finite number within it, and for a negative price
// (a steep extrapolation below the first point), naming table and row.
std::optional<BasePrice> RaschCb(const NormStore& store, const PricingRequest& request);

// The row a request prices: the user's table for entry 0, else row r of
// table t; nullptr when there is no such row.
const NormRow* PricedRow(const NormStore& store, const PricingRequest& request);
// Row r of table t (both from 1); nullptr when there is no such row.
const NormRow* NormRowAt(const NormStore& store, int t, int r);

// --- implementation of the template -----------------------------------------

bool IsBlankCell(const std::string& text);
NormPoint UserTablePoint(const std::string& x, const std::string& price, int gridRow);
void CheckUserTableOrder(const NormRow& row, int gridRow);

template <typename Grid>
NormRow PackUserTable(const Grid& txtV, const Grid& txtSt, int KolStrPol) {
  NormRow row;
  for (int i = 1; i <= KolStrPol && i < static_cast<int>(txtV.size()); ++i) {
    const auto& x = txtV[static_cast<std::size_t>(i)];
    const auto& price = txtSt[static_cast<std::size_t>(i)];
    if (IsBlankCell(x) || IsBlankCell(price)) continue;
    row.points.push_back(UserTablePoint(x, price, i));
    CheckUserTableOrder(row, i);
  }
  return row;
}

}  // namespace verdin
