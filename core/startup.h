// The first steps of a run, shared by the desktop program and verdin-batch:
// the folders from the settings, the result folder, the grid size and the
// special entries of the table list. The windows' loads follow (see
// mainwindow/program.h).
#pragma once

#include "core/app_state.h"
#include "core/folders.h"

namespace verdin {

// Throws SettingsError or FileError (std::runtime_error with the Russian
// message for the user).
void SetUpRun(AppState& state, const SettingsLocation& location);

}  // namespace verdin
