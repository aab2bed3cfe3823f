// Undo and redo of the estimate. Every change of the estimate or of the
// general data is one step: the history keeps the whole estimate, the
// general data and the estimate's own file as they stood before each step
// and, once a step is undone, as they stood after it. Whole copies rather
// than per-command inverses: every way the estimate can change (the
// commands, an open, a restored autosave, the general-data window) is
// caught the same way, and undoing can never drift from what the command
// did.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/estimate.h"
#include "forms/main_commands.h"

namespace verdin {

// The steps kept; the oldest goes first when a new one would exceed it.
inline constexpr std::size_t kHistorySteps = 100;

// What one step changes and restores.
struct EditSnapshot {
  Estimate estimate;
  GeneralData general;                 // as the last save or open took them
  GeneralDataForm generalBoxes;        // the general-data window's boxes
  std::filesystem::path estimateFile;  // the estimate's own input-data file

  // The estimate and the general data the user sees (not the file).
  bool SameContent(const EditSnapshot& other) const;
};

// The state of the estimate as a snapshot.
EditSnapshot TakeSnapshot(const MainContext& ctx);

// The name of the step from `before` to `after`, as the undo and redo
// texts show it after «Отменить »/«Повторить »: «добавление «Гараж»»,
// «удаление всех объектов», «изменение общих данных»… `selected` is the
// name list's selected line after the step (a moved item stays selected).
std::string StepName(const EditSnapshot& before, const EditSnapshot& after, int selected);

class EditHistory {
 public:
  // Compares the estimate with the one after the last step and, when it
  // changed, keeps the change as a step. Called after every command and
  // every change of the general data. Changes of the general data alone
  // are typed letter by letter: they join the step before while that was
  // one too and the typing has not paused (Seal). The first call only
  // takes the starting point.
  void Record(const MainContext& ctx);
  // The typing in the general-data window paused: its next change starts
  // a new step.
  void Seal() { sealed_ = true; }

  bool CanUndo() const { return !undo_.empty(); }
  bool CanRedo() const { return !redo_.empty(); }
  // «Отменить добавление «Гараж»»; «Отменить» when there is nothing to undo.
  std::string UndoText() const;
  std::string RedoText() const;
  std::size_t UndoSteps() const { return undo_.size(); }

  // Undoes (redoes) the last step: the estimate, the general data and the
  // own file come back, the shares are priced again, the list, the total
  // and the pay-out window follow, and the estimate counts as changed
  // (the autosave copy follows). False when there is nothing to undo.
  bool Undo(MainContext& ctx);
  bool Redo(MainContext& ctx);

 private:
  struct Step {
    std::string name;
    EditSnapshot state;  // before the step (undo list) or after it (redo list)
    bool typing = false;  // a change of the general data alone
  };
  bool Move(MainContext& ctx, std::vector<Step>& from, std::vector<Step>& to);

  std::optional<EditSnapshot> current_;  // the estimate after the last step
  std::vector<Step> undo_;
  std::vector<Step> redo_;
  bool sealed_ = true;
};

}  // namespace verdin
