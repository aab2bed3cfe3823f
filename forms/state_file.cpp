#include "forms/state_file.h"

#include <stdexcept>
#include <system_error>

#include "core/line_file.h"
#include "core/text_forms.h"

namespace verdin {
namespace {

// A state file that is not taken; what() is the whole message.
class StateFileRefusal : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The faults of a state file, worded for the message box:
//   "В файле <contents> «…» в строке N <detail><defaults kept>"
//   "Файл <contents> «…» оборван после строки N: в строке N+1 ожидалось: …"
class StateFileFaults final : public LineFaults {
 public:
  StateFileFaults(const std::filesystem::path& file, const StateFileKind& kind)
      : fileText_(std::string(kind.contents) + " «" + PathText(file) + "»"),
        defaultsKept_(kind.defaultsKept) {}

  void Fault(std::size_t line, const std::string& detail) const override {
    throw StateFileRefusal("В файле " + fileText_ + " в строке " + std::to_string(line) + " " + detail +
                           defaultsKept_);
  }

  void EndedEarly(std::size_t lineCount, std::string_view expected) const override {
    throw StateFileRefusal("Файл " + fileText_ + " оборван после строки " + std::to_string(lineCount) +
                           ": в строке " + std::to_string(lineCount + 1) + " ожидалось: " +
                           std::string(expected) + "." + defaultsKept_);
  }

 private:
  std::string fileText_;
  std::string defaultsKept_;
};

void ShowRefusal(Messages& messages, const std::string& text) {
  messages.Show(kStateFileReadErrorTitle, text, MessageIcon::Exclamation);
}

}  // namespace

bool ParseStateFile(const std::filesystem::path& file, const StateFileKind& kind, Messages& messages,
                    const std::function<void(LineReader&)>& parse) {
  std::error_code error;
  if (std::filesystem::status(file, error).type() == std::filesystem::file_type::not_found) return false;
  std::vector<std::string> lines;
  try {
    lines = ReadLineFile(file);
  } catch (const FileError& failure) {
    ShowRefusal(messages, std::string(failure.what()) + std::string(kind.defaultsKept));
    return false;
  }
  const StateFileFaults faults(file, kind);
  LineReader reader(lines, faults);
  try {
    parse(reader);
  } catch (const StateFileRefusal& refusal) {
    ShowRefusal(messages, refusal.what());
    return false;
  }
  return true;
}

bool ReadCheckState(LineReader& reader, std::string_view what) {
  const std::string line(reader.Next(what));
  const std::string digit = Trim(line);
  if (digit != "1" && digit != "0") {
    reader.Fail("ожидалась " + std::string(what) + ", а записано «" + line + "».");
  }
  return digit == "1";
}

bool WriteStateFileLines(const std::filesystem::path& file, const std::vector<std::string>& lines,
                         Messages& messages) {
  try {
    WriteLineFile(file, lines);
    return true;
  } catch (const FileError& failure) {
    messages.Show("Ошибка записи!!", failure.what(), MessageIcon::Exclamation);
    return false;
  }
}

}  // namespace verdin
