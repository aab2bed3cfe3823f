#include "core/norm_loader.h"

#include <algorithm>
#include <functional>
#include <iterator>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "core/folders.h"
#include "core/limits.h"
#include "core/line_file.h"
#include "core/line_reader.h"
#include "core/norm_collection.h"
#include "core/text_forms.h"

namespace verdin {

namespace {

std::string ComposeMessage(const std::filesystem::path& file, int line,
                           const std::string& detail) {
  return LineFaultMessage("Ошибка в файле базы норм «" + PathText(file) + "»",
                          line > 0 ? static_cast<std::size_t>(line) : 0, detail);
}

bool StartsWith(std::string_view text, char c) { return !text.empty() && text.front() == c; }

// Trim without a copy: the loader looks at hundreds of thousands of lines.
std::string_view TrimView(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

// Reads a norm file with `read` (ReadLineText or ReadLineFileBytes); a
// file that cannot be read is reported as a database not loaded.
template <typename Read>
auto ReadNormFile(const std::filesystem::path& file, Read read) {
  try {
    return read(file, kNormFileLimit);
  } catch (const FileError& error) {
    throw NormDataError(std::string("База норм не загружена. ") + error.what());
  }
}

// The faults of a norm file: NormDataError naming the file and the line.
class NormFaults final : public LineFaults {
 public:
  explicit NormFaults(const std::filesystem::path& file) : file_(file) {}

  void Fault(std::size_t line, const std::string& detail) const override {
    throw NormDataError(file_, static_cast<int>(line), detail);
  }

  // Every norm file but the percentage table ends with "\END"; a file
  // cut short is reported at its last line.
  void EndedEarly(std::size_t lineCount, std::string_view expected) const override {
    Fault(lineCount, "файл кончается раньше строки «\\END»; ожидалась " + std::string(expected) + ".");
  }

 private:
  const std::filesystem::path& file_;
};

// Reads a norm file and parses its lines with `parse(LineReader&)`.
template <typename Parse>
auto ParseNormFile(const std::filesystem::path& file, Parse parse) {
  const LineText lines = ReadNormFile(file, ReadLineText);
  const NormFaults faults(file);
  LineReader cursor(lines, faults);
  return parse(cursor);
}

// The next line trimmed of blanks; an empty line is malformed.
std::string_view NextTrimmed(LineReader& cursor, std::string_view expected) {
  const std::string_view line = TrimView(cursor.Next(expected));
  if (line.empty()) cursor.Fail("пустая строка; ожидалась " + std::string(expected) + ".");
  return line;
}

// --- tables file -----------------------------------------------------------
//
// The tables file, nearly all of the database, is parsed in its
// Windows-1251 bytes: the markers, blanks, separators and digits the
// parser looks at are the same bytes in both encodings, and only the texts
// kept (titles and units) are decoded to UTF-8.

// A kept text of the file in UTF-8, holding no more memory than it needs.
std::string StoredText(std::string_view cp1251) {
  std::string text = Cp1251ToUtf8(cp1251);
  text.shrink_to_fit();
  return text;
}

// The unit texts of the points, each decoded and stored once and shared by
// every point that has it. Most points repeat the unit of the point before.
class UnitTexts {
 public:
  const SharedText& For(std::string_view cp1251) {
    if (cp1251 != lastBytes_) {
      auto found = known_.find(cp1251);
      if (found == known_.end()) {
        found = known_.emplace(std::string(cp1251), SharedText(std::string_view(Cp1251ToUtf8(cp1251)))).first;
      }
      lastBytes_ = found->first;
      lastText_ = found->second;
    }
    return lastText_;
  }

 private:
  std::map<std::string, SharedText, std::less<>> known_;  // by the bytes in the file
  std::string_view lastBytes_;  // a key of known_, which stays where it is
  SharedText lastText_;
};

// What the reading of the points keeps from row to row.
struct PointReading {
  UnitTexts units;
  std::vector<NormPoint> points;  // the points of the row being read
};

// The title of a table: as many characters from the end of the trimmed
// title line as the untrimmed line has, less one. A trimmed line so loses
// its leading "\" and nothing else (a blank after the "\" stays); the
// line read untrimmed after a comment keeps the "\" when it has a blank at
// either end, since each blank adds one to the count. In Windows-1251
// every character is one byte, so counting bytes counts characters.
std::string TableTitle(std::string_view untrimmed, std::string_view trimmed) {
  const std::size_t kept = std::min(trimmed.size(), untrimmed.size() - 1);
  return StoredText(trimmed.substr(trimmed.size() - kept));
}

constexpr const char* kTableTitleExpected =
    "строка заголовка таблицы, начинающаяся с «\\», или строка «\\END»";
constexpr const char* kAfterTitleExpected =
    "строка заголовка пункта, начинающаяся с «/»";
constexpr const char* kPointExpected =
    "строка точки вида «X; цена; единица измерения», заголовок пункта «/…», "
    "заголовок таблицы «\\…» или комментарий «*…»";

// A number field of a point line. ParseTypedNumber trims the blanks around
// it itself; the message quotes the field trimmed of spaces.
double ParsePointNumber(const LineReader& cursor, std::string_view field, const char* what) {
  const auto value = ParseTypedNumber(field);
  if (!value) {
    cursor.Fail(QuotedFileText(Cp1251ToUtf8(TrimView(field))) + " не является числом; ожидалось " + what +
                " (десятичная запятая, например 18552,02).");
  }
  return *value;
}

// A point line of the common form, "1000; 18552,02; общая площадь, м2", in
// one pass without searching the separators first; nullopt for any other
// line, which ParsePoint then reads with every check and message.
std::optional<NormPoint> QuickPoint(std::string_view line, UnitTexts& units) {
  std::string_view rest = line;
  const std::optional<double> x = TypedNumberAtStart(rest);
  if (!x || rest.size() < 2 || rest.front() != ';') return std::nullopt;
  rest.remove_prefix(2);  // the ";" and the character after it, which is skipped
  const std::optional<double> price = TypedNumberAtStart(rest);
  if (!price || rest.empty() || rest.front() != ';') return std::nullopt;
  return NormPoint{*x, *price, units.For(TrimView(rest.substr(1)))};
}

// A point line: X, ";", one skipped character, the price, ";", the unit.
NormPoint ParsePoint(const LineReader& cursor, std::string_view line, UnitTexts& units) {
  if (std::optional<NormPoint> point = QuickPoint(line, units)) return std::move(*point);
  const char* twoSeparators =
      "в строке точки должно быть два знака «;»: «X; цена; единица измерения».";
  const std::size_t first = line.find(';');
  if (first == std::string::npos || first + 2 > line.size()) cursor.Fail(twoSeparators);
  const std::size_t priceStart = first + 2;  // one character after the ";" is skipped
  const std::size_t second = line.find(';', priceStart);
  if (second == std::string::npos) cursor.Fail(twoSeparators);

  const double x = ParsePointNumber(cursor, line.substr(0, first), "значение показателя X");
  const double price =
      ParsePointNumber(cursor, line.substr(priceStart, second - priceStart), "базовая цена точки");
  return NormPoint{x, price, units.For(TrimView(line.substr(second + 1)))};
}

// Reads the points of a row into `reading.points`, then gives the row a
// vector of just their number.
void ReadPoints(LineReader& cursor, NormRow& row, std::string_view& line, PointReading& reading) {
  std::vector<NormPoint>& points = reading.points;
  points.clear();
  while (!StartsWith(line, '/') && !StartsWith(line, '\\') && !StartsWith(line, '*')) {
    if (static_cast<int>(points.size()) == kMaxPoints) {
      cursor.Fail("в пункте больше " + std::to_string(kMaxPoints) + " точек.");
    }
    NormPoint point = ParsePoint(cursor, line, reading.units);
    // A price is never below zero; a minus sign is a slip of the editor.
    if (point.price < 0) {
      cursor.Fail("базовая цена точки " + GeneralForm(point.price) +
                  " отрицательна; ожидалась цена не меньше 0 (например 18552,02).");
    }
    if (!points.empty() && point.x <= points.back().x) {
      cursor.Fail("значения X точек пункта должны возрастать: " + GeneralForm(point.x) +
                  " не больше предыдущего " + GeneralForm(points.back().x) + ".");
    }
    points.push_back(std::move(point));
    line = NextTrimmed(cursor, kPointExpected);
  }
  row.points.assign(std::make_move_iterator(points.begin()), std::make_move_iterator(points.end()));
}

void ReadRows(LineReader& cursor, NormTable& table, std::string_view& line, PointReading& reading) {
  while (!StartsWith(line, '*') && !StartsWith(line, '\\')) {
    if (!StartsWith(line, '/')) cursor.Fail(std::string("ожидалась ") + kAfterTitleExpected + ".");
    if (static_cast<int>(table.rows.size()) == kMaxRows) {
      cursor.Fail("в таблице больше " + std::to_string(kMaxRows) + " пунктов.");
    }
    NormRow& row = table.rows.emplace_back();
    row.title = StoredText(line.substr(1));
    line = NextTrimmed(cursor, kPointExpected);
    ReadPoints(cursor, row, line, reading);
  }
}

void ExpectNothingAfterEnd(const LineReader& cursor) {
  if (!cursor.OnlyBlankLinesLeft()) {
    cursor.FailAt(cursor.NextNonBlankLineNumber(),
                  "после строки «\\END» не должно быть других строк.");
  }
}

std::vector<NormTable> ParseTables(LineReader& cursor) {
  std::vector<NormTable> tables;
  PointReading reading;
  reading.points.reserve(kMaxPoints);
  // Comment lines before the first table.
  std::string_view line = NextTrimmed(cursor, kTableTitleExpected);
  while (StartsWith(line, '*')) line = NextTrimmed(cursor, kTableTitleExpected);
  // The line after a comment between tables is taken as it stands: its
  // title is derived from the untrimmed text, as the database expects.
  std::string_view untrimmed = line;
  for (;;) {
    if (line == "\\END") break;
    if (StartsWith(line, '*')) {
      cursor.Fail("два комментария подряд: между таблицами допускается одна строка комментария.");
    }
    if (!StartsWith(line, '\\')) cursor.Fail(std::string("ожидалась ") + kTableTitleExpected + ".");
    if (static_cast<int>(tables.size()) == kMaxTables) {
      cursor.Fail("в базе больше " + std::to_string(kMaxTables) + " таблиц.");
    }
    NormTable& table = tables.emplace_back();
    table.title = TableTitle(untrimmed, line);
    line = NextTrimmed(cursor, kAfterTitleExpected);
    ReadRows(cursor, table, line, reading);
    if (StartsWith(line, '*')) {
      untrimmed = cursor.Next(kTableTitleExpected);
      line = TrimView(untrimmed);
      if (line.empty()) cursor.Fail(std::string("пустая строка; ожидалась ") + kTableTitleExpected + ".");
    } else {
      untrimmed = line;
    }
  }
  ExpectNothingAfterEnd(cursor);
  constexpr int kMinimumTables = kSpecialEntries + 2;
  if (static_cast<int>(tables.size()) < kMinimumTables) {
    cursor.Fail("в базе должно быть не менее " + std::to_string(kMinimumTables) +
                " таблиц: три служебные записи списка и хотя бы одна таблица норм.");
  }
  return tables;
}

// --- industry coefficients -------------------------------------------------

IndustryCoefficient ParseIndustryLine(const LineReader& cursor, std::string_view line) {
  const std::size_t separator = line.find(';');
  if (separator == std::string::npos) {
    cursor.Fail("в строке коэффициента нет знака «;»; ожидалось «наименование; значение».");
  }
  IndustryCoefficient coefficient;
  coefficient.name = TrimView(line.substr(0, separator));
  // One character after the ";" is skipped: the database writes a blank there.
  if (separator + 2 <= line.size()) coefficient.value = TrimView(line.substr(separator + 2));
  const std::optional<double> value = ParseTypedNumber(coefficient.value);
  if (!value) {
    cursor.Fail("значение коэффициента " + QuotedFileText(coefficient.value) +
                " не является числом; ожидалось «наименование; значение», например «Энергетика; 1,1».");
  }
  if (*value < 0) {
    cursor.Fail("значение коэффициента " + QuotedFileText(coefficient.value) +
                " отрицательно; ожидалось число не меньше 0, например «Энергетика; 1,1».");
  }
  return coefficient;
}

std::vector<IndustryCoefficient> ParseIndustryCoefficients(LineReader& cursor) {
  std::vector<IndustryCoefficient> coefficients;
  while (!cursor.AtEnd()) {
    const std::string_view line = NextTrimmed(cursor, "строка «наименование; значение»");
    if (static_cast<int>(coefficients.size()) == kMaxIndustryCoefficients) {
      cursor.Fail("в файле больше " + std::to_string(kMaxIndustryCoefficients) + " коэффициентов.");
    }
    coefficients.push_back(ParseIndustryLine(cursor, line));
  }
  return coefficients;
}

// --- notes -----------------------------------------------------------------

// Reads the lines of one note after its opening line up to the next line
// that begins with "\", joining them with a carriage return.
void ReadNoteBody(LineReader& cursor, std::string& note, std::string_view& line) {
  for (;;) {
    line = cursor.Next("строка «\\END» в конце файла примечаний");
    if (StartsWith(line, '\\')) return;
    note += '\r';
    note += line;
  }
}

void AddNote(const LineReader& cursor, std::vector<std::string>& notes, std::string note) {
  if (static_cast<int>(notes.size()) == kMaxNotes) {
    cursor.Fail("в файле больше " + std::to_string(kMaxNotes) + " примечаний.");
  }
  notes.push_back(std::move(note));
}

std::vector<std::string> ParseNotes(LineReader& cursor) {
  std::vector<std::string> notes;
  std::string_view line = cursor.Next("первая строка примечаний");
  if (line != "\\END") {
    // The first note always carries one extra line of a single blank.
    std::string note = std::string(line) + "\r ";
    ReadNoteBody(cursor, note, line);
    AddNote(cursor, notes, std::move(note));
    while (line != "\\END") {
      note = line;
      ReadNoteBody(cursor, note, line);
      AddNote(cursor, notes, std::move(note));
    }
  }
  ExpectNothingAfterEnd(cursor);
  return notes;
}

// --- percentage table ------------------------------------------------------

std::vector<std::string> SplitPercentageLine(const LineReader& cursor, std::string_view rest) {
  std::vector<std::string> fields;
  for (;;) {
    if (static_cast<int>(fields.size()) == kMaxPercentageFields) {
      cursor.Fail("в строке больше " + std::to_string(kMaxPercentageFields) + " полей.");
    }
    const std::size_t separator = rest.find(';');
    if (separator == std::string::npos) {
      fields.push_back(Trim(rest));
      return fields;
    }
    if (separator + 1 == rest.size()) {
      cursor.Fail("строка не должна оканчиваться знаком «;».");
    }
    fields.push_back(Trim(rest.substr(0, separator)));
    rest = rest.substr(separator + 1);
  }
}

constexpr std::size_t kPercentageFields = 6;  // bound and categories I–V

PercentageLine ParsePercentageLine(const LineReader& cursor, std::string_view line) {
  if (Trim(line).empty()) {
    cursor.Fail("пустая строка; ожидалась строка «стоимость СМР; % для категорий I; II; III; IV; V».");
  }
  PercentageLine parsed;
  parsed.texts = SplitPercentageLine(cursor, line);
  if (parsed.texts.size() < kPercentageFields) {
    cursor.Fail("в строке " + std::to_string(parsed.texts.size()) +
                " полей; ожидалось шесть: стоимость СМР и проценты для категорий сложности I–V.");
  }
  // The bound and the five percentages must be numbers; further fields are
  // free text (notes) that the pricing never reads.
  for (std::size_t f = 0; f < kPercentageFields; ++f) {
    if (!HasLeadingNumber(parsed.texts[f])) {
      cursor.Fail("поле " + std::to_string(f + 1) + " (" + QuotedFileText(parsed.texts[f]) +
                  ") не является числом; ожидалось число с десятичной точкой, например 4.2.");
    }
    // A percentage below zero would price the design work below nothing.
    if (f > 0 && LeadingNumber(parsed.texts[f]) < 0) {
      cursor.Fail("поле " + std::to_string(f + 1) + " (" + QuotedFileText(parsed.texts[f]) +
                  ") — отрицательный процент; ожидалось число не меньше 0, например 4.2.");
    }
  }
  return parsed;
}

std::vector<PercentageLine> ParsePercentageTable(LineReader& cursor) {
  std::vector<PercentageLine> table;
  while (!cursor.AtEnd()) {
    const std::string_view line = cursor.Next("строка таблицы");
    if (static_cast<int>(table.size()) == kMaxPercentageLines) {
      cursor.Fail("в файле больше " + std::to_string(kMaxPercentageLines) + " строк.");
    }
    PercentageLine parsed = ParsePercentageLine(cursor, line);
    if (!table.empty() && LeadingNumber(parsed.texts[0]) <= LeadingNumber(table.back().texts[0])) {
      cursor.Fail("стоимость СМР в первом поле должна возрастать от строки к строке.");
    }
    table.push_back(std::move(parsed));
  }
  if (table.size() < 2) {
    cursor.FailAt(cursor.LineCount(),
                  "в файле должно быть не менее двух строк, чтобы было между чем интерполировать.");
  }
  // Fields are converted up to the number of fields of the last line.
  const std::size_t converted = table.back().texts.size();
  for (auto& parsed : table) {
    parsed.numbers.assign(converted, 0.0);
    for (std::size_t f = 0; f < converted && f < parsed.texts.size(); ++f) {
      parsed.numbers[f] = LeadingNumber(parsed.texts[f]);
    }
  }
  return table;
}

}  // namespace

NormDataError::NormDataError(const std::filesystem::path& file, int line, const std::string& detail)
    : std::runtime_error(ComposeMessage(file, line, detail)), file_(file), line_(line) {}

NormDataError::NormDataError(const std::string& message) : std::runtime_error(message) {}

void LoadNormTables(const std::filesystem::path& file, NormStore& store) {
  const LineFileBytes bytes = ReadNormFile(file, ReadLineFileBytes);
  const NormFaults faults(file);
  LineReader cursor(bytes.content, bytes.lineCount, faults);
  store.tables = ParseTables(cursor);
}

void LoadIndustryCoefficients(const std::filesystem::path& file, NormStore& store) {
  store.Kotr = ParseNormFile(file, ParseIndustryCoefficients);
}

void LoadNotes(const std::filesystem::path& file, NormStore& store) {
  store.Prim = ParseNormFile(file, ParseNotes);
}

void LoadPercentageTable(const std::filesystem::path& file, NormStore& store) {
  store.Smr = ParseNormFile(file, ParsePercentageTable);
}

void ZagrBaz(const std::filesystem::path& dataFolder, NormStore& store) {
  // A replacement of the database broken off half-way is completed first,
  // so that the four files always come from the same database.
  try {
    FinishNormReplacement(dataFolder);
  } catch (const FileError& error) {
    throw NormDataError(std::string("База норм не загружена. ") + error.what());
  }
  NormStore loaded;
  LoadNormTables(FileInFolder(dataFolder, kTablesFileName), loaded);
  LoadIndustryCoefficients(FileInFolder(dataFolder, kIndustryFileName), loaded);
  LoadNotes(FileInFolder(dataFolder, kNotesFileName), loaded);
  LoadPercentageTable(FileInFolder(dataFolder, kPercentageFileName), loaded);
  store = std::move(loaded);
}

}  // namespace verdin
