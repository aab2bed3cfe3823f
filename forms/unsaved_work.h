// Work that must not be lost: the question when the program ends with an
// estimate that changed since it was last saved or opened, and the offer
// to restore the autosave copy that a crash or a killed program left.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>

#include "forms/main_commands.h"

namespace verdin {

// The note in the temporary folder that lists the autosave copies (by the
// size and hash of their content) that hold nothing the user has not saved
// or chosen to discard.
inline constexpr const char* kAutosavesSettledFileName = "Автосохранение учтено.txt";

// «Выход» and the closing of the main window. With no unsaved change the
// program may end at once. Otherwise it asks «Сохранить изменения в
// смете?»: Yes runs `save` (the save command with its dialog) and the
// program ends only when the estimate was saved; No ends it as it is;
// Cancel (Esc) keeps it running. An estimate without items cannot be
// saved: the question then says so and offers to end without saving (Yes)
// or to stay (No, Enter, Esc). Returns true when the program may end; the
// autosave copies then count as settled.
bool ConfirmExit(MainContext& ctx, const std::function<void()>& save);

// «Открыть» and Ctrl+O, before the open dialog: the same question as on
// exit, titled «Открытие сметы». Returns true when the open may go on.
// No autosave copy is written or settled here.
bool ConfirmOpen(MainContext& ctx, const std::function<void()>& save);

// Marks every autosave copy in the temporary folder as settled, so that
// none is offered at the next start. A note that cannot be written is
// reported on no window: the worst outcome is one offer too many.
void SettleAutosaves(const AppState& state);

// Marks the one autosave copy `copy` (as it is now) as settled; the other
// copies keep what they were.
void SettleAutosave(const AppState& state, const std::filesystem::path& copy);

// The newest autosave copy in the temporary folder whose content the
// settled note does not list (any copy when there is no note); nullopt
// when there is none.
std::optional<std::filesystem::path> UnsettledAutosave(const AppState& state);

// At start: offers to restore the unsettled autosave copy, naming it and
// its time. Yes opens it (RestoreEstimate); No settles it; Cancel (Esc)
// leaves it to be offered at the next start. Returns true when an
// estimate was restored.
bool OfferAutosaveRecovery(MainContext& ctx);

}  // namespace verdin
