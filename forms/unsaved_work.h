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
// Cancel keeps it running. Returns true when the program may end; the
// autosave copies then count as settled.
bool ConfirmExit(MainContext& ctx, const std::function<void()>& save);

// Marks every autosave copy in the temporary folder as settled, so that
// none is offered at the next start. A note that cannot be written is
// reported on no window: the worst outcome is one offer too many.
void SettleAutosaves(const AppState& state);

// The newest autosave copy in the temporary folder whose content the
// settled note does not list (any copy when there is no note); nullopt
// when there is none.
std::optional<std::filesystem::path> UnsettledAutosave(const AppState& state);

// At start: offers to restore the unsettled autosave copy, naming it and
// its time. Yes opens it (the estimate then counts as unsaved: it lives in
// the temporary folder only); No settles it. Returns true when an
// estimate was restored.
bool OfferAutosaveRecovery(MainContext& ctx);

}  // namespace verdin
