// Commands of the main window: its load, the table and row selection, the
// calculation of the current item, the share-of-an-item mode and the cost
// field of the entry without calculation. Each works on the window's model
// and the run's state; messages go through the Messages interface.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "core/app_state.h"
#include "core/item_input.h"
#include "core/messages.h"
#include "core/pricing.h"
#include "forms/calculator_forms.h"
#include "forms/coefficient_form.h"
#include "forms/general_data_form.h"
#include "forms/main_form.h"

namespace verdin {

// What a main-window command works on.
struct MainContext {
  AppState& state;
  MainForm& frm1;
  CoefficientForm& frmKoeff;
  GeneralDataForm& frmObD;
  PayOutForm& frmW;  // follows the estimate total while the main window changes it
  Messages& messages;
};

// Load of the main window: DiskIsx, the norm database, NomRed,
// caption and About tool tip, the coefficient window loaded from its state
// file, "Жилье" selected there, the table list filled with entry 3
// selected, an empty estimate, the complexity list "I".."V" with "I" selected.
// Throws the loader's error (std::runtime_error with the Russian message)
// when the norm database cannot be loaded.
void LoadMainWindow(MainContext& ctx);

// Selection of table-list entry index (-1 = none). Runs whenever the user
// clicks and whenever the program sets the index, even to the entry shown.
// The calculation text and the figures of the previous calculation are
// cleared, and the notes frame shows the table's note without the "\"
// that marks the start of a note in the notes file.
void SelectTable(MainContext& ctx, int index);

// Selection of row index (-1 = none) of the selected table. A click always
// runs the row handling; a selection by program only when it changes. A
// row handling clears the calculation text and figures as a table change
// does.
void SelectRow(MainContext& ctx, int index, bool byProgram);

// Click on optPrim(option): 1 shows the notes beside the window, 0 hides them.
void ClickOptPrim(MainContext& ctx, int option);

// cmdOk "Рассчитать текущий объект". Returns true when the item was priced.
// Input that cannot be priced (a typed value that is not a number from 0
// to the amount bound, a base price, cost or dollar amount that is not a
// sound number) is refused with a message naming the field; a refused
// calculation empties the result boxes, so no figure of other inputs stays
// on screen (the entry without calculation keeps its typed cost).
bool CmdOk(MainContext& ctx);

// The current item's inputs, read from the boxes of the main and the
// coefficient window once: pricing mode (a share of the item in the «№»
// box while the share box is ticked),
// table entry, row, quantity, category, the user's table from the grid,
// share source, typed cost and coefficient rows. Throws PricingError with
// the Russian message naming the first field that cannot be read.
ItemInput ReadItemInput(const MainContext& ctx);

// The current item read and priced as the calculate command prices it.
struct CurrentItem {
  ItemInput input;
  PricedItem price;
  std::optional<double> dollars;  // the cost in whole dollars at the rate of txtStd, when sound
};
// Fills `current`; returns the Russian message of the first problem
// instead (nothing of the window changes).
std::optional<std::string> PriceCurrentItem(MainContext& ctx, CurrentItem& current);

// The figures of a priced item into the result boxes; no
// dollar figure without a sound one.
void ShowPrice(MainContext& ctx, const PricedItem& price, std::optional<double> dollars);

// The base price of the current item as the calculate command obtains it
// from the selected table (the user table packed from the grid for entry
// 0). Throws PricingError for input that cannot be priced, including a
// user table without a single filled row.
std::optional<BasePrice> CalculateBasePrice(MainContext& ctx);

// A change in the coefficient window: a calculated cost on screen follows
// it at once, priced again with the coefficients as they stand, or is
// emptied (until the next calculation) when the item cannot be priced so.
// The typed cost of the entry without calculation takes no coefficient and
// stays as typed.
void FollowCoefficients(MainContext& ctx);

// The message for a typed quantity beyond the amount bound, naming the
// field by its caption ("Количество", or "Цсмр, млн.руб" in the percentage
// entry); nullopt otherwise.
std::optional<std::string> QuantityProblem(const MainForm& form);

// Click on chkProcent: ticked prices the item as a share of an item of the
// estimate; unticked returns to pricing from the tables.
void ClickChkProcent(MainContext& ctx, bool ticked);

// The program or the user sets the cost field txtStP. In the entry without
// calculation the base price and the dollar amount follow the cost field.
void SetTxtStP(MainContext& ctx, const std::string& text);

// Whole dollars for a cost at the rate of txtStd: Int(cost · 1000 / rate);
// nullopt when the rate is not a number, is 0 or lies beyond the amount
// bound, and when the dollars would lie beyond it.
std::optional<double> DollarAmount(double cost, const std::string& txtStd);

// Empties every cell of the point grid.
void EmptyGrid(MainForm& form);

// An amount as the window shows it: truncated to thousandths, in the
// general form (50920,634999 shows 50920,634).
std::string ShownAmount(double value);

// A sum of shown amounts, the estimate total, in the same form. A sum that
// differs from a whole number of thousandths only by the rounding of binary
// fractions shows as that number: 1,001 + 2,002 shows 3,003.
std::string ShownTotal(double sum);

// The text of the About box: author, version, where to send remarks and
// tables, where updates come from.
std::string AboutText();

// cmdAb "О программе": the About box through messages.
void CmdAb(Messages& messages);

}  // namespace verdin
