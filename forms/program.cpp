#include "forms/program.h"

#include "core/startup.h"

namespace verdin {

void Main(Program& program, const SettingsLocation& location, Messages& messages) {
  SetUpRun(program.state, location);
  Main(program, messages);
}

void Main(Program& program, Messages& messages) {
  MainContext ctx = program.Context(messages);
  LoadMainWindow(ctx);
  program.frmObD = LoadGeneralDataForm(FileInFolder(program.state.folders.PathData, kGeneralDataFileName),
                                       Today(), messages);
}

}  // namespace verdin
