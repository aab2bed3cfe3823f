#include "core/line_reader.h"

#include <cmath>
#include <optional>
#include <stdexcept>
#include <utility>

#include "core/line_file.h"
#include "core/text_forms.h"

namespace verdin {
namespace {

// Longest piece of a faulty line quoted in a message.
constexpr std::size_t kQuotedCharacters = 60;

bool IsBlank(std::string_view line, std::string_view blanks) {
  return line.find_first_not_of(blanks) == std::string_view::npos;
}

// Cuts the first line off the content, as SplitLines ends lines: at LF,
// with a CR before it dropped.
std::string_view TakeLine(std::string_view& content) {
  const std::size_t lf = content.find('\n');
  if (lf == std::string_view::npos) return std::exchange(content, {});
  const std::size_t end = (lf > 0 && content[lf - 1] == '\r') ? lf - 1 : lf;
  const std::string_view line = content.substr(0, end);
  content.remove_prefix(lf + 1);
  return line;
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
    : ownViews_(lines.begin(), lines.end()), lines_(ownViews_), lineCount_(lines.size()), faults_(&faults) {}

LineReader::LineReader(const LineText& text, const LineFaults& faults)
    : lines_(text.lines()), lineCount_(lines_.size()), faults_(&faults) {}

LineReader::LineReader(std::string_view content, std::size_t lineCount, const LineFaults& faults)
    : unread_(content), lineCount_(lineCount), faults_(&faults) {}

std::string_view LineReader::Next(std::string_view expected) {
  if (AtEnd()) FailEndedEarly(expected);
  last_ = next_ < lines_.size() ? lines_[next_] : TakeLine(unread_);
  ++next_;
  return last_;
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
  std::string_view unread = unread_;
  for (std::size_t i = next_; i < lineCount_; ++i) {
    const std::string_view line = i < lines_.size() ? lines_[i] : TakeLine(unread);
    if (!IsBlank(line, blanks)) return i + 1;
  }
  return 0;
}

void LineReader::Fail(const std::string& detail) const { FailAt(next_, detail); }

void LineReader::FailAt(std::size_t line, const std::string& detail) const {
  faults_->Fault(line, detail);
  FaultReturned();
}

void LineReader::FailEndedEarly(std::string_view expected) const {
  faults_->EndedEarly(lineCount_, expected);
  FaultReturned();
}

}  // namespace verdin
