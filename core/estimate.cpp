#include "core/estimate.h"

#include <algorithm>
#include <cmath>
#include <limits>

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

}  // namespace verdin
