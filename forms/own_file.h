// The estimate's own file: the input-data file it was last opened from or
// saved to, and the workbook saved beside it. The window title names it,
// and a save proposes it again instead of a new name.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "core/app_state.h"
#include "forms/file_chooser_model.h"
#include "forms/main_form.h"
#include "forms/save_estimate.h"

namespace verdin {

// The own input-data file; nullopt for a new estimate and for one restored
// from the autosave copy (the temporary folder is nobody's own place).
std::optional<std::filesystem::path> OwnEstimateFile(const AppState& state);

// The workbook that belongs to the own file: the one last saved with it
// (same folder for the input data, same name), else a .xls of the own
// file's name beside it. nullopt without an own file.
std::optional<std::filesystem::path> OwnWorkbook(const AppState& state);

// The main window's title: the own file's name, «*» while the estimate has
// unsaved changes, then the program's caption («гараж* — Расчет …»). A new
// estimate is «Новая смета».
std::string WindowTitle(const AppState& state, const MainForm& form);

// The save window's proposal: the own file (folder, name and type) when
// there is one, else the usual proposal built from the contract.
FileSaveForm ProposedSave(const AppState& state, const GeneralDataForm& frmObD);

// «Рассчитать и сохранить смету» for an estimate with its own file: no
// window, the own file as proposed, the usual question before anything on
// the disk is replaced.
class OwnFileSaveDialog : public SaveDialog {
 public:
  std::optional<SaveChoice> Ask(MainContext& ctx) override;
};

}  // namespace verdin
