// The estimate list of the main window: adding the calculated item (or
// writing it back over the item being edited), deleting, taking an item
// back for editing, moving, the selection of the two list boxes, and the
// copies of an item between the windows and its record.
#pragma once

#include <string>

#include "forms/main_commands.h"

namespace verdin {

// StoreItem: the item's inputs as read from the windows (ReadItemInput)
// into item i (counted from 0), with the texts only the windows hold: the table and row
// titles, the unit, the name and the grid as typed (decimal points turned
// into commas).
void StoreItem(MainContext& ctx, int i, const ItemInput& input);

// ZapisZd: the derived values of item i (counted from 0) from the price of its stored
// inputs: the quantity as typed, the reference, the calculation text, the
// applied coefficients, the base price, the cost and the base amount.
void ZapisZd(MainContext& ctx, int i, const ItemInput& input, const PricedItem& price);

// The two list boxes and the total from the items: names, costs as the
// window shows them, the total summed afresh (never adjusted by the
// difference, which would leave binary noise in the last digits).
void ShowEstimateList(MainContext& ctx);

// Every change of the list (add, write-back, delete, move, open) and of
// the general data: the estimate now differs from the file it was last
// saved to or opened from, and the autosave copy is written while
// chkAsave is on.
void EstimateChanged(MainContext& ctx);

// The autosave copy of the estimate in the temporary folder
// (AutosaveFileName); a failure is reported and nothing else changes.
// Returns true when the copy was written.
bool Autosave(MainContext& ctx);

// ShowItem: an item back into the windows (table and row selected again by
// title, quantity, option, share mode, typed cost, user table, name, the
// coefficient window's rows; an unticked row without name, symbol and
// basis whose value is 0 shows an empty value box). The item is not
// recalculated.
// The item's table is looked up again by its title first, so the item
// follows its table when the database changed order.
void ShowItem(MainContext& ctx, EstimateItem& item);

// cmdDob "Добавить данные по текущему элементу в список". Returns true when
// an item was added or written back; that item is then the selected line.
// While an item is taken back for editing, the question offers to write
// over it (Yes), to append a new item (No) or to write nothing (Cancel). The item is priced again from the
// inputs it stores (a quantity typed after the calculation is priced, not
// stored beside the old figures), the shares of a written-back item follow
// its new cost, and a share that would be priced from itself is refused.
// The total shows in the form of the items (ShownTotal). The pay-out window's figures follow the new total
// (OpenPayOut) while chkW stays as it is: an open pay-out window stays open
// and shows the new total, so nothing needs to switch chkW off and on.
bool CmdDob(MainContext& ctx);

// The message of an add refused because the estimate holds the most items
// it can.
void ReportEstimateFull(MainContext& ctx);

// cmdDel "Удалить выделенный элемент". The question (Enter answers Cancel)
// names the items priced as shares of the deleted one; they are priced at 0 afterwards. The total
// and the pay-out window follow as after an add.
void CmdDel(MainContext& ctx);

// cmdDelZd "Удалить все данные из списка" after a question that Enter
// answers with Cancel. The pay-out window follows as after an add.
void CmdDelZd(MainContext& ctx);

// cmdRed "Редактировать выделенный элемент" and a double click on the name
// list: takes the selected item back into the windows.
void CmdRed(MainContext& ctx);

// A click on line `line` of list box `list` (0 names, 1 costs): both lists
// then show the selection of the name list.
void ClickLstZd(MainContext& ctx, int list, int line);

// True while a line of the list is selected: the buttons that act on the
// selected item (delete, edit, up, down) are enabled exactly then.
bool ItemSelected(const MainForm& form);

// cmdVerx(direction): 0 moves the selected item up, 1 down. Shares keep
// their sources: the object numbers they hold follow the move.
void CmdVerx(MainContext& ctx, int direction);

// The autosave file name for a contract number and date:
// "Смета к дог " + number + " от " + date, with "\" and "/" replaced by "_"
// and "." by "-", then "_tmp.isx".
std::string AutosaveFileName(const std::string& txtNdog, const std::string& txtDataDog);

// The sum of the costs of the items.
double EstimateTotal(const AppState& state);

}  // namespace verdin
