#include "core/startup.h"

namespace verdin {

void SetUpRun(AppState& state, const SettingsLocation& location) {
  SetUpFolders(location, state.folders);
  state.folders.PathRez = state.folders.PathIsx;
  state.KolStrPol = kGridRows;
  state.KolSpec = kSpecialEntries;
}

}  // namespace verdin
