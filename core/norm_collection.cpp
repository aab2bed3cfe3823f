#include "core/norm_collection.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <system_error>
#include <utility>

#include "core/atomic_file.h"
#include "core/folders.h"
#include "core/line_file.h"
#include "core/norm_loader.h"
#include "core/platform_files.h"
#include "core/text_forms.h"

namespace verdin {

namespace {

constexpr const char* kStagingFolder = ".~norms-staging";
constexpr const char* kJournalFile = ".~norms-journal";

std::filesystem::path NormFile(const std::filesystem::path& folder, std::size_t index) {
  return FileInFolder(folder, NormFileNames()[index]);
}

std::string_view TrimBlanks(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The text of a comment line: what follows the "*" and the one blank after it.
std::string CommentText(std::string_view cp1251Line) {
  std::string_view text = cp1251Line.substr(1);
  if (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  return Cp1251ToUtf8(text);
}

// Records how a point line writes its X and its price. The loader has
// checked the line: "X; price; unit", one character skipped after the
// first ";".
void PointDecimals(std::string_view line, NormCollection& collection) {
  const std::size_t first = line.find(';');
  const std::size_t second = line.find(';', first + 2);
  const std::string_view x = TrimBlanks(line.substr(0, first));
  const std::string_view price = TrimBlanks(line.substr(first + 2, second - first - 2));
  collection.xDecimals.push_back(static_cast<std::int8_t>(DecimalsOf(x, ParseTypedNumber(x).value_or(0))));
  collection.priceDecimals.push_back(
      static_cast<std::int8_t>(DecimalsOf(price, ParseTypedNumber(price).value_or(0))));
}

// The comment lines of the tables file: those before the first table and
// the one before each later table. The loader has checked the file's shape.
void ReadComments(const std::filesystem::path& file, NormCollection& collection) {
  const LineFileBytes bytes = ReadLineFileBytes(file, kNormFileLimit);
  collection.tableComments.assign(collection.tables.size(), std::nullopt);
  std::optional<std::string> pending;
  std::size_t table = 0;
  for (const std::string_view raw : SplitLineViews(bytes.content)) {
    const std::string_view line = TrimBlanks(raw);
    if (line.starts_with('*')) {
      if (table == 0) {
        collection.about.push_back(CommentText(line));
      } else {
        pending = CommentText(line);
      }
    } else if (line.starts_with('\\') && line != "\\END") {
      if (table < collection.tableComments.size()) collection.tableComments[table] = std::exchange(pending, {});
      ++table;
    } else if (!line.empty() && !line.starts_with('/')) {
      PointDecimals(line, collection);
    }
  }
}

// The notes as lines. The loader joins a note's lines with a carriage
// return and gives the first note an extra line of one blank after its
// first line, which is no line of the file.
std::vector<std::vector<std::string>> NoteLines(const std::vector<std::string>& notes) {
  std::vector<std::vector<std::string>> result;
  for (const std::string& note : notes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (;;) {
      const std::size_t end = note.find('\r', start);
      lines.emplace_back(note.substr(start, end == std::string::npos ? std::string::npos : end - start));
      if (end == std::string::npos) break;
      start = end + 1;
    }
    if (result.empty() && lines.size() >= 2 && lines[1] == " ") lines.erase(lines.begin() + 1);
    if (lines.front().starts_with('\\')) lines.front().erase(0, 1);
    result.push_back(std::move(lines));
  }
  return result;
}

void AddLine(std::string& text, std::string_view line) {
  text += line;
  text += "\r\n";
}

void AddComment(std::string& text, const std::string& comment) {
  AddLine(text, comment.empty() ? std::string("*") : "* " + comment);
}

int Decimals(const std::vector<std::int8_t>& decimals, std::size_t index) {
  return index < decimals.size() ? decimals[index] : -1;
}

std::string TablesText(const NormCollection& collection) {
  std::string text;
  std::size_t index = 0;  // of the point in the file
  for (const std::string& line : collection.about) AddComment(text, line);
  for (std::size_t t = 0; t < collection.tables.size(); ++t) {
    if (t < collection.tableComments.size() && collection.tableComments[t]) {
      AddComment(text, *collection.tableComments[t]);
    }
    const NormTable& table = collection.tables[t];
    AddLine(text, "\\" + table.title);
    for (const NormRow& row : table.rows) {
      AddLine(text, "/" + row.title);
      for (const NormPoint& point : row.points) {
        text += NumberText(point.x, Decimals(collection.xDecimals, index));
        text += "; ";
        text += NumberText(point.price, Decimals(collection.priceDecimals, index));
        ++index;
        text += "; ";
        AddLine(text, point.unit.view());
      }
    }
  }
  AddLine(text, "\\END");
  return text;
}

std::string IndustryText(const NormCollection& collection) {
  std::string text;
  for (const IndustryCoefficient& coefficient : collection.coefficients) {
    AddLine(text, coefficient.name + "; " + coefficient.value);
  }
  return text;
}

std::string NotesText(const NormCollection& collection) {
  std::string text;
  for (const std::vector<std::string>& note : collection.notes) {
    for (std::size_t i = 0; i < note.size(); ++i) AddLine(text, (i == 0 ? "\\" : "") + note[i]);
    if (note.empty()) AddLine(text, "\\");
  }
  AddLine(text, "\\END");
  return text;
}

std::string PercentageText(const NormCollection& collection) {
  std::string text;
  for (const PercentageLine& line : collection.percentages) {
    std::string joined;
    for (std::size_t f = 0; f < line.texts.size(); ++f) {
      if (f > 0) joined += ';';
      joined += line.texts[f];
    }
    AddLine(text, joined);
  }
  return text;
}

std::string FileBytes(const std::filesystem::path& file) {
  platform::FileDescriptor handle;
  std::string content;
  if (platform::OpenForReading(file, handle) != 0) return content;
  if (platform::ReadAll(handle, content, kMaxNormFileBytes) != 0) content.clear();
  return content;
}

[[noreturn]] void FailReplacement(const std::filesystem::path& file, const std::string& reason) {
  throw FileError("Не удалось записать файл базы норм «" + PathText(file) + "»: " + reason + ".");
}

void WriteWhole(const std::filesystem::path& file, std::string_view bytes) {
  try {
    AtomicReplacement replacement(file, ".tmp");
    replacement.Write(bytes);
    replacement.Commit();
  } catch (const WriteFault& fault) {
    FailReplacement(file, fault.error() != 0 ? SystemErrorText(fault.error()) : fault.what());
  }
}

// Removes the staging folder on every way out unless it was handed over.
class StagingFolder {
 public:
  explicit StagingFolder(std::filesystem::path path) : path_(std::move(path)) {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
    std::error_code error;
    std::filesystem::create_directory(path_, error);
    if (error) FailReplacement(path_, SystemErrorText(error.value()));
  }
  ~StagingFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  StagingFolder(const StagingFolder&) = delete;
  StagingFolder& operator=(const StagingFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

std::uint32_t Fingerprint(const std::filesystem::path& folder) {
  std::uint32_t hash = 2166136261u;  // FNV-1a
  for (std::size_t i = 0; i < kNormFileCount; ++i) {
    for (const char c : FileBytes(NormFile(folder, i))) {
      hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    }
  }
  return hash;
}

std::string LatestFileDate(const std::filesystem::path& folder) {
  std::filesystem::file_time_type latest = std::filesystem::file_time_type::min();
  for (std::size_t i = 0; i < kNormFileCount; ++i) {
    std::error_code error;
    const auto time = std::filesystem::last_write_time(NormFile(folder, i), error);
    if (!error && time > latest) latest = time;
  }
  const auto system = std::chrono::file_clock::to_sys(latest);
  std::tm local{};
  if (!platform::LocalTime(std::chrono::system_clock::to_time_t(system), local)) return {};
  char text[48];
  std::snprintf(text, sizeof text, "%02d.%02d.%04d", local.tm_mday, local.tm_mon + 1, local.tm_year + 1900);
  return text;
}

// The value of an about line "Label: value", or nothing.
std::optional<std::string> AboutValue(const std::string& line, std::string_view label) {
  if (!line.starts_with(label) || line.size() <= label.size() || line[label.size()] != ':') return std::nullopt;
  return Trim(std::string_view(line).substr(label.size() + 1));
}

}  // namespace

std::string NumberText(double value, int decimals) {
  if (decimals < 0) return GeneralForm(value);
  // The fixed form as printf's "%.*f" writes it, without printf's cost: a
  // full-size database writes some hundred thousand numbers this way. The
  // buffer holds the longest double in this form.
  std::array<char, 400> text{};
  const auto written = std::to_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed, decimals);
  std::string result(text.data(), written.ptr);
  for (char& c : result) {
    if (c == '.') c = ',';
  }
  return result;
}

int DecimalsOf(std::string_view text, double value) {
  std::string comma(TrimBlanks(text));
  for (char& c : comma) {
    if (c == '.') c = ',';
  }
  const std::size_t separator = comma.find(',');
  if (separator == std::string::npos || comma.find_first_not_of("0123456789", separator + 1) != std::string::npos) {
    return -1;
  }
  const int decimals = static_cast<int>(comma.size() - separator - 1);
  if (decimals > 15 || NumberText(value, decimals) != comma) return -1;
  return decimals;
}

std::array<std::string, kNormFileCount> NormFileNames() {
  return {kTablesFileName, kIndustryFileName, kNotesFileName, kPercentageFileName};
}

NormCollection ReadNormCollection(const std::filesystem::path& folder) {
  NormStore store;
  ZagrBaz(folder, store);
  NormCollection collection;
  collection.tables = std::move(store.tables);
  collection.coefficients = std::move(store.Kotr);
  collection.notes = NoteLines(store.Prim);
  collection.percentages = std::move(store.Smr);
  try {
    ReadComments(FileInFolder(folder, kTablesFileName), collection);
  } catch (const FileError& error) {
    throw NormDataError(std::string("База норм не загружена. ") + error.what());
  }
  return collection;
}

std::array<std::string, kNormFileCount> NormFileBytes(const NormCollection& collection) {
  return {Utf8ToCp1251(TablesText(collection)), Utf8ToCp1251(IndustryText(collection)),
          Utf8ToCp1251(NotesText(collection)), Utf8ToCp1251(PercentageText(collection))};
}

void FinishNormReplacement(const std::filesystem::path& folder) {
  const std::filesystem::path staging = folder / kStagingFolder;
  const std::filesystem::path journal = folder / kJournalFile;
  std::error_code error;
  if (std::filesystem::exists(journal, error)) {
    for (std::size_t i = 0; i < kNormFileCount; ++i) {
      const std::filesystem::path staged = NormFile(staging, i);
      if (!std::filesystem::exists(staged, error)) continue;  // already in place
      if (const int failed = platform::ReplaceFile(staged, NormFile(folder, i)); failed != 0) {
        FailReplacement(NormFile(folder, i), SystemErrorText(failed));
      }
    }
    platform::SyncFolder(folder);
    platform::RemoveFile(journal);
  }
  if (std::filesystem::exists(staging, error)) std::filesystem::remove_all(staging, error);
}

void ReplaceNormFiles(const std::filesystem::path& folder, const std::array<std::string, kNormFileCount>& bytes) {
  const WriteLock lock(NormFile(folder, 0));
  FinishNormReplacement(folder);
  const StagingFolder staging(folder / kStagingFolder);
  for (std::size_t i = 0; i < kNormFileCount; ++i) WriteWhole(NormFile(staging.path(), i), bytes[i]);
  // The files as written must load as the program loads them.
  try {
    NormStore check;
    ZagrBaz(staging.path(), check);
  } catch (const NormDataError& error) {
    throw FileError(std::string("Новая база норм не записана: она не прошла проверку загрузки. ") + error.what());
  }
  std::array<std::optional<std::string>, kNormFileCount> old;
  for (std::size_t i = 0; i < kNormFileCount; ++i) {
    const std::filesystem::path target = NormFile(folder, i);
    std::error_code error;
    if (!std::filesystem::exists(target, error)) continue;
    old[i] = FileBytes(target);
    WriteWhole(FileInFolder(folder, NormFileNames()[i] + ".bak"), *old[i]);
  }
  const std::filesystem::path journal = folder / kJournalFile;
  WriteWhole(journal, "replace\r\n");
  for (std::size_t i = 0; i < kNormFileCount; ++i) {
    if (const int failed = platform::ReplaceFile(NormFile(staging.path(), i), NormFile(folder, i)); failed != 0) {
      // Put back the files already replaced, so that the old database stays whole.
      platform::RemoveFile(journal);
      for (std::size_t back = 0; back < i; ++back) {
        if (old[back]) {
          WriteWhole(NormFile(folder, back), *old[back]);
        } else {
          platform::RemoveFile(NormFile(folder, back));
        }
      }
      FailReplacement(NormFile(folder, i), SystemErrorText(failed));
    }
  }
  platform::SyncFolder(folder);
  platform::RemoveFile(journal);
}

NormIdentity IdentifyNormDatabase(const std::filesystem::path& folder) {
  const NormCollection collection = ReadNormCollection(folder);
  NormIdentity identity;
  identity.tableCount = static_cast<int>(collection.tables.size());
  for (const std::string& line : collection.about) {
    if (auto name = AboutValue(line, kAboutName); name && identity.name.empty()) identity.name = *name;
    if (auto date = AboutValue(line, kAboutDate); date && identity.date.empty()) identity.date = *date;
  }
  if (identity.name.empty()) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%08x", static_cast<unsigned>(Fingerprint(folder)));
    identity.fingerprint = hex;
  }
  if (identity.date.empty()) identity.date = LatestFileDate(folder);
  return identity;
}

std::string NormIdentityText(const NormIdentity& identity) {
  std::string text;
  if (!identity.name.empty()) {
    text = "«" + identity.name + "»";
    if (!identity.date.empty()) text += ", " + identity.date;
  } else {
    text = "файлы от " + identity.date + ", отпечаток " + identity.fingerprint;
  }
  return text + ", таблиц: " + std::to_string(identity.tableCount);
}

}  // namespace verdin
