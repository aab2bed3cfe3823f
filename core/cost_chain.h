// The one way an item's cost is computed from its base amount and its
// coefficients: the base rounded down to thousandths, times the first
// coefficient, the product rounded down, times the next, and so on. The
// window's cost box, the estimate list, the input-data file and every line
// of the estimate sheet take their figures from this chain, so that no two
// of them can disagree by a thousandth.
#pragma once

#include <vector>

#include "core/estimate.h"

namespace verdin {

// One coefficient applied: the amount so far rounded down, and the product
// of that amount and the coefficient, not rounded.
struct CostChainStep {
  double amount = 0;
  double product = 0;
};

struct CostChain {
  std::vector<CostChainStep> steps;  // one per coefficient, in order
  double last = 0;                   // the last product, not rounded (the base when no coefficient)
};

CostChain ChainCoefficients(double base, const std::vector<AppliedCoefficient>& applied);

// The item's cost: the chain's last product rounded down to thousandths.
double ChainedCost(double base, const std::vector<AppliedCoefficient>& applied);

}  // namespace verdin
