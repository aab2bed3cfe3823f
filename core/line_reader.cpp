#include "core/line_reader.h"

#include <cmath>
#include <optional>
#include <stdexcept>

#include "core/line_file.h"
#include "core/text_forms.h"

namespace verdin {
namespace {

// Longest piece of a faulty line quoted in a message.
constexpr std::size_t kQuotedCharacters = 60;

bool IsBlank(std::string_view line, std::string_view blanks) {
  return line.find_first_not_of(blanks) == std::string_view::npos;
}

// Reached only when a LineFaults implementation returns instead of
// throwing, which is a programming error.
[[noreturn]] void FaultReturned() { throw std::logic_error("LineFaults did not throw"); }

}  // namespace

std::string QuotedFileText(std::string_view text) {
  const std::string_view shown = FirstCharacters(text, kQuotedCharacters);
  std::string quoted = "«" + ShowControlBytes(shown);
  if (shown.size() < text.size()) quoted += "…";
  return quoted + "»";
}

void LineFaults::EndedEarly(std::size_t lineCount, std::string_view expected) const {
  Fault(lineCount + 1, "файл обрывается раньше времени, нет строки «" + std::string(expected) +
                           "». Файл повреждён или записан не полностью.");
}

std::string LineFaultMessage(std::string_view head, std::size_t line, std::string_view detail) {
  std::string message(head);
  if (line > 0) message += ", строка " + std::to_string(line);
  message += ": ";
  message += detail;
  return message;
}

LineReader::LineReader(const std::vector<std::string>& lines, const LineFaults& faults)
    : ownViews_(lines.begin(), lines.end()), lines_(ownViews_), faults_(&faults) {}

LineReader::LineReader(const LineText& text, const LineFaults& faults)
    : lines_(text.lines()), faults_(&faults) {}

std::string_view LineReader::LastLine() const {
  return next_ == 0 ? std::string_view() : lines_[next_ - 1];
}

std::string_view LineReader::Next(std::string_view expected) {
  if (AtEnd()) FailEndedEarly(expected);
  return lines_[next_++];
}

std::string LineReader::Text(std::string_view what) { return DecodeLineBreaks(Next(what)); }

double LineReader::Number(std::string_view what) {
  const std::string_view line = Next(what);
  if (IsBlank(line, kSpacesAndTabs)) return 0.0;
  const std::optional<double> value = ParseTypedNumber(line);
  if (!value) Fail("вместо числа стоит " + QuotedFileText(line) + " (" + std::string(what) + ").");
  return *value;
}

bool LineReader::Flag(std::string_view what) {
  const double value = Number(what);
  if (value != 0.0 && value != 1.0) {
    Fail(std::string(what) + " должен быть 0 или 1, а стоит " + QuotedFileText(LastLine()) + ".");
  }
  return value == 1.0;
}

int LineReader::Count(std::string_view what, int maximum) {
  const double value = Number(what);
  if (value < 0 || value > maximum || std::floor(value) != value) {
    Fail(std::string(what) + " должно быть целым числом от 0 до " + std::to_string(maximum) +
         ", а стоит " + QuotedFileText(LastLine()) + ".");
  }
  return static_cast<int>(value);
}

bool LineReader::OnlyBlankLinesLeft(std::string_view blanks) const {
  return NextNonBlankLineNumber(blanks) == 0;
}

std::size_t LineReader::NextNonBlankLineNumber(std::string_view blanks) const {
  for (std::size_t i = next_; i < lines_.size(); ++i) {
    if (!IsBlank(lines_[i], blanks)) return i + 1;
  }
  return 0;
}

void LineReader::Fail(const std::string& detail) const { FailAt(next_, detail); }

void LineReader::FailAt(std::size_t line, const std::string& detail) const {
  faults_->Fault(line, detail);
  FaultReturned();
}

void LineReader::FailEndedEarly(std::string_view expected) const {
  faults_->EndedEarly(lines_.size(), expected);
  FaultReturned();
}

}  // namespace verdin
