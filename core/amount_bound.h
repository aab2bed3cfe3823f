// The check every typed or computed amount passes before it is shown as a
// price, stored in an estimate or written to a file: a finite number whose
// magnitude is at most kMaxAmount.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/limits.h"

namespace verdin {

// True for a finite value with |value| <= kMaxAmount.
bool WithinAmountBound(double value);

// The bound as the messages write it: "1E+15".
std::string AmountBoundText();

// The message for a typed value beyond the bound, naming the field:
// "Значение «1E308» в поле «Количество» слишком велико: допускается число
// не больше 1E+15 по абсолютной величине."
std::string BeyondBoundMessage(std::string_view field, std::string_view typed);

// The message above when `text` is a number beyond the bound; nullopt for
// a number within it and for a text that is no number at all (the callers
// report that case with their own messages).
std::optional<std::string> TypedAmountProblem(std::string_view field, std::string_view text);

}  // namespace verdin
