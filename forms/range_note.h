// The note after a calculation whose quantity lies outside the points of
// its table row: the price then comes from extrapolation, not from the
// norm's own range.
#pragma once

#include <string>

#include "forms/main_commands.h"

namespace verdin {

// «Количество вне диапазона таблицы (от 10 до 300): цена найдена
// экстраполяцией» for the current table row (a norm row or the user's
// table) and quantity; empty inside the range, for a row of one point and
// for the entries without a table.
std::string RangeNote(const MainContext& ctx);

// cmdOk followed by the range note of its calculation. Returns CmdOk's result.
bool CalculateWithRangeNote(MainContext& ctx);

}  // namespace verdin
