// Reading a line file line by line. LineReader walks the decoded lines of
// a file (ReadLineFile) and turns every fault into an error that names the
// file, the line and what was expected there. Each kind of file keeps its
// own wording and its own error type: it says how through LineFaults.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace verdin {

// What counts as blank on a line that holds nothing.
inline constexpr std::string_view kSpaces = " ";
inline constexpr std::string_view kSpacesAndTabs = " \t";

// How the faults of one kind of file are reported. Both functions throw
// the file's own error and never return.
class LineFaults {
 public:
  virtual ~LineFaults() = default;

  // A fault at `line` (1-based; 0 when the file as a whole is meant);
  // `detail` says what is wrong and what was expected.
  virtual void Fault(std::size_t line, const std::string& detail) const = 0;

  // The file ends after `lineCount` lines where a line holding `expected`
  // should follow. By default a fault at the missing line: "файл
  // обрывается раньше времени, нет строки «…». Файл повреждён или записан
  // не полностью."
  virtual void EndedEarly(std::size_t lineCount, std::string_view expected) const;
};

// "<head>, строка <line>: <detail>", the line left out when it is 0: the
// message shape of most files, e.g. head = "Ошибка в файле настроек «…»".
std::string LineFaultMessage(std::string_view head, std::size_t line, std::string_view detail);

// Text read from a file as a message quotes it: in «», at most 60
// characters (cut on a character boundary, "…" marking the cut), control
// bytes shown as "\x07" and the like (ShowControlBytes).
std::string QuotedFileText(std::string_view text);

class LineText;

// A cursor over the lines of one file. It refers to the lines and to the
// faults; both must outlive it. Reading a line never copies it.
class LineReader {
 public:
  LineReader(const std::vector<std::string>& lines, const LineFaults& faults);
  LineReader(const LineText& text, const LineFaults& faults);
  // Over a whole file's content that holds `lineCount` lines (LineFileBytes),
  // split into lines only as they are read.
  LineReader(std::string_view content, std::size_t lineCount, const LineFaults& faults);
  // Temporaries would be gone before the reader is used.
  LineReader(std::vector<std::string>&&, const LineFaults&) = delete;
  LineReader(LineText&&, const LineFaults&) = delete;
  LineReader(const std::vector<std::string>&, LineFaults&&) = delete;
  LineReader(const LineText&, LineFaults&&) = delete;
  LineReader(std::string&&, std::size_t, const LineFaults&) = delete;
  LineReader(std::string_view, std::size_t, LineFaults&&) = delete;
  // The reader may hold the views of its lines itself; a copy would point
  // into the original's.
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  bool AtEnd() const { return next_ >= lineCount_; }
  std::size_t LineCount() const { return lineCount_; }
  // How many lines have not been read yet.
  std::size_t Remaining() const { return lineCount_ - next_; }
  // The number of the line read last (1-based); 0 before the first.
  std::size_t LineNumber() const { return next_; }
  // The line read last; empty before the first.
  std::string_view LastLine() const { return last_; }

  // The next line as it stands. When the file has ended, `expected` names
  // the missing line in the fault.
  std::string_view Next(std::string_view expected);

  // The next line as a text: the stored line breaks ("¶") become CR LF.
  std::string Text(std::string_view what);

  // The next line as a number with the decimal comma (or point). A blank
  // line (spaces, tabs) or an empty one reads as 0. Anything else is a
  // fault: "вместо числа стоит «…» (<what>)."
  double Number(std::string_view what);

  // The next line as a check box: a number equal to 0 or 1 (blank is 0).
  // Anything else is a fault: "<what> должен быть 0 или 1, а стоит «…»."
  bool Flag(std::string_view what);

  // The next line as a count: a whole number from 0 to `maximum`.
  // Anything else is a fault: "<what> должно быть целым числом от 0 до
  // <maximum>, а стоит «…»."
  int Count(std::string_view what, int maximum);

  // True when every line not yet read consists of `blanks` only.
  bool OnlyBlankLinesLeft(std::string_view blanks = kSpaces) const;
  // The number of the first line not yet read that is not blank; 0 when
  // there is none.
  std::size_t NextNonBlankLineNumber(std::string_view blanks = kSpaces) const;

  // Faults at the line read last, at a given line, and at the end of a
  // file that holds fewer lines than a record needs.
  [[noreturn]] void Fail(const std::string& detail) const;
  [[noreturn]] void FailAt(std::size_t line, const std::string& detail) const;
  [[noreturn]] void FailEndedEarly(std::string_view expected) const;

 private:
  std::vector<std::string_view> ownViews_;  // views of the lines given as strings
  std::span<const std::string_view> lines_;  // the lines, when given split
  std::string_view unread_;                  // the content not yet read, when given whole
  std::size_t lineCount_ = 0;
  std::string_view last_;
  const LineFaults* faults_;
  std::size_t next_ = 0;  // index of the next line; also the number of the line read last
};

}  // namespace verdin
