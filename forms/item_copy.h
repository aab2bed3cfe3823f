// «Копировать»: a copy of the selected item of the estimate list, for work
// that repeats with another quantity (buildings of one type, stages of one
// object).
#pragma once

#include "forms/main_commands.h"

namespace verdin {

// What the copy's name gets after the name of its original.
inline constexpr const char* kCopySuffix = " (копия)";

// Inserts a copy of the selected item right below it, with kCopySuffix
// after its name, its own coefficient rows, quantity and figures; a copied
// share is priced from the same source. The copy is selected, so that it
// can be taken back and given another quantity. Refused with a message
// when no item is selected or the estimate is full. Returns true when an
// item was copied.
bool CmdCopy(MainContext& ctx);

}  // namespace verdin
