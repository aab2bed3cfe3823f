#include "core/line_file.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <utility>

#include "core/atomic_file.h"
#include "core/platform_files.h"

namespace verdin {
namespace {

// Unicode code points of the Windows-1251 bytes 0x80..0xFF. The byte 0x98
// has no character in the code page; like Windows itself, the program
// reads it as the control code U+0098 and writes that back as 0x98, so a
// file keeps its bytes through opening and saving.
constexpr std::array<char32_t, 128> kUpperHalf = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,  // C0
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,  // C8
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,  // D0
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,  // D8
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,  // E0
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,  // E8
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,  // F0
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,  // F8
};

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// One decoded UTF-8 character: its code point (nullopt for malformed
// bytes) and how many bytes it took.
struct Utf8Char {
  std::optional<char32_t> code_point;
  std::size_t length = 1;
};

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Decodes the character at the start of text. Overlong forms, surrogates
// and values above U+10FFFF are malformed; a malformed sequence consumes
// its lead byte and the continuation bytes that belong to it.
Utf8Char DecodeUtf8(std::string_view text) {
  const auto lead = static_cast<unsigned char>(text[0]);
  if (lead < 0x80) return {lead, 1};
  std::size_t length = 0;
  char32_t cp = 0;
  char32_t minimum = 0;
  if ((lead & 0xE0) == 0xC0) {
    length = 2, cp = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, cp = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, cp = lead & 0x07, minimum = 0x10000;
  } else {
    return {std::nullopt, 1};
  }
  std::size_t taken = 1;
  while (taken < length && taken < text.size() &&
         IsContinuation(static_cast<unsigned char>(text[taken]))) {
    cp = (cp << 6) | (static_cast<unsigned char>(text[taken]) & 0x3F);
    ++taken;
  }
  if (taken < length || cp < minimum || cp > 0x10FFFF ||
      (cp >= 0xD800 && cp <= 0xDFFF)) {
    return {std::nullopt, taken};
  }
  return {cp, length};
}

// The Windows-1251 byte of a code point, if the code page has it.
std::optional<unsigned char> Cp1251Byte(char32_t cp) {
  if (cp < 0x80) return static_cast<unsigned char>(cp);
  // А..я occupy 0xC0..0xFF in one run; everything else is looked up.
  if (cp >= 0x0410 && cp <= 0x044F) return static_cast<unsigned char>(0xC0 + (cp - 0x0410));
  for (std::size_t i = 0; i < kUpperHalf.size(); ++i) {
    if (kUpperHalf[i] == cp) {
      return static_cast<unsigned char>(0x80 + i);
    }
  }
  return std::nullopt;
}

// The reason for an errno value, in Russian where the user may meet it.
std::string ReasonFor(int error) {
  switch (error) {
    case ENOENT: return "файл или папка не найдены";
    case EACCES:
    case EPERM: return "нет доступа";
    case EISDIR: return "это папка, а не файл";
    case ENOTDIR: return "часть пути не является папкой";
    case ENOSPC: return "нет места на диске";
    case EFBIG: return "превышен допустимый размер файла";
#ifdef EDQUOT
    case EDQUOT: return "превышена дисковая квота";
#endif
    case EROFS: return "диск доступен только для чтения";
    case ENAMETOOLONG: return "слишком длинное имя файла";
    // A socket, or a device without its driver, cannot be opened at all.
    case ENXIO:
    case ENODEV: return "это не обычный файл";
    case EMFILE:
    case ENFILE: return "открыто слишком много файлов";
    case ELOOP: return "слишком много символических ссылок";
    case EIO: return "ошибка ввода-вывода";
    // On Windows: a file another program holds open without sharing it.
    case EBUSY:
    case ETXTBSY: return "файл открыт в другой программе; закройте его там и повторите";
    default: return std::string(std::strerror(error));
  }
}

std::string Quoted(const std::filesystem::path& path) {
  return "«" + PathText(path) + "»";
}

[[noreturn]] void ThrowOpenError(const std::filesystem::path& path,
                                 const std::string& reason) {
  throw FileError("Не удалось открыть файл " + Quoted(path) + ": " + reason +
                  ".");
}

[[noreturn]] void ThrowReadError(const std::filesystem::path& path,
                                 const std::string& reason) {
  throw FileError("Не удалось прочитать файл " + Quoted(path) + ": " + reason +
                  ".");
}

[[noreturn]] void ThrowWriteError(const std::filesystem::path& path,
                                  const std::string& reason) {
  throw FileError("Не удалось записать файл " + Quoted(path) + ": " + reason +
                  ".");
}

// The number of lines SplitLines makes of the content.
std::size_t LineCount(std::string_view content) {
  // memchr skips the bytes between line ends many at a time.
  std::size_t ends = 0;
  const char* next = content.data();
  const char* const end = next + content.size();
  while (next != end) {
    const void* found = std::memchr(next, '\n', static_cast<std::size_t>(end - next));
    if (found == nullptr) break;
    ++ends;
    next = static_cast<const char*>(found) + 1;
  }
  return ends + ((content.empty() || content.back() == '\n') ? 0 : 1);
}

// A size in bytes as the user reads it: "4 МБ", "512 КБ", "100 байт".
std::string SizeText(std::uintmax_t bytes) {
  constexpr std::uintmax_t kKilo = 1024;
  if (bytes >= kKilo * kKilo && bytes % (kKilo * kKilo) == 0) return std::to_string(bytes / kKilo / kKilo) + " МБ";
  if (bytes >= kKilo && bytes % kKilo == 0) return std::to_string(bytes / kKilo) + " КБ";
  return std::to_string(bytes) + " байт";
}

std::string TooLarge(std::uintmax_t bytes) {
  return "файл слишком велик (допустимо не более " + SizeText(bytes) + ")";
}

std::string TooManyLines(std::size_t lines) {
  return "в файле слишком много строк (допустимо не более " + std::to_string(lines) + ")";
}

// The UTF-8 bytes of every Windows-1251 byte, padded to four so that a
// character is always copied whole with one fixed-size copy.
struct Utf8Form {
  std::array<char, 4> bytes{};
  std::size_t size = 0;
};

const std::array<Utf8Form, 256>& Utf8Forms() {
  static const std::array<Utf8Form, 256> kForms = [] {
    std::array<Utf8Form, 256> table{};
    for (std::size_t byte = 0; byte < table.size(); ++byte) {
      std::string utf8;
      AppendUtf8(utf8, byte < 0x80 ? static_cast<char32_t>(byte) : kUpperHalf[byte - 0x80]);
      table[byte].size = utf8.size();
      std::copy(utf8.begin(), utf8.end(), table[byte].bytes.begin());
    }
    return table;
  }();
  return kForms;
}

// Room DecodeCp1251 needs: three bytes a character at most, and the
// padding of the last one.
constexpr std::size_t MostDecodedBytes(std::size_t bytes) { return bytes * 3 + 4; }

// Writes the UTF-8 form of the Windows-1251 bytes to `out`, which has room
// for MostDecodedBytes(bytes.size()), and returns the number of bytes the
// text takes. Runs of eight ASCII bytes, the bulk of most files, are
// copied as they stand.
std::size_t DecodeCp1251(std::string_view bytes, char* out) {
  const std::array<Utf8Form, 256>& forms = Utf8Forms();
  constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;
  constexpr std::size_t kWord = sizeof(std::uint64_t);
  const char* in = bytes.data();
  const char* const end = in + bytes.size();
  char* next = out;
  const auto decodeOne = [&] {
    const Utf8Form& form = forms[static_cast<unsigned char>(*in++)];
    std::memcpy(next, form.bytes.data(), form.bytes.size());
    next += form.size;
  };
  while (end - in >= static_cast<std::ptrdiff_t>(kWord)) {
    std::uint64_t word = 0;
    std::memcpy(&word, in, kWord);
    if ((word & kHighBits) == 0) {
      std::memcpy(next, in, kWord);
      in += kWord;
      next += kWord;
    } else {
      for (std::size_t i = 0; i < kWord; ++i) decodeOne();
    }
  }
  while (in != end) decodeOne();
  return static_cast<std::size_t>(next - out);
}

// The lines of the content as views into it, split as SplitLines does.
std::vector<std::string_view> SplitLineViews(std::string_view content, std::size_t expectedLines) {
  std::vector<std::string_view> lines;
  lines.reserve(expectedLines);
  while (!content.empty()) {
    const std::size_t lf = content.find('\n');
    if (lf == std::string_view::npos) {
      lines.push_back(content);
      break;
    }
    const std::size_t end = (lf > 0 && content[lf - 1] == '\r') ? lf - 1 : lf;
    lines.push_back(content.substr(0, end));
    content.remove_prefix(lf + 1);
  }
  return lines;
}

}  // namespace

std::string Cp1251ToUtf8(std::string_view bytes) {
  std::string out(MostDecodedBytes(bytes.size()), '\0');
  out.resize(DecodeCp1251(bytes, out.data()));
  return out;
}

std::string Utf8ToCp1251(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  while (!text.empty()) {
    if (static_cast<unsigned char>(text.front()) < 0x80) {
      out.push_back(text.front());
      text.remove_prefix(1);
      continue;
    }
    const Utf8Char decoded = DecodeUtf8(text);
    const std::optional<unsigned char> byte =
        decoded.code_point ? Cp1251Byte(*decoded.code_point) : std::nullopt;
    out.push_back(byte ? static_cast<char>(*byte) : '?');
    text.remove_prefix(decoded.length);
  }
  return out;
}

bool FitsCp1251(std::string_view text) {
  while (!text.empty()) {
    const Utf8Char decoded = DecodeUtf8(text);
    if (!decoded.code_point || !Cp1251Byte(*decoded.code_point)) return false;
    text.remove_prefix(decoded.length);
  }
  return true;
}

std::vector<std::string> SplitLines(std::string_view content) {
  const std::vector<std::string_view> views = SplitLineViews(content, LineCount(content));
  return {views.begin(), views.end()};
}

std::vector<std::string_view> SplitLineViews(std::string_view content) {
  return SplitLineViews(content, LineCount(content));
}

LineText::LineText(std::string_view cp1251Content) : LineText(cp1251Content, LineCount(cp1251Content)) {}

// CR and LF are the same bytes in both encodings, so the lines counted in
// the raw bytes are the lines of the text.
LineText::LineText(std::string_view cp1251Content, std::size_t lineCount)
    : text_(std::make_unique_for_overwrite<char[]>(MostDecodedBytes(cp1251Content.size()))) {
  const std::size_t size = DecodeCp1251(cp1251Content, text_.get());
  lines_ = SplitLineViews(std::string_view(text_.get(), size), lineCount);
}

std::vector<std::string> ReadLineFile(const std::filesystem::path& path,
                                      const LineFileLimit& limit) {
  const LineText text = ReadLineText(path, limit);
  return {text.lines().begin(), text.lines().end()};
}

LineText ReadLineText(const std::filesystem::path& path, const LineFileLimit& limit) {
  const LineFileBytes bytes = ReadLineFileBytes(path, limit);
  return LineText(bytes.content, bytes.lineCount);
}

LineFileBytes ReadLineFileBytes(const std::filesystem::path& path, const LineFileLimit& limit) {
  platform::FileDescriptor file;
  if (const int error = platform::OpenForReading(path, file); error != 0) {
    ThrowOpenError(path, error == ENOENT ? "файл не найден" : ReasonFor(error));
  }
  platform::FileStatus status;
  if (const int error = platform::StatusOf(file, status); error != 0) {
    ThrowReadError(path, ReasonFor(error));
  }
  if (status.folder) ThrowOpenError(path, ReasonFor(EISDIR));
  // Devices and pipes may never end; only ordinary files are read.
  if (!status.regular) ThrowOpenError(path, "это не обычный файл");
  if (status.size > limit.bytes) ThrowReadError(path, TooLarge(limit.bytes));

  std::string content;
  content.reserve(static_cast<std::size_t>(status.size));
  // The file may grow while it is read; the limit holds all the same.
  if (const int error = platform::ReadAll(file, content, limit.bytes); error != 0) {
    ThrowReadError(path, error == EFBIG ? TooLarge(limit.bytes) : ReasonFor(error));
  }
  const std::size_t lineCount = LineCount(content);
  if (lineCount > limit.lines) ThrowReadError(path, TooManyLines(limit.lines));
  return {std::move(content), lineCount};
}

void WriteLineFile(const std::filesystem::path& path,
                   const std::vector<std::string>& lines) {
  std::string bytes;
  for (const std::string& line : lines) {
    bytes += Utf8ToCp1251(line);
    bytes += "\r\n";
  }
  WriteFileAtomically(path, bytes);
}

void WriteFileAtomically(const std::filesystem::path& path,
                         std::string_view bytes) {
  try {
    AtomicReplacement replacement(path);
    replacement.Write(bytes);
    replacement.Commit();
  } catch (const WriteFault& fault) {
    ThrowWriteError(path, fault.what());
  }
}

std::string PathText(const std::filesystem::path& path) {
  // The system's own separator throughout («\» on Windows), however the
  // parts were joined; nothing changes on POSIX systems.
  std::filesystem::path shown = path;
  shown.make_preferred();
  const std::u8string text = shown.u8string();
  return std::string(text.begin(), text.end());
}

std::filesystem::path PathFromText(std::string_view text) {
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

std::string EncodeLineBreaks(std::string_view text) {
  std::string stored;
  stored.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      stored += kStoredLineBreak;
    } else {
      stored += text[i];
    }
  }
  return stored;
}

std::string DecodeLineBreaks(std::string_view stored) {
  std::string text;
  text.reserve(stored.size());
  for (std::size_t found; (found = stored.find(kStoredLineBreak)) != std::string_view::npos;) {
    text.append(stored.substr(0, found));
    text += "\r\n";
    stored.remove_prefix(found + kStoredLineBreak.size());
  }
  text.append(stored);
  return text;
}

std::string SystemErrorText(int error) { return ReasonFor(error); }

}  // namespace verdin
