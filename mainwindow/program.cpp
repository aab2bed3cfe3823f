#include "mainwindow/program.h"

#include "core/startup.h"

namespace verdin {

void Main(Program& program, const SettingsLocation& location, Messages& messages) {
  SetUpRun(program.state, location);
  MainContext ctx = program.Context(messages);
  LoadMainWindow(ctx);
}

}  // namespace verdin
