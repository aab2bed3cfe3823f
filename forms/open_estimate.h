// Opening an input-data file: the file is read whole and checked, then the
// estimate list is rebuilt by pricing every item again from its stored
// inputs, in list order, exactly as the user would with the main window.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "forms/main_commands.h"

namespace verdin {

// The open command after the open dialog has chosen `file` (FileIsx). A
// file that cannot be read or is malformed is reported and the open
// estimate stays as it was; returns false then. Items that cannot be
// priced again (a table that changed, a share of an item further down the
// list) are priced at 0 and named in one message after the open. The
// pay-out window's figures follow the opened estimate's total. The
// estimate then counts as saved, and the autosave copy written for it as
// settled.
bool OpenEstimate(MainContext& ctx, const std::filesystem::path& file);

// The open of an autosave copy whose work was never saved: as
// OpenEstimate, but the estimate then counts as unsaved and the autosave
// copy stays to be offered again until that work is saved or discarded.
bool RestoreEstimate(MainContext& ctx, const std::filesystem::path& copy);

// Opens a file named on the command line (an .isx opened from the file
// manager) as the open dialog would with that file chosen, its summary
// line included.
bool OpenNamedEstimate(MainContext& ctx, const std::filesystem::path& file);

// The open estimate priced again from its stored inputs after the norm
// tables changed, as an open prices it: the windows show the last item and
// the new list and total, and one message names the items whose table or
// row is gone (priced at 0 then). A changed cost counts as a change of the
// estimate.
void PriceEstimateAgain(MainContext& ctx);

// What the open dialog hands back when the user confirms it.
struct OpenChoice {
  std::filesystem::path FileIsx;  // the chosen input-data file
  std::string Svodka;             // its summary line
};

// The open dialog as the open command sees it.
class OpenDialog {
 public:
  virtual ~OpenDialog() = default;
  // nullopt when the user cancels.
  virtual std::optional<OpenChoice> Ask(MainContext& ctx) = 0;
};

// cmdOpen: a changed estimate is first asked about (ConfirmOpen, with
// `save` as the save command), then the dialog gives a file and it is
// opened. Returns true when an estimate was opened.
bool CmdOpen(MainContext& ctx, OpenDialog& dialog, const std::function<void()>& save);

}  // namespace verdin
