// verdin-batch: the program's commands without windows.
//
//   verdin-batch [--ini FILE] [--data DIR] tables
//   verdin-batch [--ini FILE] [--data DIR] price --table T --row R --qty X [--category C]
//   verdin-batch [--ini FILE] [--data DIR] open FILE.isx
//
// Start-up is the same as the desktop program's: the settings file (or the
// built-in layout with the demo database), then the main window's load with
// the norm database and the coefficient window. --data names another data
// folder. Errors are printed in Russian; exit status 1 for bad data or
// files, 2 for bad usage.

#include <iostream>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/demo_data.h"
#include "core/line_file.h"
#include "core/startup.h"
#include "core/text_forms.h"
#include "mainwindow/open_estimate.h"
#include "mainwindow/program.h"

namespace {

constexpr const char* kUsage =
    "Использование: verdin-batch [--ini ФАЙЛ] [--data ПАПКА] КОМАНДА\n"
    "Команды:\n"
    "  tables                        загрузить базу норм и вывести список таблиц\n"
    "  price --table T --row R --qty X [--category C]\n"
    "                                базовая цена по таблице T (номер в файле таблиц с 1;\n"
    "                                3 - процент от стоимости СМР, 4 и далее - таблицы норм),\n"
    "                                пункту R, количеству X; C - категория сложности 1..5\n"
    "  open ФАЙЛ.isx                 открыть файл исходных данных, пересчитать смету\n"
    "                                и вывести ее объекты и итог\n";

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct CommandLine {
  verdin::SettingsLocation location;
  std::optional<std::filesystem::path> dataFolder;
  std::string command;
  std::map<std::string, std::string> options;  // options of the command
  std::vector<std::string> operands;           // plain arguments of the command
};

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  CommandLine parsed;
  parsed.location = verdin::DefaultSettingsLocation(verdin::FindDemoData());
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool option = arg.rfind("--", 0) == 0;
    if (option && arg != "--help") {
      if (i + 1 >= args.size()) throw UsageError("после " + arg + " должно стоять значение.");
      const std::string& value = args[++i];
      if (arg == "--ini") {
        parsed.location.iniOverride = value;
      } else if (arg == "--data") {
        parsed.dataFolder = value;
      } else if (parsed.command.empty()) {
        throw UsageError("неизвестный параметр «" + arg + "».");
      } else {
        parsed.options[arg] = value;
      }
    } else if (parsed.command.empty()) {
      parsed.command = arg;
    } else {
      parsed.operands.push_back(arg);
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
  std::cout << "Отраслевых коэффициентов: " << store.KolKotr() << ", примечаний: " << store.Prim.size()
            << ", строк таблицы процентов от СМР: " << store.SmrLineCount() << "\n";
}

int WholeOption(const CommandLine& line, const std::string& name, std::optional<int> fallback) {
  const auto found = line.options.find(name);
  if (found == line.options.end()) {
    if (fallback) return *fallback;
    throw UsageError("не указан параметр " + name + ".");
  }
  const auto value = verdin::ParseTypedNumber(found->second);
  if (!value || *value != static_cast<int>(*value)) {
    throw UsageError("значение " + name + " «" + found->second + "» должно быть целым числом.");
  }
  return static_cast<int>(*value);
}

void CheckPriceOptions(const CommandLine& line) {
  for (const auto& [name, value] : line.options) {
    if (name != "--table" && name != "--row" && name != "--qty" && name != "--category") {
      throw UsageError("неизвестный параметр «" + name + "».");
    }
  }
  if (!line.options.contains("--qty")) throw UsageError("не указан параметр --qty.");
}

// Chooses the table and row as the user would in the main window, types
// the quantity and calculates the base price with the window's own command.
int Price(verdin::Program& program, const CommandLine& line, verdin::Messages& messages) {
  CheckPriceOptions(line);
  const int table = WholeOption(line, "--table", std::nullopt);
  const auto& norms = program.state.norms;
  if (table < 3 || table > norms.TableCount()) {
    throw UsageError("таблица --table должна быть от 3 до " + std::to_string(norms.TableCount()) + ".");
  }
  verdin::MainContext ctx = program.Context(messages);
  verdin::SelectTable(ctx, table - 1);
  if (table > 3) {
    const int row = WholeOption(line, "--row", std::nullopt);
    if (row < 1 || row > static_cast<int>(program.frm1.cboP.size())) {
      throw UsageError("в таблице " + std::to_string(table) + " нет пункта " + std::to_string(row) + ".");
    }
    verdin::SelectRow(ctx, row - 1, false);
  }
  const int category = WholeOption(line, "--category", 1);
  if (category < 1 || category > 5) throw UsageError("категория --category должна быть от 1 до 5.");
  program.frm1.cboSMRIndex = category - 1;
  program.frm1.txtKolic = line.options.at("--qty");
  std::optional<verdin::BasePrice> base;
  try {
    base = verdin::CalculateBasePrice(ctx);
  } catch (const verdin::PricingError& error) {
    std::cerr << error.what() << "\n";
    return 1;
  }
  const double Cb = base ? base->Cb : 0;
  std::cout << "base: " << verdin::GeneralForm(Cb) << "\n"
            << "shown: " << verdin::GeneralForm(verdin::TruncateToThousandths(Cb)) << "\n"
            << "text: " << (base ? base->Text : std::string()) << "\n";
  return 0;
}

// Messages of the start-up (a broken coefficient file, say) go to stderr.
class StderrMessages : public verdin::Messages {
 public:
  void Show(const std::string& title, const std::string& text, verdin::MessageIcon) override {
    std::cerr << title << ": " << text << "\n";
  }
  bool AskOkCancel(const std::string& title, const std::string& text, verdin::MessageIcon icon) override {
    Show(title, text, icon);
    return true;
  }
  bool AskYesNo(const std::string& title, const std::string& text, verdin::MessageIcon icon) override {
    Show(title, text, icon);
    return true;
  }
  void Beep() override {}
};

// Opens an input-data file as the open command does and lists the rebuilt
// items: number, name, cost; then the total.
int Open(verdin::Program& program, const CommandLine& line, verdin::RecordingMessages& messages) {
  verdin::MainContext ctx = program.Context(messages);
  const bool opened = verdin::OpenEstimate(ctx, line.operands.front());
  for (const auto& entry : messages.Shown()) std::cerr << entry.title << ": " << entry.text << "\n";
  if (!opened) return 1;
  const auto& names = program.frm1.lstZd[0];
  const auto& costs = program.frm1.lstZd[1];
  if (!program.state.Svodka.empty()) std::cout << program.state.Svodka << "\n";
  for (std::size_t k = 0; k < names.size(); ++k) {
    std::cout << (k + 1) << "\t" << names[k] << "\t" << costs[k] << "\n";
  }
  std::cout << "Всего без НДС: " << program.frm1.txtSym << "\n";
  return messages.Shown().empty() ? 0 : 1;
}

void CheckOperands(const CommandLine& line) {
  const std::size_t wanted = line.command == "open" ? 1 : 0;
  if (line.operands.size() < wanted) throw UsageError("не указан файл исходных данных.");
  if (line.operands.size() > wanted) throw UsageError("лишний аргумент «" + line.operands[wanted] + "».");
  if (line.command != "price" && !line.options.empty()) {
    throw UsageError("неизвестный параметр «" + line.options.begin()->first + "».");
  }
}

int Run(const CommandLine& line) {
  if (line.command != "tables" && line.command != "price" && line.command != "open") {
    throw UsageError(line.command.empty() ? "не указана команда." : "неизвестная команда «" + line.command + "».");
  }
  CheckOperands(line);
  StderrMessages messages;
  auto program = verdin::NewProgram();
  try {
    verdin::SetUpRun(program->state, line.location);
    if (line.dataFolder) program->state.folders.PathData = *line.dataFolder;
    verdin::MainContext ctx = program->Context(messages);
    verdin::LoadMainWindow(ctx);
  } catch (const std::runtime_error& error) {
    std::cerr << error.what() << "\n";
    return 1;
  }
  if (line.command == "tables") {
    ListTables(program->state);
    return 0;
  }
  if (line.command == "open") {
    verdin::RecordingMessages recorder;
    return Open(*program, line, recorder);
  }
  return Price(*program, line, messages);
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const CommandLine line = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (line.command == "--help" || line.command == "-h" || line.command == "help") {
      std::cout << kUsage;
      return 0;
    }
    return Run(line);
  } catch (const UsageError& error) {
    std::cerr << "verdin-batch: " << error.what() << "\n" << kUsage;
    return 2;
  }
}
