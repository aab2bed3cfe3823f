#include "core/startup.h"

#include "core/norm_loader.h"

namespace verdin {

void LoadMainState(AppState& state) {
  state.folders.DiskIsx = DiskOf(state.folders.PathIsx);
  state.KolStolb = kLastStoredColumn;
  ZagrBaz(state.folders.PathData, state.norms);
  state.NomRed = -1;
  state.NomTab = state.KolSpec + 1;
  state.KolZd = 0;
}

void Main(AppState& state, const SettingsLocation& location) {
  SetUpFolders(location, state.folders);
  state.folders.PathRez = state.folders.PathIsx;
  state.KolStrPol = kGridRows;
  state.KolSpec = kSpecialEntries;
  LoadMainState(state);
}

}  // namespace verdin
