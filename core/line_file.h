// Line files: the text files the program reads and writes.
//
// Every file of the program is Windows-1251 with one record per line and
// CR LF line ends. Inside the program text is UTF-8; the conversion happens
// here and nowhere else.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/limits.h"

namespace verdin {

// A file that cannot be read or written. what() is a Russian message that
// names the file and the reason, ready to be shown to the user.
class FileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The most a line file may hold: larger files are refused before their
// content is read, files with more lines before they are split apart.
struct LineFileLimit {
  std::uintmax_t bytes = 0;
  std::size_t lines = 0;
};
inline constexpr LineFileLimit kSmallFileLimit{kMaxSmallFileBytes, kMaxSmallFileLines};
inline constexpr LineFileLimit kInputDataFileLimit{kMaxInputDataBytes, kMaxInputDataLines};
inline constexpr LineFileLimit kNormFileLimit{kMaxNormFileBytes, kMaxNormFileLines};

// Windows-1251 bytes -> UTF-8.
std::string Cp1251ToUtf8(std::string_view bytes);

// UTF-8 -> Windows-1251 bytes. A character the code page lacks becomes "?",
// as Windows does; malformed UTF-8 bytes become "?" too.
std::string Utf8ToCp1251(std::string_view text);

// True when every character of the UTF-8 text exists in Windows-1251.
bool FitsCp1251(std::string_view text);

// Splits raw file content into lines. CR LF and a lone LF end a line; a
// CR that is not followed by LF stays part of the line. A last line
// without a line end is a line; the line end after the last line does not
// start another one.
std::vector<std::string> SplitLines(std::string_view content);
// The same lines as views into `content`, for a reader that only looks at
// them: no copy of each line.
std::vector<std::string_view> SplitLineViews(std::string_view content);

// The decoded text of a line file with views of its lines: one buffer for
// the whole file instead of a string per line, for the large files where
// the copies would cost more than the reading. The views stay valid as
// long as the LineText lives, also after it has been moved.
class LineText {
 public:
  LineText() = default;
  // Decodes Windows-1251 content to UTF-8 and splits it as SplitLines does.
  explicit LineText(std::string_view cp1251Content);

  const std::vector<std::string_view>& lines() const { return lines_; }

 private:
  // The same with the number of lines already counted.
  LineText(std::string_view cp1251Content, std::size_t lineCount);
  friend LineText ReadLineText(const std::filesystem::path& path, const LineFileLimit& limit);

  std::unique_ptr<char[]> text_;
  std::vector<std::string_view> lines_;
};

// Reads a Windows-1251 line file and returns its lines in UTF-8.
// Throws FileError when the file is missing or unreadable, or when it
// exceeds `limit` (the message names the file and the limit).
std::vector<std::string> ReadLineFile(const std::filesystem::path& path,
                                      const LineFileLimit& limit = kSmallFileLimit);

// The same file read into one LineText, with the same checks and errors.
LineText ReadLineText(const std::filesystem::path& path,
                      const LineFileLimit& limit = kSmallFileLimit);

// The bytes of a line file as they stand in Windows-1251, with the number
// of lines SplitLines would make of them: for a reader that decodes only
// the texts it keeps. The same checks and errors as ReadLineText.
struct LineFileBytes {
  std::string content;
  std::size_t lineCount = 0;
};
LineFileBytes ReadLineFileBytes(const std::filesystem::path& path,
                                const LineFileLimit& limit = kSmallFileLimit);

// Writes the lines as Windows-1251, each followed by CR LF. The file is
// written atomically: the content goes to a temporary file in the same
// folder, which then replaces the target, so a failed write never leaves
// a half-written file. Throws FileError naming the path and the reason.
void WriteLineFile(const std::filesystem::path& path,
                   const std::vector<std::string>& lines);

// Writes raw bytes atomically (same guarantees as WriteLineFile).
void WriteFileAtomically(const std::filesystem::path& path,
                         std::string_view bytes);

// Line breaks inside a text that is stored as one line of a line file. In
// memory a line break is CR LF, as a multi-line text box holds it; in the
// file every CR LF, lone CR or lone LF is written as the pilcrow "¶"
// (a character of Windows-1251 that ordinary texts do not use), and a "¶"
// read back becomes CR LF again. Texts without line breaks are stored
// exactly as they are.
inline constexpr std::string_view kStoredLineBreak = "¶";
std::string EncodeLineBreaks(std::string_view text);
std::string DecodeLineBreaks(std::string_view stored);

// The reason of a failed system call (an errno value) in Russian words,
// for the messages of failed reads and writes.
std::string SystemErrorText(int error);

// A path as text for messages (UTF-8), with the system's own separator
// between folders («\» on Windows).
std::string PathText(const std::filesystem::path& path);

// The path named by a UTF-8 text. Every text that becomes a file name goes
// through here: on Windows a path made from a plain std::string would read
// it in the system's code page, not as UTF-8.
std::filesystem::path PathFromText(std::string_view text);

}  // namespace verdin
