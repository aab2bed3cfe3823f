// Reading the norm tables file in its Windows-1251 bytes: lines split as
// they are read, numbers read from the start of a field, the common point
// line read in one pass and every other one the general way, unit texts
// decoded once and shared.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/line_file.h"
#include "core/line_reader.h"
#include "core/norm_loader.h"
#include "core/text_forms.h"
#include "test_support.h"

namespace verdin {
namespace {

using Lines = std::vector<std::string>;
using namespace std::string_literals;

class EndedEarlyFault : public std::runtime_error {
 public:
  explicit EndedEarlyFault(std::size_t line) : std::runtime_error("ended"), line(line) {}
  std::size_t line;
};

class RecordingFaults : public LineFaults {
 public:
  void Fault(std::size_t line, const std::string&) const override { throw EndedEarlyFault(line); }
};

// A reader over the whole content must see the lines a reader over the
// split lines sees, and end at the same place.
TEST(LineReaderOverContent, SameLinesAsTheSplitFile) {
  const std::vector<std::string> contents = {
      "", "a", "a\r\n", "a\nb", "a\r\nb\r\n", "a\r\r\nb", "\n\n", "a\rb\n", "  \n \n", "x\r\n  \r\ny\r\n\r\n",
  };
  const RecordingFaults faults;
  for (const std::string& content : contents) {
    const Lines split = SplitLines(content);
    LineReader bySplit(split, faults);
    LineReader byContent(content, split.size(), faults);
    ASSERT_EQ(byContent.LineCount(), split.size()) << content;
    EXPECT_EQ(byContent.NextNonBlankLineNumber(), bySplit.NextNonBlankLineNumber()) << content;
    while (!bySplit.AtEnd()) {
      ASSERT_FALSE(byContent.AtEnd()) << content;
      EXPECT_EQ(byContent.Next("строка"), bySplit.Next("строка")) << content;
      EXPECT_EQ(byContent.LastLine(), bySplit.LastLine()) << content;
      EXPECT_EQ(byContent.LineNumber(), bySplit.LineNumber()) << content;
      EXPECT_EQ(byContent.OnlyBlankLinesLeft(), bySplit.OnlyBlankLinesLeft()) << content;
      EXPECT_EQ(byContent.NextNonBlankLineNumber(), bySplit.NextNonBlankLineNumber()) << content;
    }
    EXPECT_TRUE(byContent.AtEnd()) << content;
    try {
      byContent.Next("строка");
      ADD_FAILURE() << "read past the end of «" << content << "»";
    } catch (const EndedEarlyFault& fault) {
      EXPECT_EQ(fault.line, split.size() + 1) << content;
    }
  }
}

// Whenever a number is read from the start of a text, the general reader
// gives the same value for the part read; anything else is left to it.
TEST(TypedNumberAtStart, AgreesWithTheGeneralReader) {
  struct Case {
    std::string text;
    std::optional<double> value;
    std::string rest;
  };
  const std::vector<Case> cases = {
      {"1000; 18552,02", 1000, "; 18552,02"},
      {" -12,5 ;x", -12.5, ";x"},
      {"\t8\t;", 8, ";"},
      {"+7,;", 7, ";"},
      {",5", 0.5, ""},
      {"3.25 м", 3.25, "м"},
      {"12 34;", 12, "34;"},
      {"1,2,3;", 1.2, ",3;"},
      // Left to the general way: no digits, an exponent, too many digits.
      {"", std::nullopt, ""},
      {";", std::nullopt, ";"},
      {"- 5;", std::nullopt, "5;"},
      {"пять;", std::nullopt, "пять;"},
      {"99999999999999999999;", std::nullopt, ";"},
  };
  for (const Case& c : cases) {
    std::string_view rest = c.text;
    const std::optional<double> value = TypedNumberAtStart(rest);
    EXPECT_EQ(value, c.value) << c.text;
    if (value) {
      EXPECT_EQ(rest, c.rest) << c.text;
      const std::string_view read = std::string_view(c.text).substr(0, c.text.size() - rest.size());
      EXPECT_EQ(ParseTypedNumber(read), value) << c.text;
    }
  }
  std::string_view exponent = "1,5E3;";
  EXPECT_EQ(TypedNumberAtStart(exponent), 1.5) << "stops before the exponent";
  EXPECT_EQ(exponent, "E3;");
}

class NormTablesReadingTest : public ::testing::Test {
 protected:
  NormStore Load(const Lines& pointLines) {
    Lines lines = {"\\a", "\\b", "\\c", "\\2.1. Т", "/1. р"};
    lines.insert(lines.end(), pointLines.begin(), pointLines.end());
    lines.push_back("\\END");
    return LoadBytes(lines);
  }

  NormStore LoadBytes(const Lines& lines) {
    const auto file = folder_.path() / PathFromText(kTablesFileName);
    testing::WriteLines(file, lines);
    NormStore store;
    LoadNormTables(file, store);
    return store;
  }

  testing::TempFolder folder_;
};

// Point lines of the common form and of every other accepted form read
// alike, with the quirks of the format.
TEST_F(NormTablesReadingTest, PointLinesOfEveryAcceptedForm) {
  struct PointCase {
    std::string line;
    double x;
    double price;
    std::string unit;
  };
  const std::vector<PointCase> cases = {
      {"1000; 18552,02; общая площадь, м2", 1000, 18552.02, "общая площадь, м2"},
      {"1E3; 2,5E1; м", 1000, 25, "м"},
      {"  5000 ; 83289,25 ;м2", 5000, 83289.25, "м2"},
      {"\t7\t; 3\t; м", 7, 3, "м"},
      {"1;;5;м", 1, 5, "м"},
      {"100;83,29; м2", 100, 3.29, "м2"},
      {"7; 3;", 7, 3, ""},
      {"-2,5; 0; м; см", -2.5, 0, "м; см"},
      {"12345678901234567890; 1; м", 12345678901234567890.0, 1, "м"},
  };
  for (const PointCase& c : cases) {
    const NormStore store = Load({c.line});
    ASSERT_EQ(store.Row(3, 0).points.size(), 1U) << c.line;
    const NormPoint& point = store.Row(3, 0).points[0];
    EXPECT_DOUBLE_EQ(point.x, c.x) << c.line;
    EXPECT_DOUBLE_EQ(point.price, c.price) << c.line;
    EXPECT_EQ(point.unit, c.unit) << c.line;
  }
}

TEST_F(NormTablesReadingTest, UnitTextsAreDecodedOnceAndShared) {
  const NormStore store = LoadBytes({"\\a", "\\b", "\\c", "\\2.1. Т", "/1. р", "1; 1; м2", "2; 1; пог. м",
                                     "3; 1; м2", "/2. р", "1; 1; м2", "\\2.2. У", "/1. р", "1; 1; пог. м",
                                     "\\END"});
  const auto& first = store.Row(3, 0).points;
  ASSERT_EQ(first.size(), 3U);
  EXPECT_EQ(first[0].unit, "м2");
  EXPECT_EQ(first[1].unit, "пог. м");
  EXPECT_EQ(first[2].unit, "м2");
  EXPECT_EQ(first[0].unit.view().data(), first[2].unit.view().data());
  EXPECT_EQ(first[0].unit.view().data(), store.Row(3, 1).points[0].unit.view().data());
  EXPECT_EQ(first[1].unit.view().data(), store.Row(4, 0).points[0].unit.view().data());

  // A copy of the store keeps its texts when the original is gone.
  auto copy = std::make_unique<NormStore>(store);
  const NormStore kept = *copy;
  copy.reset();
  EXPECT_EQ(kept.Row(4, 0).points[0].unit, "пог. м");
}

// Copies share the text, which lives until the last copy goes; moving
// leaves the source empty; assigning (also to itself) keeps texts right.
TEST(SharedText, CopiesMovesAndAssignments) {
  auto original = std::make_unique<SharedText>("общая площадь, м2");
  SharedText copy = *original;
  EXPECT_EQ(copy.view().data(), original->view().data());
  original.reset();
  EXPECT_EQ(copy, "общая площадь, м2");

  SharedText moved = std::move(copy);
  EXPECT_TRUE(copy.empty());  // NOLINT: the moved-from state is part of the contract
  EXPECT_EQ(moved, "общая площадь, м2");

  SharedText other("м");
  other = moved;
  EXPECT_EQ(other, "общая площадь, м2");
  const SharedText& same = other;
  other = same;
  EXPECT_EQ(other, "общая площадь, м2");
  other = SharedText();
  EXPECT_TRUE(other.empty());
  EXPECT_EQ(other, "");
  EXPECT_TRUE(SharedText("").empty());
  EXPECT_EQ(moved, "общая площадь, м2");
}

// Only the texts kept are decoded: titles and units come out in UTF-8,
// the byte that Windows-1251 leaves undefined as its control code U+0098,
// and a faulty number is quoted in UTF-8 as well.
TEST_F(NormTablesReadingTest, KeptTextsAndQuotedFaultsAreDecoded) {
  const auto file = folder_.path() / PathFromText(kTablesFileName);
  const std::string table = "\\\xD2\xE0\xE1\xEB\xE8\xF6\xE0 \x98\r\n/\xCF\xF3\xED\xEA\xF2\r\n";  // Таблица, Пункт
  testing::PutBytes(file, "\\a\r\n\\b\r\n\\c\r\n" + table + "1; 2; \xEC\xB2\r\n\\END\r\n");  // мІ
  NormStore store;
  LoadNormTables(file, store);
  EXPECT_EQ(store.Table(3).title, "Таблица \u0098");
  EXPECT_EQ(store.Row(3, 0).title, "Пункт");
  EXPECT_EQ(store.Row(3, 0).points[0].unit, "мІ");

  testing::PutBytes(file, "\\a\r\n\\b\r\n\\c\r\n" + table + "\xEE\xE4\xE8\xED; 2; \xEC\r\n\\END\r\n");  // один
  try {
    LoadNormTables(file, store);
    FAIL() << "the file was accepted";
  } catch (const NormDataError& error) {
    EXPECT_EQ(error.line(), 6);
    EXPECT_NE(std::string(error.what()).find("«один» не является числом"), std::string::npos) << error.what();
  }
}

}  // namespace
}  // namespace verdin
