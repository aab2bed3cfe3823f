// Row heights of wrapped texts: lines counted at blanks, long words broken
// inside themselves, rows with their own height or merged over several
// rows left alone.
#include "workbook/row_heights.h"

#include <gtest/gtest.h>

#include <string>

namespace verdin {
namespace {

TEST(FitRowHeights, WrappedTextsGetRowsHighEnoughForTheirLines) {
  EXPECT_EQ(WrappedLines("Короткий", 25, 10, false), 1);
  EXPECT_EQ(WrappedLines("Инженерные изыскания (по договору)", 19, 10, false), 3);
  EXPECT_EQ(WrappedLines("первая\r\nвторая", 25, 10, false), 2);
  EXPECT_EQ(WrappedLines("а\rб\nв", 25, 10, false), 3);          // CR and LF each end a line
  EXPECT_EQ(WrappedLines("а\r\n\r\nб\n", 25, 10, false), 4);  // empty lines count, also the last
  EXPECT_EQ(WrappedLines(std::string(60, 'x'), 19, 10, false), 4);  // a long word breaks inside itself
  EXPECT_GT(WrappedLines("Стоимость проектных работ без НДС", 19, 11, true),
            WrappedLines("Стоимость проектных работ без НДС", 19, 10, false) - 1);

  Sheet sheet;
  sheet.SetColumnWidth("B1", 19);
  sheet.SetValue(3, 2, "Инженерные изыскания (по договору)");
  sheet.SetValue(4, 2, "Инженерные изыскания (по договору)");
  sheet.SetValue(5, 1, "Очень длинный текст в объединенной по строкам ячейке, который не меряют");
  sheet.SetWrapText("A1:E10", true);
  sheet.SetFontSize("A1:E10", 10);
  sheet.SetRowHeight("A4", 50);  // a row with its own height keeps it
  sheet.Merge("A5:A6");
  FitRowHeights(sheet);
  EXPECT_DOUBLE_EQ(*sheet.RowHeight(3), 3 * 12.75);
  EXPECT_EQ(sheet.RowHeight(4), 50);
  EXPECT_FALSE(sheet.RowHeight(5));
  EXPECT_FALSE(sheet.RowHeight(1));
}

// A column 19 wide holds 18 characters of a 10-point text: a word or a
// run of words that fills a line exactly stays on that line.
TEST(FitRowHeights, TextThatExactlyFillsALineTakesNoExtraLine) {
  struct Case {
    std::string text;
    int lines;
  };
  const std::string full(18, 'x');
  const Case cases[] = {
      {full, 1},                               // one word of exactly a line
      {std::string(19, 'x'), 2},               // one character more breaks
      {"аааааааа бббббббББ", 1},               // two words and the blank fill the line
      {full + " " + full, 2},                  // the second word fills the second line
      {full + " " + full + " " + full, 3},
      {std::string(36, 'x'), 2},               // a word of exactly two lines
      {"аа " + full, 2},                       // a full word after a short one starts a line
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WrappedLines(c.text, 19, 10, false), c.lines) << c.text;
  }
  Sheet sheet;
  sheet.SetColumnWidth("B1", 19);
  sheet.SetValue(2, 2, full);
  sheet.SetValue(3, 2, full + " " + full);
  sheet.SetWrapText("A1:E5", true);
  sheet.SetFontSize("A1:E5", 10);
  FitRowHeights(sheet);
  EXPECT_FALSE(sheet.RowHeight(2));
  EXPECT_DOUBLE_EQ(*sheet.RowHeight(3), 2 * 12.75);
}

}  // namespace
}  // namespace verdin
