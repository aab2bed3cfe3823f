// verdin-batch: the program's commands without windows.
//
//   verdin-batch [--ini FILE] tables    start up and list the norm tables
//
// Start-up is the same as the desktop program's: the settings file (or the
// built-in layout with the demo database), then the norm database. Errors
// are printed as the program would show them and end the run with code 1.

#include <cstdio>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/demo_data.h"
#include "core/line_file.h"
#include "core/startup.h"

namespace {

constexpr const char* kUsage =
    "Использование: verdin-batch [--ini ФАЙЛ] КОМАНДА\n"
    "Команды:\n"
    "  tables   загрузить базу норм и вывести список таблиц\n";

struct CommandLine {
  verdin::SettingsLocation location;
  std::string command;
};

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  CommandLine parsed;
  parsed.location = verdin::DefaultSettingsLocation(verdin::FindDemoData());
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--ini") {
      if (i + 1 >= args.size()) throw std::invalid_argument("после --ini должен стоять путь к файлу настроек.");
      parsed.location.iniOverride = args[++i];
    } else if (parsed.command.empty()) {
      parsed.command = args[i];
    } else {
      throw std::invalid_argument("лишний аргумент «" + args[i] + "».");
    }
  }
  return parsed;
}

void ListTables(const verdin::AppState& state) {
  const auto& store = state.norms;
  std::cout << "База норм: " << verdin::PathText(state.folders.PathData) << "\n";
  for (int t = 1; t <= store.TableCount(); ++t) {
    const auto& table = store.Table(t);
    std::cout << (t - 1) << "\t" << table.title << "\t(пунктов: " << table.rows.size() << ")\n";
  }
  std::cout << "Отраслевых коэффициентов: " << store.KolKotr()
            << ", примечаний: " << store.Prim.size()
            << ", строк таблицы процентов от СМР: " << store.SmrLineCount() << "\n";
}

}  // namespace

int main(int argc, char** argv) {
  CommandLine commandLine;
  try {
    commandLine = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const std::invalid_argument& error) {
    std::cerr << "verdin-batch: " << error.what() << "\n" << kUsage;
    return 2;
  }
  if (commandLine.command == "--help" || commandLine.command == "-h") {
    std::cout << kUsage;
    return 0;
  }
  if (commandLine.command != "tables") {
    std::cerr << (commandLine.command.empty() ? std::string("verdin-batch: не указана команда.\n")
                                              : "verdin-batch: неизвестная команда «" + commandLine.command + "».\n")
              << kUsage;
    return 2;
  }
  auto state = std::make_unique<verdin::AppState>();
  try {
    verdin::Main(*state, commandLine.location);
  } catch (const std::exception& error) {
    std::cerr << error.what() << "\n";
    return 1;
  }
  ListTables(*state);
  return 0;
}
