// The estimate list of the main window: adding the calculated item (or
// writing it back over the item being edited), deleting, taking an item
// back for editing, moving, the selection of the two list boxes, and the
// copies of an item between the windows and its record.
#pragma once

#include <string>

#include "forms/main_commands.h"

namespace verdin {

// StoreItem: the windows' inputs into the inputs of item i. Empty boxes
// store 0.
void StoreItem(MainContext& ctx, int i);

// ZapisZd: the current item's derived values — pricing mode, name, unit,
// quantity, reference, calculation text, applied coefficients, base price
// and cost — into row i.
void ZapisZd(MainContext& ctx, int i);

// The reference into the price collection for the current selection:
// "Табл. 2.1, п. 3" for a norm table, the entry and row texts for the entry
// without calculation, empty for a share of an item.
std::string ItemReference(const MainContext& ctx);

// ShowItem: an item back into the windows (table and row selected again by
// title, quantity, option, share mode, typed cost, user table, name, the
// coefficient window's rows; an unticked row without name, symbol and
// basis whose value is 0 shows an empty value box). The item is not
// recalculated.
// The item's table is looked up again by its title first, so the item
// follows its table when the database changed order.
void ShowItem(MainContext& ctx, EstimateItem& item);

// cmdDob "Добавить данные по текущему элементу в список". Returns true when
// an item was added or written back. The total shows in the form of the
// items (ShownTotal). The pay-out window's figures follow the new total
// (OpenPayOut) while chkW stays as it is: an open pay-out window stays open
// and shows the new total, so nothing needs to switch chkW off and on.
bool CmdDob(MainContext& ctx);

// cmdDel "Удалить выделенный элемент". The total and the pay-out window
// follow as after an add.
void CmdDel(MainContext& ctx);

// cmdDelZd "Удалить все данные из списка". The pay-out window follows as
// after an add.
void CmdDelZd(MainContext& ctx);

// cmdRed "Редактировать выделенный элемент" and a double click on the name
// list: takes the selected item back into the windows.
void CmdRed(MainContext& ctx);

// A click on line `line` of list box `list` (0 names, 1 costs): both lists
// then show the selection of the name list.
void ClickLstZd(MainContext& ctx, int list, int line);

// cmdVerx(direction): 0 moves the selected item up, 1 down.
void CmdVerx(MainContext& ctx, int direction);

// The autosave file name for a contract number and date:
// "Смета к дог " + number + " от " + date, with "\" and "/" replaced by "_"
// and "." by "-", then "_tmp.isx".
std::string AutosaveFileName(const std::string& txtNdog, const std::string& txtDataDog);

// The sum of the costs of the items.
double EstimateTotal(const AppState& state);

}  // namespace verdin
