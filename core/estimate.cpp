#include "core/estimate.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace verdin {

namespace {
constexpr int kUserTableEntry = 0;
constexpr int kTypedCostEntry = 1;
constexpr int kConstructionCostEntry = 2;
constexpr int kShareEntry = -1;
}  // namespace

int TableListEntry(PricingMode mode, int normTableEntry) {
  switch (mode) {
    case PricingMode::UserTable: return kUserTableEntry;
    case PricingMode::TypedCost: return kTypedCostEntry;
    case PricingMode::ConstructionCost: return kConstructionCostEntry;
    case PricingMode::ShareOfItem: return kShareEntry;
    case PricingMode::NormTable: break;
  }
  return normTableEntry;
}

PricingMode ModeOfTableListEntry(int entry) {
  switch (entry) {
    case kUserTableEntry: return PricingMode::UserTable;
    case kTypedCostEntry: return PricingMode::TypedCost;
    case kConstructionCostEntry: return PricingMode::ConstructionCost;
    case kShareEntry: return PricingMode::ShareOfItem;
    default: return PricingMode::NormTable;
  }
}

int ToWholeNumber(double value) {
  if (std::isnan(value)) return 0;
  constexpr double kLow = std::numeric_limits<int>::min();
  constexpr double kHigh = std::numeric_limits<int>::max();
  return static_cast<int>(std::clamp(value, kLow, kHigh));
}

std::vector<int> SharesOf(const Estimate& estimate, int source) {
  std::vector<int> shares;
  for (int i = 0; i < estimate.Count(); ++i) {
    const EstimateItem& item = estimate.items[static_cast<std::size_t>(i)];
    if (item.mode == PricingMode::ShareOfItem && item.shareSource == source) shares.push_back(i);
  }
  return shares;
}

void SwapItems(Estimate& estimate, int first, int second) {
  auto& items = estimate.items;
  std::swap(items.at(static_cast<std::size_t>(first)), items.at(static_cast<std::size_t>(second)));
  for (EstimateItem& item : items) {
    if (item.shareSource == first) item.shareSource = second;
    else if (item.shareSource == second) item.shareSource = first;
  }
}

void RemoveItem(Estimate& estimate, int index) {
  auto& items = estimate.items;
  items.erase(items.begin() + index);
  for (EstimateItem& item : items) {
    if (item.shareSource == index) item.shareSource = -1;
    else if (item.shareSource > index) --item.shareSource;
  }
}

void InsertItem(Estimate& estimate, int index, EstimateItem item) {
  auto& items = estimate.items;
  index = std::clamp(index, 0, estimate.Count());
  items.insert(items.begin() + index, std::move(item));
  for (EstimateItem& each : items) {
    if (each.shareSource >= index) ++each.shareSource;
  }
}

}  // namespace verdin
