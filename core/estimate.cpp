#include "core/estimate.h"

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

}  // namespace verdin
