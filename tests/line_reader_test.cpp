#include "core/line_reader.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace verdin {
namespace {

using Lines = std::vector<std::string>;
using namespace std::string_literals;

// A fault as the tests' own kind of file reports it.
class TestFault : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Words faults the common way and keeps the default wording of a file cut
// short.
class TestFaults : public LineFaults {
 public:
  void Fault(std::size_t line, const std::string& detail) const override {
    throw TestFault(LineFaultMessage("Файл «проба.txt»", line, detail));
  }
};

// The message of the fault `read` runs into, or "" when it reads through.
template <typename Read>
std::string FaultOf(const Lines& lines, Read read) {
  const TestFaults faults;
  LineReader reader(lines, faults);
  try {
    read(reader);
  } catch (const TestFault& fault) {
    return fault.what();
  }
  return "";
}

struct NumberCase {
  std::string line;
  double value;
};

TEST(LineReaderValues, NumbersWithTheDecimalCommaAndBlankLinesAsZero) {
  const std::vector<NumberCase> cases = {
      {"12,5", 12.5}, {"-3", -3.0}, {"0,001", 0.001}, {"", 0.0}, {"   ", 0.0}, {" \t ", 0.0},
  };
  for (const NumberCase& c : cases) {
    const Lines lines = {c.line};
    const TestFaults faults;
    LineReader reader(lines, faults);
    EXPECT_DOUBLE_EQ(reader.Number("сумма"), c.value) << "«" << c.line << "»";
    EXPECT_TRUE(reader.AtEnd());
  }
}

TEST(LineReaderValues, FlagsCountsAndTexts) {
  const Lines lines = {"1", "0", " ", "7", "0", "первая¶вторая", ""};
  const TestFaults faults;
  LineReader reader(lines, faults);
  EXPECT_TRUE(reader.Flag("флажок"));
  EXPECT_FALSE(reader.Flag("флажок"));
  EXPECT_FALSE(reader.Flag("флажок"));
  EXPECT_EQ(reader.Count("число объектов", 10), 7);
  EXPECT_EQ(reader.Count("число объектов", 10), 0);
  EXPECT_EQ(reader.Text("текст"), "первая\r\nвторая");
  EXPECT_EQ(reader.Text("текст"), "");
  EXPECT_TRUE(reader.AtEnd());
}

struct FaultCase {
  const char* name;
  Lines lines;
  std::function<void(LineReader&)> read;
  std::string message;
};

TEST(LineReaderFaults, NameTheFileTheLineAndWhatWasExpected) {
  const std::string longLine(70, 'x');
  const std::vector<FaultCase> cases = {
      {"not a number", {"1", "abc"},
       [](LineReader& r) { r.Number("сумма");
         r.Number("ставка отчисления 2"); },
       "Файл «проба.txt», строка 2: вместо числа стоит «abc» (ставка отчисления 2)."},
      {"flag other than 0 or 1", {"2"}, [](LineReader& r) { r.Flag("флажок подписи 1"); },
       "Файл «проба.txt», строка 1: флажок подписи 1 должен быть 0 или 1, а стоит «2»."},
      {"count below zero", {"-1"}, [](LineReader& r) { r.Count("число объектов", 10); },
       "Файл «проба.txt», строка 1: число объектов должно быть целым числом от 0 до 10, а стоит «-1»."},
      {"count not whole", {"2,5"}, [](LineReader& r) { r.Count("число объектов", 10); },
       "Файл «проба.txt», строка 1: число объектов должно быть целым числом от 0 до 10, а стоит «2,5»."},
      {"count above the limit", {"11"}, [](LineReader& r) { r.Count("число объектов", 10); },
       "Файл «проба.txt», строка 1: число объектов должно быть целым числом от 0 до 10, а стоит «11»."},
      {"long line quoted in part", {longLine}, [](LineReader& r) { r.Number("сумма"); },
       "Файл «проба.txt», строка 1: вместо числа стоит «" + std::string(60, 'x') + "…» (сумма)."},
      {"long Russian line cut on a character", {std::string(35, 'x') + "ЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖ"},
       [](LineReader& r) { r.Number("сумма"); },
       "Файл «проба.txt», строка 1: вместо числа стоит «" + std::string(35, 'x') +
           "ЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖ…» (сумма)."},
      {"file ends early", {"5"}, [](LineReader& r) { r.Number("сумма");
         r.Text("сводка"); },
       "Файл «проба.txt», строка 2: файл обрывается раньше времени, нет строки «сводка». "
       "Файл повреждён или записан не полностью."},
      {"empty file", {}, [](LineReader& r) { r.Next("первая строка"); },
       "Файл «проба.txt», строка 1: файл обрывается раньше времени, нет строки «первая строка». "
       "Файл повреждён или записан не полностью."},
      {"record cut short", {"1", "2", "3"},
       [](LineReader& r) {
         r.Next("a");
         if (r.Remaining() < 5) r.FailEndedEarly("отметка подписанта № 1");
       },
       "Файл «проба.txt», строка 4: файл обрывается раньше времени, нет строки «отметка подписанта № 1». "
       "Файл повреждён или записан не полностью."},
      {"fault at a chosen line", {"a", "b"}, [](LineReader& r) { r.FailAt(2, "лишняя строка."); },
       "Файл «проба.txt», строка 2: лишняя строка."},
      {"the file as a whole", {"a"}, [](LineReader& r) { r.FailAt(0, "файл пуст."); },
       "Файл «проба.txt»: файл пуст."},
      {"control bytes shown escaped, a NUL does not cut the message",
       {"1\x07 \x1B[2J \0 конец\x7F\r"s},
       [](LineReader& r) { r.Number("сумма"); },
       "Файл «проба.txt», строка 1: вместо числа стоит «1\\x07 \\x1B[2J \\x00 конец\\x7F\\x0D» (сумма)."},
      {"control bytes counted before they are shown", {std::string(59, 'x') + "\x07\x07"},
       [](LineReader& r) { r.Flag("флажок"); },
       "Файл «проба.txt», строка 1: вместо числа стоит «" + std::string(59, 'x') + "\\x07…» (флажок)."},
      {"sound lines read through", {"1", "0", "3"},
       [](LineReader& r) { r.Flag("f");
         r.Number("n");
         r.Count("c", 3); }, ""},
  };
  for (const FaultCase& c : cases) {
    EXPECT_EQ(FaultOf(c.lines, c.read), c.message) << c.name;
  }
}

TEST(LineReaderPosition, LineNumbersLastLineAndWhatRemains) {
  const Lines lines = {"один", "два", "три"};
  const TestFaults faults;
  LineReader reader(lines, faults);
  EXPECT_EQ(reader.LineNumber(), 0u);
  EXPECT_EQ(reader.LastLine(), "");
  EXPECT_EQ(reader.Remaining(), 3u);
  EXPECT_EQ(reader.Next("x"), "один");
  EXPECT_EQ(reader.Next("x"), "два");
  EXPECT_EQ(reader.LineNumber(), 2u);
  EXPECT_EQ(reader.LastLine(), "два");
  EXPECT_EQ(reader.Remaining(), 1u);
  EXPECT_EQ(reader.LineCount(), 3u);
  EXPECT_FALSE(reader.AtEnd());
}

TEST(LineReaderPosition, BlankLinesLeftWithSpacesOrAlsoTabs) {
  const Lines lines = {"данные", "  ", "", "\t", " "};
  const TestFaults faults;
  LineReader reader(lines, faults);
  EXPECT_FALSE(reader.OnlyBlankLinesLeft());
  EXPECT_EQ(reader.NextNonBlankLineNumber(), 1u);
  reader.Next("x");
  // A tab is blank only where the file's rules say so.
  EXPECT_FALSE(reader.OnlyBlankLinesLeft());
  EXPECT_EQ(reader.NextNonBlankLineNumber(), 4u);
  EXPECT_TRUE(reader.OnlyBlankLinesLeft(kSpacesAndTabs));
  EXPECT_EQ(reader.NextNonBlankLineNumber(kSpacesAndTabs), 0u);
}

// A file kind may word a file cut short its own way and count lines as it
// likes.
class CutShortAtLastLine : public TestFaults {
 public:
  void EndedEarly(std::size_t lineCount, std::string_view expected) const override {
    Fault(lineCount, "файл кончается раньше строки «\\END»; ожидалась " + std::string(expected) + ".");
  }
};

TEST(LineReaderFaults, FileKindWordsAFileCutShort) {
  const Lines lines = {"\\Таблица"};
  const CutShortAtLastLine faults;
  LineReader reader(lines, faults);
  reader.Next("заголовок");
  try {
    reader.Next("строка точки");
    FAIL() << "no fault";
  } catch (const TestFault& fault) {
    EXPECT_STREQ(fault.what(),
                 "Файл «проба.txt», строка 1: файл кончается раньше строки «\\END»; ожидалась строка точки.");
  }
}

// Faults that forget to throw are a programming error, not a way to go on
// reading past the end.
class SilentFaults : public LineFaults {
 public:
  void Fault(std::size_t, const std::string&) const override {}
};

TEST(LineReaderFaults, FaultsThatDoNotThrowStopTheReaderAnyway) {
  const Lines lines;
  const SilentFaults faults;
  LineReader reader(lines, faults);
  EXPECT_THROW(reader.Next("строка"), std::logic_error);
  EXPECT_THROW(reader.Fail("ошибка"), std::logic_error);
}

}  // namespace
}  // namespace verdin
