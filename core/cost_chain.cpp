#include "core/cost_chain.h"

#include "core/text_forms.h"

namespace verdin {

CostChain ChainCoefficients(double base, const std::vector<AppliedCoefficient>& applied) {
  CostChain chain;
  chain.last = base;
  chain.steps.reserve(applied.size());
  for (const AppliedCoefficient& coefficient : applied) {
    const double amount = RoundDownToThousandths(chain.last);
    chain.last = coefficient.value * amount;
    chain.steps.push_back({amount, chain.last});
  }
  return chain;
}

double ChainedCost(double base, const std::vector<AppliedCoefficient>& applied) {
  return RoundDownToThousandths(ChainCoefficients(base, applied).last);
}

}  // namespace verdin
