#include "core/amount_bound.h"

#include <cmath>

#include "core/text_forms.h"

namespace verdin {

bool WithinAmountBound(double value) { return std::isfinite(value) && std::fabs(value) <= kMaxAmount; }

std::string AmountBoundText() { return GeneralForm(kMaxAmount); }

std::string BeyondBoundMessage(std::string_view field, std::string_view typed) {
  return "Значение «" + Trim(typed) + "» в поле «" + std::string(field) +
         "» слишком велико: допускается число не больше " + AmountBoundText() + " по абсолютной величине.";
}

std::optional<std::string> TypedAmountProblem(std::string_view field, std::string_view text) {
  const std::optional<double> value = ParseTypedNumber(text);
  if (!value || WithinAmountBound(*value)) return std::nullopt;
  return BeyondBoundMessage(field, text);
}

}  // namespace verdin
