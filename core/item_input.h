// The inputs of one item as one parsed record, and the pricing of an item
// from that record alone: the main window reads its boxes into an
// ItemInput once, the open command builds one from a stored item, and both
// price it here, so the window, the estimate list, the saved file and the
// reopened file never disagree about an item's figures.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/estimate.h"
#include "core/norm_store.h"
#include "core/pricing.h"

namespace verdin {

// An item priced from its inputs.
struct PricedItem {
  std::string calculation;                  // calculation text of the base price
  double basePrice = 0;                     // base price before truncation
  double cost = 0;                          // the cost as the window, the list and the sheet show it
  std::vector<AppliedCoefficient> applied;  // the ticked rows, in row order
};

// The ticked rows as applied coefficients, in row order.
std::vector<AppliedCoefficient> AppliedCoefficients(const std::array<CoefficientRow, kCoefficientRows>& rows);

// The price of an item: its base price (from the norm table, the user's
// table, the construction-cost percentage, the cost of the item it is a
// share of, or the typed cost), then for every mode but the typed cost the
// ticked coefficients applied one by one, rounding down to thousandths
// before each (ChainCoefficients), as the estimate sheet prints them. Throws PricingError with the Russian message
// for input that cannot be priced, a share whose source is not in
// `estimate`, and a base price or cost that is negative, not finite or
// beyond the amount bound.
PricedItem PriceItem(const NormStore& store, const ItemInput& input, const Estimate& estimate);

// The inputs stored in an item as a record to price. The user's table is
// packed from the stored grid texts; a cell that is not a number throws
// PricingError naming the grid row.
ItemInput StoredInput(const EstimateItem& item);

// The inputs of `input` into the stored inputs of `item` (mode, table,
// row, quantity, category, share source, typed cost, coefficient rows).
// Texts that only the window knows (titles, name, unit, grid texts) are
// the caller's.
void StoreInput(const ItemInput& input, EstimateItem& item);

// The priced figures into the derived values of `item`: calculation text,
// applied coefficients, base price, cost and the base amount the workbook
// carries.
void StorePrice(const ItemInput& input, const PricedItem& price, EstimateItem& item);

// An item that cannot be priced: base price, cost and base amount 0, no
// calculation text; its inputs stay as they are.
void PriceAtZero(EstimateItem& item);

// The reference into the price collection an item shows: "Табл. 2.1, п. 3"
// for a norm table, the table and row texts for the entry without
// calculation and for the user's own table (empty when the user typed
// none), empty for a share of an item and the construction-cost entry
// keeps the table form.
std::string ItemReference(const EstimateItem& item, const NormStore& store);

// The number part of a list entry: "2.1. Жилые здания" gives "2.1".
std::string EntryNumber(const std::string& title);

// A norm-table item whose table title is found among the first 50 tables
// of the database takes that table's entry, so that a database whose
// tables changed order still prices it from the right one. Returns false
// when the title is not found (the item keeps its stored entry).
bool FindTableByTitle(const NormStore& store, EstimateItem& item);

// Prices every share item again from the current cost of its source,
// sources first (a share of a share follows its source's new cost),
// without touching any other item. A share whose source is gone or that
// depends on itself through other shares is priced at 0; their indexes
// (counted from 0) are returned with the reason.
struct ShareProblem {
  int item = 0;
  std::string text;
};
std::vector<ShareProblem> RepriceShares(const NormStore& store, Estimate& estimate);

// A value typed into a box that takes an amount of at least 0 (its key
// filter lets no minus sign through, but a paste can): a number from 0 to
// the amount bound, with a decimal comma or point. Throws PricingError
// naming the field for an empty box, a text that is no number, a negative
// number and a number beyond the bound.
double ReadTypedAmount(std::string_view field, std::string_view text);

// Item `index` (counted from 0) as the list and the messages number it: "№ 3"
// for index 2.
std::string ItemNumberText(int index);

// The amount as the window shows and the list keeps it: truncated to
// thousandths and read back from its text, so that the stored cost and
// the shown one are the same number.
double ShownValue(double amount);

}  // namespace verdin
