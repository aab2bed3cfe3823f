// verdin-batch: the program's commands without windows.
//
//   verdin-batch [--ini FILE] [--data DIR] tables
//   verdin-batch [--ini FILE] [--data DIR] price --table T --row R --qty X [--category C]
//   verdin-batch [--ini FILE] [--data DIR] open IN.isx
//   verdin-batch [--ini FILE] [--data DIR] estimate IN.isx OUT[.xls|.xlsx|.pdf]
//                [--save-isx FILE] [--without-charges [KOPECKS PERCENT]]
//     OUT without ".xls", ".xlsx" or ".pdf" gets ".xls"; prints the names written.
//   verdin-batch words AMOUNT
//   verdin-batch [--data DIR] export-norms FILE.xlsx | import-norms FILE.xlsx|.xls | norms-info
//
// Start-up is the same as the desktop program's: the settings file (or the
// built-in layout with the demo database), then the windows' loads with
// the norm database, the coefficient and the general-data windows. --data
// names another data folder. Errors are printed in Russian; exit status 1
// for bad data or files, 2 for bad usage.

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "app/demo_data.h"
#include "app/norm_commands.h"
#include "core/line_file.h"
#include "core/platform_files.h"
#include "core/startup.h"
#include "core/text_forms.h"
#include "core/amount_bound.h"
#include "core/amount_in_words.h"
#include "forms/open_estimate.h"
#include "forms/program.h"
#include "forms/save_estimate.h"
#include "workbook/save_workbook.h"

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
    "                                и вывести ее объекты и итог\n"
    "  estimate ФАЙЛ.isx КНИГА[.xls|.xlsx|.pdf] [--save-isx ФАЙЛ]\n"
    "           [--without-charges [КОПЕЙКИ ПРОЦЕНТ]]\n"
    "                                открыть файл исходных данных и записать смету\n"
    "                                (.pdf - документ для печати на листах A4;\n"
    "                                к имени без .xls, .xlsx или .pdf добавляется .xls)\n"
    "  words СУММА                   сумма прописью\n"
    "  export-norms КНИГА.xlsx       записать базу норм в книгу для правки\n"
    "  import-norms КНИГА.xlsx|.xls  проверить книгу и, если ошибок нет, заменить ею базу норм\n"
    "  norms-info                    название, дата и число таблиц загруженной базы норм\n";

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct CommandLine {
  verdin::SettingsLocation location;
  std::optional<std::filesystem::path> dataFolder;
  std::string command;
  std::vector<std::string> args;  // everything after the command
};

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  CommandLine parsed;
  parsed.location = verdin::DefaultSettingsLocation(verdin::FindDemoData());
  std::size_t i = 0;
  for (; i < args.size() && parsed.command.empty(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--ini" || arg == "--data") {
      if (i + 1 >= args.size()) throw UsageError("после " + arg + " должно стоять значение.");
      (arg == "--ini" ? parsed.location.iniOverride : parsed.dataFolder) = verdin::PathFromText(args[++i]);
    } else if (arg.rfind("--", 0) == 0 && arg != "--help") {
      throw UsageError("неизвестный параметр «" + arg + "».");
    } else {
      parsed.command = arg;
    }
  }
  parsed.args.assign(args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
  return parsed;
}

// The options "--name value" of a command and its plain operands.
struct CommandArgs {
  std::vector<std::pair<std::string, std::string>> options;
  std::vector<std::string> operands;

  std::optional<std::string> Option(const std::string& name) const {
    for (const auto& [key, value] : options) {
      if (key == name) return value;
    }
    return std::nullopt;
  }
};

CommandArgs SplitArgs(const std::vector<std::string>& args, const std::vector<std::string>& known) {
  CommandArgs split;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i].rfind("--", 0) != 0) {
      split.operands.push_back(args[i]);
      continue;
    }
    if (std::find(known.begin(), known.end(), args[i]) == known.end()) {
      throw UsageError("неизвестный параметр «" + args[i] + "».");
    }
    if (i + 1 >= args.size()) throw UsageError("после " + args[i] + " должно стоять значение.");
    split.options.emplace_back(args[i], args[i + 1]);
    ++i;
  }
  return split;
}

void ExpectOperands(const CommandArgs& args, std::size_t count, const char* what) {
  if (args.operands.size() < count) throw UsageError(std::string("не указан ") + what + ".");
  if (args.operands.size() > count) throw UsageError("лишний аргумент «" + args.operands[count] + "».");
}

int WholeOption(const CommandArgs& args, const std::string& name, std::optional<int> fallback) {
  const auto text = args.Option(name);
  if (!text) {
    if (fallback) return *fallback;
    throw UsageError("не указан параметр " + name + ".");
  }
  const auto value = verdin::ParseTypedNumber(*text);
  if (!value || *value != static_cast<int>(*value)) {
    throw UsageError("значение " + name + " «" + *text + "» должно быть целым числом.");
  }
  return static_cast<int>(*value);
}

// A text as a terminal shows it: the program's messages break their lines
// with CR (or CR LF), which a terminal would take as a return to the start
// of the same line; every break becomes one LF.
std::string Lines(std::string_view text) {
  std::string shown;
  shown.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r') {
      shown += text[i];
      continue;
    }
    shown += '\n';
    if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
  }
  return shown;
}

// Messages of the commands go to stderr; questions are answered "OK".
class StderrMessages : public verdin::Messages {
 public:
  void Show(const std::string& title, const std::string& text, verdin::MessageIcon) override {
    std::cerr << Lines(title) << ": " << Lines(text) << "\n";
  }
  bool AskOkCancel(const std::string&, const std::string&, verdin::MessageIcon,
                   verdin::DefaultButton = verdin::DefaultButton::GoAhead) override {
    return true;
  }
  bool AskYesNo(const std::string&, const std::string&, verdin::MessageIcon,
                verdin::DefaultButton = verdin::DefaultButton::GoAhead) override {
    return true;
  }
  void Beep() override {}
};

void ListTables(const verdin::AppState& state) {
  const auto& store = state.norms;
  std::cout << "База норм: " << verdin::PathText(state.folders.PathData) << "\n";
  for (int t = 0; t < store.TableCount(); ++t) {
    const auto& table = store.Table(t);
    std::cout << t << "\t" << table.title << "\t(пунктов: " << table.rows.size() << ")\n";
  }
  std::cout << "Отраслевых коэффициентов: " << store.KolKotr() << ", примечаний: " << store.Prim.size()
            << ", строк таблицы процентов от СМР: " << store.SmrLineCount() << "\n";
}

// Chooses the table and row as the user would in the main window, types
// the quantity and calculates the base price with the window's own command.
int Price(verdin::Program& program, const CommandArgs& args, verdin::Messages& messages) {
  ExpectOperands(args, 0, "");
  if (!args.Option("--qty")) throw UsageError("не указан параметр --qty.");
  const int table = WholeOption(args, "--table", std::nullopt);
  const auto& norms = program.state.norms;
  if (table < 3 || table > norms.TableCount()) {
    throw UsageError("таблица --table должна быть от 3 до " + std::to_string(norms.TableCount()) + ".");
  }
  verdin::MainContext ctx = program.Context(messages);
  verdin::SelectTable(ctx, table - 1);
  if (table > 3) {
    const int row = WholeOption(args, "--row", std::nullopt);
    if (row < 1 || row > static_cast<int>(program.frm1.cboP.size())) {
      throw UsageError("в таблице " + std::to_string(table) + " нет пункта " + std::to_string(row) + ".");
    }
    verdin::SelectRow(ctx, row - 1, false);
  }
  const int category = WholeOption(args, "--category", 1);
  if (category < 1 || category > 5) throw UsageError("категория --category должна быть от 1 до 5.");
  program.frm1.cboSMRIndex = category - 1;
  program.frm1.txtKolic = *args.Option("--qty");
  // Also for a row without points, which prices nothing from the quantity.
  if (const auto problem = verdin::QuantityProblem(program.frm1)) {
    std::cerr << Lines(*problem) << "\n";
    return 1;
  }
  std::optional<verdin::BasePrice> base;
  try {
    base = verdin::CalculateBasePrice(ctx);
  } catch (const verdin::PricingError& error) {
    std::cerr << Lines(error.what()) << "\n";
    return 1;
  }
  const double Cb = base ? base->Cb : 0;
  std::cout << "base: " << verdin::GeneralForm(Cb) << "\n"
            << "shown: " << verdin::GeneralForm(verdin::TruncateToThousandths(Cb)) << "\n"
            << "text: " << (base ? base->Text : std::string()) << "\n";
  return 0;
}

// True when a command showed a message that is more than information.
bool ShowedProblems(const verdin::RecordingMessages& messages) {
  const auto shown = messages.Shown();
  return std::any_of(shown.begin(), shown.end(), [](const verdin::RecordingMessages::Entry& entry) {
    return entry.icon != verdin::MessageIcon::Information;
  });
}

// Opens an input-data file as the open command does and lists the rebuilt
// items: number, name, cost; then the total.
int Open(verdin::Program& program, const CommandArgs& args, verdin::RecordingMessages& messages) {
  ExpectOperands(args, 1, "файл исходных данных");
  verdin::MainContext ctx = program.Context(messages);
  const bool opened = verdin::OpenEstimate(ctx, verdin::PathFromText(args.operands.front()));
  for (const auto& entry : messages.Shown()) std::cerr << Lines(entry.title) << ": " << Lines(entry.text) << "\n";
  if (!opened) return 1;
  const verdin::Estimate& estimate = program.state.estimate;
  if (!estimate.summary.empty()) std::cout << Lines(estimate.summary) << "\n";
  for (std::size_t k = 0; k < estimate.items.size(); ++k) {
    const verdin::EstimateItem& item = estimate.items[k];
    std::cout << k + 1 << "\t" << Lines(item.name) << "\t" << verdin::GeneralForm(item.cost) << "\n";
  }
  std::cout << "Всего без НДС: " << verdin::GeneralForm(program.state.SumSm) << "\n";
  return ShowedProblems(messages) ? 1 : 0;
}


// A name as a message shows it: control characters escaped.
std::string ShownName(const std::filesystem::path& name) {
  return verdin::ShowControlBytes(verdin::PathText(name));
}

// The workbook file for the name given on the command line: the name as
// it is when it ends in ".xls", ".xlsx" or ".pdf" (in any case), else the
// name with ".xls" added. A folder cannot hold the workbook's name.
std::filesystem::path WorkbookName(const std::string& given) {
  if (given.empty()) throw UsageError("не указано имя книги сметы.");
  std::error_code error;
  std::filesystem::path name = verdin::PathFromText(given);
  if (given.back() != '/' && !std::filesystem::is_directory(name, error)) {
    if (verdin::FormatOfName(name) == verdin::WorkbookFormat::None) name += ".xls";
    if (!std::filesystem::is_directory(name, error)) return name;
  }
  throw UsageError("имя книги сметы «" + ShownName(name) +
                   "» указывает на папку; укажите имя файла, например «смета.xls».");
}

// A name made absolute, with "..", "." and the symbolic links of its
// existing part resolved; the lexical form when the system cannot tell.
std::filesystem::path Resolved(const std::filesystem::path& name) {
  std::error_code error;
  auto resolved = std::filesystem::weakly_canonical(std::filesystem::absolute(name, error), error);
  return error ? name.lexically_normal() : resolved;
}

struct EstimateArgs {
  std::string input;
  std::filesystem::path output;  // the workbook file, after the ".xls" rule
  std::optional<std::string> saveIsx;
  bool withoutCharges = false;
  verdin::PayOutPercentages payOut;
};

// The two numbers of the pay-out variant as the pay-out window would take
// them: kopecks from 0 up to the amount bound, a percentage from 0 to 100.
verdin::PayOutPercentages CheckedPayOut(const std::string& kopecks, const std::string& percent) {
  const double kopecksValue = *verdin::ParseTypedNumber(kopecks);
  const double percentValue = *verdin::ParseTypedNumber(percent);
  if (!(kopecksValue >= 0) || !verdin::WithinAmountBound(kopecksValue)) {
    throw UsageError("число копеек после --without-charges «" + kopecks +
                     "» должно быть не меньше 0 и не больше " + verdin::AmountBoundText() + ".");
  }
  if (!(percentValue >= 0 && percentValue <= 100)) {
    throw UsageError("процент после --without-charges «" + percent + "» должен быть от 0 до 100.");
  }
  return {kopecks, percent};
}

EstimateArgs ParseEstimateArgs(const std::vector<std::string>& args) {
  EstimateArgs parsed;
  std::vector<std::string> operands;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--save-isx") {
      if (i + 1 >= args.size()) throw UsageError("после --save-isx должен стоять файл.");
      parsed.saveIsx = args[++i];
    } else if (args[i] == "--without-charges") {
      parsed.withoutCharges = true;
      const bool numbers = i + 2 < args.size() && verdin::ParseTypedNumber(args[i + 1]) &&
                           verdin::ParseTypedNumber(args[i + 2]);
      if (numbers) {
        parsed.payOut = CheckedPayOut(args[i + 1], args[i + 2]);
        i += 2;
      }
    } else if (args[i].rfind("--", 0) == 0) {
      throw UsageError("неизвестный параметр «" + args[i] + "».");
    } else {
      operands.push_back(args[i]);
    }
  }
  if (operands.size() != 2) throw UsageError("нужны два файла: исходные данные (.isx) и книга сметы.");
  parsed.input = operands[0];
  parsed.output = WorkbookName(operands[1]);
  // The workbook must not replace the input data read, nor the input data
  // saved replace the workbook: either would lose a file.
  if (Resolved(verdin::PathFromText(parsed.input)) == Resolved(parsed.output)) {
    throw UsageError("книга сметы «" + ShownName(parsed.output) +
                     "» совпадает с файлом исходных данных; укажите для книги другое имя.");
  }
  if (parsed.saveIsx && Resolved(verdin::PathFromText(*parsed.saveIsx)) == Resolved(parsed.output)) {
    throw UsageError("файл --save-isx «" + ShownName(verdin::PathFromText(*parsed.saveIsx)) + "» совпадает с книгой сметы «" +
                     ShownName(parsed.output) + "»: исходные данные записались бы на место книги. " +
                     "Укажите для них другой файл, например «смета.isx».");
  }
  return parsed;
}

// Opens IN.isx as the open command does, then saves as the save command
// does: the workbook (or the PDF document, for a ".pdf" name), and the
// input-data file when asked.
int Estimate(verdin::Program& program, const std::vector<std::string>& rawArgs) {
  const EstimateArgs args = ParseEstimateArgs(rawArgs);
  StderrMessages messages;
  verdin::RecordingMessages recorder;
  verdin::MainContext opening = program.Context(recorder);
  const bool opened = verdin::OpenEstimate(opening, verdin::PathFromText(args.input));
  for (const auto& entry : recorder.Shown()) messages.Show(entry.title, entry.text, entry.icon);
  if (!opened || ShowedProblems(recorder)) return 1;
  program.frm1.chkW = args.withoutCharges;
  // The save dialog answered with the names from the command line.
  verdin::ConfirmedSaveDialog dialog(
      {args.output, args.saveIsx.value_or(verdin::kInputDataNotSaved), program.state.estimate.summary});
  verdin::CaptionOnlyProgress progress;
  verdin::BuiltEstimate built;
  verdin::RecordingMessages saving;
  verdin::MainContext ctx = program.Context(saving);
  const bool saved = verdin::CmdSave(ctx, dialog, progress, args.payOut, &built);
  bool failed = !saved || program.state.ErrRez != verdin::kSheetBuilt;
  for (const auto& entry : saving.Shown()) {
    if (entry.title != "Подтверждение записи") {
      messages.Show(entry.title, entry.text, entry.icon);
      failed = true;
    }
  }
  if (failed) return 1;
  const bool pdf = verdin::FormatOfName(args.output) == verdin::WorkbookFormat::Pdf;
  const verdin::EstimateFigures& figures = built.figures;
  std::cout << "items: " << program.state.KolZd() << "\n"
            << "total: " << verdin::GeneralForm(args.withoutCharges ? figures.total.SumRazd : figures.SumAll) << "\n"
            << (pdf ? "pdf: " : "workbook: ") << ShownName(args.output) << "\n";
  if (args.saveIsx) std::cout << "isx: " << ShownName(verdin::PathFromText(*args.saveIsx)) << "\n";
  return 0;
}

int Words(const std::vector<std::string>& args) {
  if (args.size() != 1) throw UsageError("нужна одна сумма.");
  const auto amount = verdin::ParseTypedNumber(args.front());
  if (!amount) throw UsageError("сумма «" + args.front() + "» не является числом.");
  // Beyond the bound no amount of the program can lie, and the words would
  // no longer name it.
  if (!verdin::WithinAmountBound(*amount)) {
    throw UsageError("сумма «" + args.front() + "» слишком велика: допускается число не больше " +
                     verdin::AmountBoundText() + " по абсолютной величине.");
  }
  // The words name whole roubles and the workbook writes the whole
  // roubles of its amounts, kopecks dropped; the figure printed here is
  // that same whole number, never one rounded up past the words.
  std::cout << verdin::AmountInWords(std::trunc(*amount)) << "\n";
  return 0;
}

// The norm database commands work on the data folder without loading the
// database first: an import must be able to mend a database that does not load.
int RunNormCommand(const CommandLine& line) {
  verdin::AppState state;
  try {
    verdin::SetUpRun(state, line.location);
  } catch (const std::runtime_error& error) {
    std::cerr << error.what() << "\n";
    return 1;
  }
  return verdin::RunNormCommand(line.command, line.args, line.dataFolder.value_or(state.folders.PathData));
}

int Run(const CommandLine& line) {
  const std::vector<std::string> commands = {"tables", "price", "open", "estimate", "words"};
  if (std::find(commands.begin(), commands.end(), line.command) == commands.end() &&
      !verdin::IsNormCommand(line.command)) {
    throw UsageError(line.command.empty() ? "не указана команда." : "неизвестная команда «" + line.command + "».");
  }
  if (line.command == "words") return Words(line.args);
  if (verdin::IsNormCommand(line.command)) return RunNormCommand(line);
  const CommandArgs args = line.command == "price" ? SplitArgs(line.args, {"--table", "--row", "--qty", "--category"})
                           : line.command == "estimate" ? CommandArgs{}
                                                        : SplitArgs(line.args, {});
  if (line.command == "tables") ExpectOperands(args, 0, "");
  if (line.command == "estimate") ParseEstimateArgs(line.args);  // usage errors before the start-up
  if (line.command == "open") ExpectOperands(args, 1, "файл исходных данных");
  StderrMessages messages;
  auto program = verdin::NewProgram();
  try {
    verdin::SetUpRun(program->state, line.location);
    if (line.dataFolder) program->state.folders.PathData = *line.dataFolder;
    verdin::Main(*program, messages);
  } catch (const std::runtime_error& error) {
    std::cerr << Lines(error.what()) << "\n";
    return 1;
  }
  // A command without windows writes only the files it is asked for: no
  // autosave copy into the user's temporary folder.
  program->frm1.chkAsave = false;
  if (line.command == "tables") {
    ListTables(program->state);
    return 0;
  }
  if (line.command == "open") {
    verdin::RecordingMessages recorder;
    return Open(*program, args, recorder);
  }
  if (line.command == "estimate") return Estimate(*program, line.args);
  return Price(*program, args, messages);
}

}  // namespace

int main(int argc, char** argv) {
  verdin::platform::IgnoreFileSizeSignal();
  verdin::platform::RemoveLeftoversOnSignals();
  const verdin::platform::Utf8Console console;
  try {
    const CommandLine line = ParseCommandLine(verdin::platform::CommandLineArguments(argc, argv));
    if (line.command == "--help" || line.command == "-h" || line.command == "help") {
      std::cout << kUsage;
      return 0;
    }
    return Run(line);
  } catch (const UsageError& error) {
    std::cerr << "verdin-batch: " << Lines(error.what()) << "\n" << kUsage;
    return 2;
  } catch (const std::bad_alloc&) {
    std::cerr << "verdin-batch: Недостаточно памяти для выполнения команды.\n";
    return 1;
  }
}
