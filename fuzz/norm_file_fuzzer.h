// The four norm-file targets share this: the demo database is loaded once;
// each input replaces one of its files, and when the reader accepts it the
// loaded part is put to use the way the program uses it.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/cost_chain.h"
#include "core/item_input.h"
#include "core/messages.h"
#include "core/norm_loader.h"
#include "core/pricing.h"
#include "core/text_forms.h"
#include "forms/coefficient_form.h"
#include "fuzz_support.h"

namespace verdin::fuzz {

inline const NormStore& DemoNorms() {
  static const NormStore store = [] {
    NormStore loaded;
    ZagrBaz(DemoData(), loaded);
    return loaded;
  }();
  return store;
}

// Prices, ignoring the refusals the user would see as messages.
inline void TryPrice(const NormStore& store, PricingMode mode, int table, int row, const std::string& X,
                     int category = 0) {
  ItemInput input;
  input.mode = mode;
  input.tableEntry = table;
  input.row = row;
  input.quantityText = X;
  input.category = category;
  try {
    const auto price = RaschCb(store, input);
    if (price) (void)GeneralForm(TruncateToThousandths(price->Cb));
  } catch (const PricingError&) {
  }
}

// Quantities around the points of a row: on them, between, below, above.
inline std::vector<std::string> QuantitiesFor(const std::vector<double>& xs) {
  std::vector<std::string> quantities = {"0", "1", "-1"};
  for (std::size_t i = 0; i < xs.size() && i < 4; ++i) quantities.push_back(GeneralForm(xs[i]));
  if (!xs.empty()) {
    quantities.push_back(GeneralForm(xs.front() / 2));
    quantities.push_back(GeneralForm(xs.back() * 3));
    if (xs.size() > 1) quantities.push_back(GeneralForm((xs[0] + xs[1]) / 2));
  }
  return quantities;
}

inline void UseStore(const NormStore& store) {
  // Every norm table (entry 3 and up), a bounded number of rows each.
  for (int t = kSpecialEntries + 1; t < std::min(store.TableCount(), 64); ++t) {
    (void)store.Note(t);
    const auto& rows = store.Table(t).rows;
    for (int r = 0; r < std::min(static_cast<int>(rows.size()), 32); ++r) {
      std::vector<double> xs;
      for (const auto& point : rows[static_cast<std::size_t>(r)].points) xs.push_back(point.x);
      for (const auto& X : QuantitiesFor(xs)) TryPrice(store, PricingMode::NormTable, t, r, X);
    }
  }
  // Percentage of the construction cost, every category.
  std::vector<double> bounds;
  for (int i = 0; i < std::min(store.SmrLineCount(), 16); ++i) bounds.push_back(store.SmrD(i, 0));
  for (const auto& X : QuantitiesFor(bounds)) {
    for (int category = 0; category < kCategoryCount; ++category) {
      TryPrice(store, PricingMode::ConstructionCost, kSpecialEntries, -1, X, category);
    }
  }
  // The notes and the coefficient window with its industry list.
  for (int t = 0; t <= store.TableCount(); ++t) (void)store.Note(t);
  RecordingMessages messages;
  CoefficientForm form = LoadCoefficientForm(DemoData() / kCoefficientFileName, store, messages);
  for (int k = 0; k < std::min(store.KolKotr(), 64); ++k) SelectKotr(form, store, k, false);
  try {
    (void)ChainedCost(1000, AppliedCoefficients(CoefficientRowsOf(form)));
  } catch (const PricingError&) {
    // a row holding no number is refused, as the window refuses it
  }
}

template <typename Loader>
void LoadAndUse(const std::uint8_t* data, std::size_t size, const char* fileName, Loader load) {
  NormStore store = DemoNorms();
  const auto file = WriteInput(fileName, data, size);
  try {
    load(file, store);
  } catch (const NormDataError&) {
    return;
  }
  UseStore(store);
}

}  // namespace verdin::fuzz
