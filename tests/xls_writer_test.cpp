// The .xls writer, checked by reading its files back with an independent
// reader (xlrd, through tests/xls_dump.py) and comparing every cell,
// format, merge, size and page setting with the sheet that was written.
#include "workbook/xls_writer.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "tests/test_support.h"
#include "workbook/sheet.h"

namespace verdin {
namespace {

// ---------------------------------------------------------------------------
// A small JSON reader for the dump script's output.

struct Json {
  enum class Kind { kNull, kBool, kNumber, kString, kArray, kObject };
  Kind kind = Kind::kNull;
  bool boolean = false;
  double number = 0;
  std::string text;
  std::vector<Json> items;        // array items, or object values
  std::vector<std::string> keys;  // object keys, beside items

  bool Has(const std::string& key) const {
    for (const auto& name : keys) {
      if (name == key) return true;
    }
    return false;
  }
  const Json& operator[](const std::string& key) const {
    for (std::size_t i = 0; i < keys.size(); ++i) {
      if (keys[i] == key) return items[i];
    }
    throw std::runtime_error("JSON key missing: " + key);
  }
  const Json& operator[](std::size_t index) const { return items.at(index); }
  int Int() const { return static_cast<int>(number); }
};

class JsonReader {
 public:
  explicit JsonReader(const std::string& text) : text_(text) {}

  Json Read() {
    Json value = Value();
    Space();
    if (at_ != text_.size()) Fail();
    return value;
  }

 private:
  [[noreturn]] void Fail() const { throw std::runtime_error("bad JSON at " + std::to_string(at_)); }
  void Space() {
    while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_])) != 0) ++at_;
  }
  bool Take(char c) {
    Space();
    if (at_ < text_.size() && text_[at_] == c) {
      ++at_;
      return true;
    }
    return false;
  }
  bool Word(const char* word) {
    const std::string w = word;
    if (text_.compare(at_, w.size(), w) != 0) return false;
    at_ += w.size();
    return true;
  }

  Json Value() {
    Space();
    if (at_ >= text_.size()) Fail();
    Json value;
    const char c = text_[at_];
    if (c == '{') {
      value.kind = Json::Kind::kObject;
      ++at_;
      if (Take('}')) return value;
      do {
        Space();
        value.keys.push_back(String());
        if (!Take(':')) Fail();
        value.items.push_back(Value());
      } while (Take(','));
      if (!Take('}')) Fail();
    } else if (c == '[') {
      value.kind = Json::Kind::kArray;
      ++at_;
      if (Take(']')) return value;
      do value.items.push_back(Value());
      while (Take(','));
      if (!Take(']')) Fail();
    } else if (c == '"') {
      value.kind = Json::Kind::kString;
      value.text = String();
    } else if (Word("true") || Word("false")) {
      value.kind = Json::Kind::kBool;
      value.boolean = text_[at_ - 1] == 'e' && text_[at_ - 2] == 'u';
    } else if (Word("null")) {
    } else if (Word("NaN") || Word("Infinity") || Word("-Infinity")) {
      value.kind = Json::Kind::kNumber;
      value.number = std::numeric_limits<double>::quiet_NaN();
    } else {
      value.kind = Json::Kind::kNumber;
      // strtod, not stod: a subnormal number is a value here, not an error.
      const std::string digits = text_.substr(at_, 40);
      char* end = nullptr;
      value.number = std::strtod(digits.c_str(), &end);
      if (end == digits.c_str()) Fail();
      at_ += static_cast<std::size_t>(end - digits.c_str());
    }
    return value;
  }

  unsigned Hex4() {
    if (at_ + 4 > text_.size()) Fail();
    const unsigned code = static_cast<unsigned>(std::stoul(text_.substr(at_, 4), nullptr, 16));
    at_ += 4;
    return code;
  }

  static void PutUtf8(std::string& out, unsigned code) {
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | code >> 6);
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      out += static_cast<char>(0xE0 | code >> 12);
      out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | code >> 18);
      out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
      out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }

  std::string String() {
    if (at_ >= text_.size() || text_[at_] != '"') Fail();
    ++at_;
    std::string out;
    while (at_ < text_.size() && text_[at_] != '"') {
      char c = text_[at_++];
      if (c != '\\') {
        out += c;
        continue;
      }
      if (at_ >= text_.size()) Fail();
      c = text_[at_++];
      switch (c) {
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'u': {
          unsigned code = Hex4();
          if (code >= 0xD800 && code <= 0xDBFF && text_.compare(at_, 2, "\\u") == 0) {
            at_ += 2;
            code = 0x10000 + ((code - 0xD800) << 10) + (Hex4() - 0xDC00);
          }
          PutUtf8(out, code);
          break;
        }
        default: out += c;
      }
    }
    if (at_ >= text_.size()) Fail();
    ++at_;
    return out;
  }

  const std::string& text_;
  std::size_t at_ = 0;
};

// ---------------------------------------------------------------------------
// Running the dump script.

const std::filesystem::path kDumpScript =
    std::filesystem::path(VERDIN_DEMO_DATA_DIR).parent_path() / "tests" / "xls_dump.py";

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

// The Debian interpreter carries python3-xlrd; another python3 first on the
// path may not.
std::string Interpreter() {
  static const std::string chosen = [] {
    for (const char* candidate : {"/usr/bin/python3", "python3"}) {
      const std::string probe = std::string(candidate) + " -c 'import xlrd' >/dev/null 2>&1";
      if (std::system(probe.c_str()) == 0) return std::string(candidate);
    }
    return std::string();
  }();
  return chosen;
}

Json Dump(const std::filesystem::path& file) {
  const std::string interpreter = Interpreter();
  if (interpreter.empty()) throw std::runtime_error("no python3 with xlrd (python3-xlrd) found");
  const std::string command = interpreter + " " + Quoted(kDumpScript.string()) + " " + Quoted(file.string());
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) throw std::runtime_error("cannot run " + command);
  std::string output;
  char buffer[65536];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, got);
  const int status = ::pclose(pipe);
  if (status != 0) throw std::runtime_error("xls_dump.py failed on " + file.string());
  return JsonReader(output).Read();
}

// ---------------------------------------------------------------------------
// What the file must say for a sheet's format.

int HorizontalCode(int alignment) {
  if (alignment == xl::kAlignLeft) return 1;
  if (alignment == xl::kAlignCenter) return 2;
  if (alignment == xl::kAlignRight) return 3;
  return 0;
}

int VerticalCode(int alignment) {
  if (alignment == xl::kAlignTop) return 0;
  if (alignment == xl::kAlignCenter) return 1;
  return 2;
}

std::string Where(int row, int column) { return ColumnLetters(column) + std::to_string(row); }

void ExpectSide(const Json& side, bool on, const std::string& where, const char* name) {
  EXPECT_EQ(side["style"].Int(), on ? 1 : 0) << where << " border " << name;
  if (on) {
    EXPECT_EQ(side["colour"].Int(), 64) << where << " border colour " << name;
  }
}

void ExpectFormat(const Json& cell, const CellFormat& format, const std::string& where) {
  const Json& font = cell["font"];
  EXPECT_EQ(font["name"].text, format.fontName) << where;
  EXPECT_EQ(font["bold"].boolean, format.bold) << where;
  EXPECT_EQ(font["weight"].Int(), format.bold ? 700 : 400) << where;
  EXPECT_EQ(font["height"].Int(), std::lround(format.fontSize * 20)) << where;
  EXPECT_NE(font["index"].Int(), 4) << where << ": font index 4 does not exist";
  const Json& alignment = cell["alignment"];
  EXPECT_EQ(alignment["horizontal"].Int(), HorizontalCode(format.horizontal)) << where;
  EXPECT_EQ(alignment["vertical"].Int(), VerticalCode(format.vertical)) << where;
  EXPECT_EQ(alignment["wrap"].boolean, format.wrap) << where;
  const Json& border = cell["border"];
  ExpectSide(border["left"], format.borderLeft, where, "left");
  ExpectSide(border["right"], format.borderRight, where, "right");
  ExpectSide(border["top"], format.borderTop, where, "top");
  ExpectSide(border["bottom"], format.borderBottom, where, "bottom");
}

using CellMap = std::map<std::pair<int, int>, const Json*>;

CellMap CellsByPosition(const Json& dump) {
  CellMap cells;
  for (const Json& cell : dump["cells"].items) cells[{cell["row"].Int(), cell["column"].Int()}] = &cell;
  return cells;
}

// Checks every cell of the sheet against the file, and that the file holds
// no other cells. Texts longer than the file's limit are left to their own test.
void ExpectCellsMatch(const Sheet& sheet, const Json& dump) {
  const CellMap cells = CellsByPosition(dump);
  std::size_t expected = 0;
  for (int row = 1; row <= sheet.LastRow(); ++row) {
    for (int column = 1; column <= sheet.LastColumn(); ++column) {
      const Cell* cell = sheet.CellAt(row, column);
      if (cell == nullptr) continue;
      const auto* number = std::get_if<double>(&cell->value);
      const auto* text = std::get_if<std::string>(&cell->value);
      const bool hasText = text != nullptr && !text->empty();
      if (number == nullptr && !hasText && !cell->formatted) continue;
      ++expected;
      const std::string where = Where(row, column);
      const auto found = cells.find({row, column});
      if (found == cells.end()) {
        ADD_FAILURE() << "no cell " << where << " in the file";
        continue;
      }
      const Json& got = *found->second;
      if (number != nullptr && std::isfinite(*number)) {
        EXPECT_EQ(got["type"].text, "n") << where;
        EXPECT_EQ(got["value"].number, *number) << where;
      } else if (number != nullptr) {
        EXPECT_EQ(got["type"].text, "error") << where;
      } else if (hasText) {
        EXPECT_EQ(got["type"].text, "s") << where;
        if (text->size() <= 32767) {
          EXPECT_EQ(got["value"].text, *text) << where;
        }
      } else {
        EXPECT_EQ(got["type"].text, "blank") << where;
      }
      ExpectFormat(got, cell->format, where);
    }
  }
  EXPECT_EQ(cells.size(), expected) << "the file holds cells the sheet does not";
}

// ---------------------------------------------------------------------------
// Sheets.

std::string Repeat(const std::string& piece, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += piece;
  return text;
}

constexpr int kStringRowsFrom = 100;
constexpr int kDistinctStrings = 2000;
constexpr int kMergeRowsFrom = 500;
constexpr int kLastRow = 900;

// A sheet with what an estimate has, and more of it.
Sheet EstimateLikeSheet() {
  Sheet sheet;
  sheet.SetColumnWidth("A1", 4);
  sheet.SetColumnWidth("B1", 19);
  sheet.SetColumnWidth("C1:D1", 25);
  sheet.SetColumnWidth("E1", 13);
  sheet.SetRowHeight("A1", 35);
  sheet.SetRowHeight("A2", 25);
  sheet.SetRowHeight("A3", 50);

  sheet.SetValue(1, 1, std::string("СМЕТА № 17-2027 на разработку проектной документации"));
  sheet.Merge("A1:E1");
  sheet.SetFontName("A1:E1", "Times New Roman");
  sheet.SetFontStyle("A1:E1", xl::kBold);
  sheet.SetFontSize("A1:E1", 11);
  sheet.SetHorizontalAlignment("A1:E1", xl::kAlignCenter);
  sheet.SetVerticalAlignment("A1:E1", xl::kAlignCenter);
  sheet.SetWrapText("A1:E1", true);

  sheet.SetValue(2, 2, std::string("Первая строка\r\nвторая строка"));
  sheet.SetWrapText("B2", true);
  sheet.SetValue(2, 3, std::string("Latin only, compressed"));
  sheet.SetValue(2, 4, std::string("Ёлка: \xF0\x9F\x98\x80 и «кавычки»"));
  sheet.SetValue(2, 5, std::string("Straße café ±5° ×2"));  // Latin-1 only: one byte a character
  sheet.SetValue(3, 1, Repeat("Проектирование", 1000 / 14 + 1).substr(0, 2 * 1000));  // 1000 Cyrillic letters
  sheet.Merge("A3:E3");
  sheet.SetWrapText("A3:E3", true);
  sheet.SetVerticalAlignment("A3:E3", xl::kAlignTop);
  sheet.SetHorizontalAlignment("A3:E3", xl::kAlignLeft);

  const double numbers[] = {1, 50920.634, -17.25, 1e-300, 0, 123456789, 4.9e-324};
  for (int i = 0; i < 7; ++i) sheet.SetValue(5, i + 1, numbers[i]);
  sheet.SetHorizontalAlignment("A5", xl::kAlignRight);
  sheet.SetHorizontalAlignment("B5", xl::kAlignGeneral);
  sheet.SetVerticalAlignment("C5", xl::kAlignBottom);
  sheet.SetFontSize("D5", 11);
  sheet.SetFontName("E5", "Times New Roman");
  sheet.SetFontStyle("F5", xl::kRegular);

  sheet.SetBorder("B6", xl::kEdgeLeft, xl::kContinuous);
  sheet.SetBorder("C6", xl::kEdgeTop, xl::kContinuous);
  sheet.SetBorder("D6", xl::kEdgeRight, xl::kContinuous);
  sheet.SetBorder("E6", xl::kEdgeBottom, xl::kContinuous);
  for (int edge = xl::kEdgeLeft; edge <= xl::kInsideHorizontal; ++edge) {
    sheet.SetBorder("A7:E9", edge, xl::kContinuous);
  }
  sheet.SetValue(8, 3, 2.5);
  sheet.SetValue(8, 4, std::string("в рамке"));

  // Formatted empty cells: a run (one MULBLANK), a single one, and one
  // that holds an empty text.
  sheet.SetBorder("A10:E10", xl::kEdgeBottom, xl::kContinuous);
  sheet.SetHorizontalAlignment("G11", xl::kAlignCenter);
  sheet.SetValue(12, 2, std::string());
  sheet.SetWrapText("B12", true);
  sheet.SetValue(12, 3, std::string());  // empty and never formatted: no cell at all

  for (int i = 0; i < kDistinctStrings; ++i) {
    sheet.SetValue(kStringRowsFrom + i / 4, 1 + i % 4, "Позиция " + std::to_string(i) + " — " + Repeat("ж", i % 40));
  }
  for (int row = kStringRowsFrom; row <= kLastRow; ++row) sheet.SetValue(row, 5, row * 1.5);
  for (int row = kMergeRowsFrom; row <= kLastRow; ++row) {
    for (const char* columns : {"F%d:G%d", "H%d:I%d", "J%d:K%d"}) {
      char address[32];
      std::snprintf(address, sizeof address, columns, row, row);
      sheet.Merge(address);
    }
  }
  sheet.SetDisplayGridlines(false);
  sheet.SetMargins(Sheet::InchesToPoints(0.78740157480315), Sheet::InchesToPoints(0.590551181102362),
                   Sheet::InchesToPoints(0.590551181102362), Sheet::InchesToPoints(0.590551181102362));
  return sheet;
}

class XlsWriterTest : public ::testing::Test {
 protected:
  Json WriteAndDump(const Sheet& sheet, const std::string& name = "смета.xls") {
    const auto file = folder_ / name;
    WriteXls(sheet, file);
    return Dump(file);
  }

  testing::TempFolder folder_;
};

// ---------------------------------------------------------------------------
// Tests.

TEST_F(XlsWriterTest, EveryCellReadsBackWithItsValueTypeAndFormat) {
  const Sheet sheet = EstimateLikeSheet();
  const Json dump = WriteAndDump(sheet);
  ASSERT_EQ(dump["sheets"].items.size(), 1u);
  EXPECT_EQ(dump["sheets"][0].text, "Смета");
  ExpectCellsMatch(sheet, dump);

  const CellMap cells = CellsByPosition(dump);
  EXPECT_EQ((*cells.at({5, 7}))["value"].number, 4.9e-324);
  EXPECT_EQ((*cells.at({5, 2}))["value"].number, 50920.634);
  EXPECT_EQ((*cells.at({2, 2}))["value"].text, "Первая строка\r\nвторая строка");
  EXPECT_EQ(cells.count({12, 3}), 0u);
  EXPECT_EQ((*cells.at({12, 2}))["type"].text, "blank");
}

TEST_F(XlsWriterTest, SizesMergesGridlinesAndMarginsReadBack) {
  const Sheet sheet = EstimateLikeSheet();
  const Json dump = WriteAndDump(sheet);

  const Json& columns = dump["columns"];
  EXPECT_EQ(columns["1"].Int(), 1024);
  EXPECT_EQ(columns["2"].Int(), 19 * 256);
  EXPECT_EQ(columns["3"].Int(), 25 * 256);
  EXPECT_EQ(columns["4"].Int(), 25 * 256);
  EXPECT_EQ(columns["5"].Int(), 13 * 256);
  EXPECT_EQ(columns.keys.size(), 5u);

  const Json& rows = dump["rows"];
  EXPECT_EQ(rows["1"]["height"].Int(), 700);
  EXPECT_EQ(rows["2"]["height"].Int(), 500);
  EXPECT_EQ(rows["3"]["height"].Int(), 1000);
  for (const char* row : {"1", "2", "3"}) {
    EXPECT_TRUE(rows[row]["custom"].boolean) << row;
    EXPECT_FALSE(rows[row]["hidden"].boolean) << row;
  }
  EXPECT_EQ(rows.keys.size(), 3u);

  std::set<std::tuple<int, int, int, int>> expected, got;
  for (const auto& range : sheet.Merges()) {
    expected.emplace(range.firstRow, range.lastRow, range.firstColumn, range.lastColumn);
  }
  for (const Json& range : dump["merged"].items) got.emplace(range[0].Int(), range[1].Int(), range[2].Int(), range[3].Int());
  EXPECT_EQ(got, expected);
  EXPECT_EQ(dump["merged"].items.size(), sheet.Merges().size());
  ASSERT_GT(sheet.Merges().size(), 1026u);
  const Json& perRecord = dump["records"]["merged_per_record"];
  ASSERT_EQ(perRecord.items.size(), 2u);
  EXPECT_EQ(perRecord[0].Int(), 1026);
  EXPECT_EQ(perRecord[1].Int(), static_cast<int>(sheet.Merges().size()) - 1026);

  EXPECT_FALSE(dump["gridlines"].boolean);
  const Json& margins = dump["margins"];
  EXPECT_NEAR(margins["left"].number, 0.78740157480315, 1e-12);
  EXPECT_NEAR(margins["right"].number, 0.590551181102362, 1e-12);
  EXPECT_NEAR(margins["top"].number, 0.590551181102362, 1e-12);
  EXPECT_NEAR(margins["bottom"].number, 0.590551181102362, 1e-12);
}

TEST_F(XlsWriterTest, RecordStreamIsWellFormed) {
  const Json dump = WriteAndDump(EstimateLikeSheet());
  const Json& records = dump["records"];
  EXPECT_LE(records["max_record_length"].Int(), 8224);
  EXPECT_GT(records["sst_continues"].Int(), 0) << "2000 strings must spill the SST into CONTINUE records";
  EXPECT_TRUE(records["extsst_ok"].boolean);
  EXPECT_TRUE(records["boundsheet_points_at_bof"].boolean);
  EXPECT_GE(records["fonts"].Int(), 5);
  EXPECT_GE(records["xfs"].Int(), 16);
}

TEST_F(XlsWriterTest, OverlongTextsAreCutToTheCellLimitWithoutSplittingACharacter) {
  Sheet sheet;
  sheet.SetValue(1, 1, Repeat("я", 40000));
  sheet.SetValue(2, 1, Repeat("x", 40000));
  sheet.SetValue(3, 1, Repeat("a", 32766) + "\xF0\x9F\x98\x80");  // the pair would end at 32768
  sheet.SetValue(4, 1, Repeat("щ", 32767));
  sheet.SetValue(5, 1, std::string("после длинных"));
  const Json dump = WriteAndDump(sheet);
  const CellMap cells = CellsByPosition(dump);
  EXPECT_EQ((*cells.at({1, 1}))["value"].text, Repeat("я", 32767));
  EXPECT_EQ((*cells.at({2, 1}))["value"].text, Repeat("x", 32767));
  EXPECT_EQ((*cells.at({3, 1}))["value"].text, Repeat("a", 32766));
  EXPECT_EQ((*cells.at({4, 1}))["value"].text, Repeat("щ", 32767));
  EXPECT_EQ((*cells.at({5, 1}))["value"].text, "после длинных");
  EXPECT_TRUE(dump["records"]["extsst_ok"].boolean);
  EXPECT_LE(dump["records"]["max_record_length"].Int(), 8224);
}

TEST_F(XlsWriterTest, RepeatedTextsAndMalformedUtf8AreStoredSoundly) {
  Sheet sheet;
  for (int row = 1; row <= 50; ++row) sheet.SetValue(row, 1, std::string(row % 2 ? "итого" : "всего"));
  sheet.SetValue(51, 1, std::string("bad \xFF\xC3 end"));
  const Json dump = WriteAndDump(sheet);
  const CellMap cells = CellsByPosition(dump);
  EXPECT_EQ((*cells.at({1, 1}))["value"].text, "итого");
  EXPECT_EQ((*cells.at({50, 1}))["value"].text, "всего");
  EXPECT_EQ((*cells.at({51, 1}))["value"].text, "bad \xEF\xBF\xBD\xEF\xBF\xBD end");
}

TEST_F(XlsWriterTest, EmptySheetIsAValidWorkbookWithDefaults) {
  const Json dump = WriteAndDump(Sheet());
  EXPECT_EQ(dump["sheets"][0].text, "Смета");
  EXPECT_TRUE(dump["cells"].items.empty());
  EXPECT_TRUE(dump["gridlines"].boolean);
  EXPECT_NEAR(dump["margins"]["left"].number, 0.75, 1e-12);
  EXPECT_NEAR(dump["margins"]["top"].number, 1.0, 1e-12);
  EXPECT_GE(dump["records"]["fonts"].Int(), 5);
  EXPECT_TRUE(dump["records"]["boundsheet_points_at_bof"].boolean);
}

TEST_F(XlsWriterTest, ZeroSizesHideAndTheLargestSizesFit) {
  Sheet sheet;
  sheet.SetValue(1, 1, 1.0);
  sheet.SetColumnWidth("B1", 0);
  sheet.SetColumnWidth("C1", 255);
  sheet.SetRowHeight("A2", 0);
  sheet.SetRowHeight("A3", 409);
  sheet.SetRowHeight("A60000", 12);  // beyond the last row with cells
  const Json dump = WriteAndDump(sheet);
  EXPECT_EQ(dump["hidden_columns"].items.size(), 1u);
  EXPECT_EQ(dump["hidden_columns"][0].Int(), 2);
  EXPECT_EQ(dump["columns"]["3"].Int(), 255 * 256);
  EXPECT_TRUE(dump["rows"]["2"]["hidden"].boolean);
  EXPECT_EQ(dump["rows"]["3"]["height"].Int(), 8180);
  EXPECT_EQ(dump["rows"]["60000"]["height"].Int(), 240);
}

TEST_F(XlsWriterTest, ReplacesAnExistingFileAndLeavesNoTemporaryBehind) {
  const auto file = folder_ / "смета.xls";
  { std::ofstream(file) << "old contents"; }
  Sheet sheet;
  sheet.SetValue(1, 1, std::string("новая"));
  WriteXls(sheet, file);
  EXPECT_EQ((*CellsByPosition(Dump(file)).at({1, 1}))["value"].text, "новая");
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder_.path())) {
    names.push_back(entry.path().filename().string());
  }
  EXPECT_EQ(names, std::vector<std::string>{"смета.xls"});
}

TEST_F(XlsWriterTest, MissingFolderIsAnErrorAndCreatesNothing) {
  const auto file = folder_ / "нет такой" / "смета.xls";
  try {
    WriteXls(Sheet(), file);
    FAIL() << "no error";
  } catch (const SheetOperationError& error) {
    const std::string message = error.what();
    EXPECT_EQ(message.rfind("Не удалось записать книгу «" + file.string() + "»: ", 0), 0u) << message;
    EXPECT_NE(message.find("не найдена"), std::string::npos) << message;
    EXPECT_EQ(message.back(), '.');
  }
  EXPECT_FALSE(std::filesystem::exists(folder_ / "нет такой"));
  EXPECT_TRUE(std::filesystem::is_empty(folder_.path()));
}

TEST_F(XlsWriterTest, TargetThatIsAFolderIsAnError) {
  std::filesystem::create_directory(folder_ / "смета.xls");
  EXPECT_THROW(WriteXls(Sheet(), folder_ / "смета.xls"), SheetOperationError);
  EXPECT_TRUE(std::filesystem::is_directory(folder_ / "смета.xls"));
}

// Lowers the file size limit for the current process while it lives, so a
// write fails half way even for root.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    previousHandler_ = ::signal(SIGXFSZ, SIG_IGN);
    ::getrlimit(RLIMIT_FSIZE, &previous_);
    rlimit lowered = previous_;
    lowered.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &lowered);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &previous_);
    ::signal(SIGXFSZ, previousHandler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit previous_{};
  sighandler_t previousHandler_;
};

TEST_F(XlsWriterTest, FailedWriteLeavesTheEarlierFileIntactAndNoTemporary) {
  const auto file = folder_ / "смета.xls";
  { std::ofstream(file) << "earlier estimate"; }
  const Sheet sheet = EstimateLikeSheet();
  {
    FileSizeLimit limit(20000);
    EXPECT_THROW(WriteXls(sheet, file), SheetOperationError);
  }
  std::ifstream in(file);
  std::stringstream contents;
  contents << in.rdbuf();
  EXPECT_EQ(contents.str(), "earlier estimate");
  std::size_t entries = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder_.path())) ++entries;
  EXPECT_EQ(entries, 1u);
}

TEST_F(XlsWriterTest, TooManyDistinctFormatsIsAnErrorNotABrokenFile) {
  const auto file = folder_ / "смета.xls";
  { std::ofstream(file) << "earlier estimate"; }
  Sheet sheet;
  for (int i = 0; i < 4000; ++i) {
    const std::string address = "A" + std::to_string(i + 1);
    sheet.SetFontSize(address, 1 + i * 0.05);
  }
  try {
    WriteXls(sheet, file);
    FAIL() << "no error";
  } catch (const SheetOperationError& error) {
    EXPECT_NE(std::string(error.what()).find("форматов"), std::string::npos) << error.what();
  }
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  EXPECT_EQ(line, "earlier estimate");
}

TEST_F(XlsWriterTest, SaveAsPicksTheXlsWriterForOtherExtensions) {
  Sheet sheet;
  sheet.SetValue(1, 1, 42.0);
  sheet.SaveAs(folder_ / "смета.XLS");
  EXPECT_EQ((*CellsByPosition(Dump(folder_ / "смета.XLS")).at({1, 1}))["value"].number, 42.0);
}

}  // namespace
}  // namespace verdin
