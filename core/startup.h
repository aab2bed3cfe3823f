// Start-up of a run, shared by the desktop program and verdin-batch.
#pragma once

#include "core/app_state.h"
#include "core/folders.h"

namespace verdin {

// The state-setting part of the main window's load: DiskIsx from the
// input-data folder, the last stored column, the norm database, no item
// under edit, the first norm table selected, an empty estimate.
void LoadMainState(AppState& state);

// Main without the windows: the folders from the settings, PathRez =
// PathIsx, the grid size and the special entries, then LoadMainState.
// A failure (settings or norm database) throws an exception derived from
// std::runtime_error whose what() is the Russian message for the user;
// the state is then not usable.
void Main(AppState& state, const SettingsLocation& location);

}  // namespace verdin
