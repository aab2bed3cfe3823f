// The sheet laid out on printed pages: column and row sizes, breaks only
// between rows, item blocks kept together, the heading repeated, and no
// empty pages from formats alone.
#include "workbook/sheet_pages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <numeric>
#include <set>
#include <string>

#include "estimate_records.h"
#include "workbook/estimate_sheet.h"

namespace verdin {
namespace {

// Wrapped texts need no more than the sheet gives them.
const TextHeight kNoText = [](const std::string&, const CellFormat&, double) { return 0.0; };

// The page each row is first placed on.
std::vector<int> PageOfRow(const PageLayout& layout, int lastRow, int headingRow) {
  std::vector<int> page(static_cast<std::size_t>(lastRow) + 1, -1);
  for (std::size_t p = 0; p < layout.pages.size(); ++p) {
    for (std::size_t i = 0; i < layout.pages[p].rows.size(); ++i) {
      const int row = layout.pages[p].rows[i];
      const bool repeated = row == headingRow && p > 0 && i == 0 && page[static_cast<std::size_t>(row)] >= 0;
      if (repeated) continue;
      EXPECT_EQ(page[static_cast<std::size_t>(row)], -1) << "row " << row << " placed twice";
      page[static_cast<std::size_t>(row)] = static_cast<int>(p);
    }
  }
  return page;
}

double PageHeight(const PageLayout& layout, const SheetPage& page) {
  double height = 0;
  for (int row : page.rows) height += layout.RowHeight(row);
  return height;
}

TEST(SheetPagesTest, ColumnWidthsInPoints) {
  const std::pair<double, double> cases[] = {{8.43, 48}, {4, 24.75}, {19, 103.5}, {25, 135}, {0, 0}, {-3, 0}, {0.5, 4.5}};
  for (const auto& [characters, points] : cases) EXPECT_DOUBLE_EQ(ColumnWidthPoints(characters), points) << characters;
}

class EstimatePagesTest : public ::testing::Test {
 protected:
  Sheet Build(int items, int coefficientsPerItem) {
    Estimate estimate;
    testing::Coefficients coefficients;
    for (int j = 0; j < coefficientsPerItem; ++j) coefficients.emplace_back("К" + std::to_string(j + 1), 1.1);
    for (int k = 0; k < items; ++k) testing::AddItem(estimate, PricingMode::NormTable, 100 + k, coefficients);
    const GeneralData general = testing::ShippedGeneralData();
    const EstimateFigures figures = ComputeEstimateFigures(estimate, general, false, {});
    CaptionOnlyProgress progress;
    EstimateSheet built = BuildEstimateSheet(estimate, general, figures, false, progress);
    EXPECT_EQ(built.errorCode, kSheetBuilt) << built.errorText;
    return std::move(built.sheet);
  }
  PageSetup setup_{.headingRow = kEstimateHeadingRow};
};

TEST_F(EstimatePagesTest, ItemBlocksStayOnOnePageAndTheHeadingRepeats) {
  for (const int coefficients : {0, 2, 5}) {
    SCOPED_TRACE(coefficients);
    const Sheet sheet = Build(50, coefficients);
    const PageLayout layout = LayOutPages(sheet, setup_, kNoText);
    ASSERT_GT(layout.pages.size(), 1u);
    const int lastRow = static_cast<int>(layout.rowHeights.size());
    const std::vector<int> page = PageOfRow(layout, lastRow, kEstimateHeadingRow);
    for (int row = 1; row <= lastRow; ++row) EXPECT_GE(page[static_cast<std::size_t>(row)], 0) << "row " << row;
    for (const CellRange& merged : sheet.Merges()) {
      EXPECT_EQ(page[static_cast<std::size_t>(merged.firstRow)], page[static_cast<std::size_t>(merged.lastRow)])
          << "merge from row " << merged.firstRow << " to " << merged.lastRow << " split";
    }
    const double room = layout.printableHeight / layout.scale;
    for (std::size_t p = 0; p < layout.pages.size(); ++p) {
      EXPECT_LE(PageHeight(layout, layout.pages[p]), room + 1e-9) << "page " << p + 1;
      if (p > 0) {
        EXPECT_EQ(layout.pages[p].rows.front(), kEstimateHeadingRow) << "page " << p + 1;
        EXPECT_GT(layout.pages[p].rows.size(), 1u) << "page " << p + 1 << " holds only the heading";
      }
    }
    // The table fits the paper's width without shrinking.
    EXPECT_DOUBLE_EQ(layout.scale, 1);
    EXPECT_EQ(layout.columnWidths.size(), 5u);
  }
}

TEST(SheetPagesTest, FormatsAloneAddNoPagesOrColumns) {
  Sheet sheet;
  sheet.SetFontName("A1:H500", "Times New Roman");
  sheet.SetWrapText("A1:H500", true);
  sheet.SetValue(2, 2, "Текст");
  const PageLayout layout = LayOutPages(sheet, {}, kNoText);
  EXPECT_EQ(layout.pages.size(), 1u);
  EXPECT_EQ(layout.rowHeights.size(), 2u);
  EXPECT_EQ(layout.columnWidths.size(), 2u);
}

TEST(SheetPagesTest, RowsGrowForTextsTheSheetGivesTooLittleRoom) {
  Sheet sheet;
  sheet.SetValue(1, 1, "длинный");
  sheet.SetRowHeight("A1", 20);
  sheet.SetValue(2, 1, "короткий");
  sheet.SetRowHeight("A2", 20);
  sheet.SetValue(3, 2, "сливается вниз");
  sheet.Merge("B3:B4");
  sheet.SetFontSize("A5", 20);
  sheet.SetValue(5, 1, "крупный");
  const TextHeight measured = [](const std::string& text, const CellFormat&, double) {
    return text == "длинный" ? 50.0 : text == "сливается вниз" ? 40.0 : 10.0;
  };
  const PageLayout layout = LayOutPages(sheet, {}, measured);
  EXPECT_DOUBLE_EQ(layout.RowHeight(1), 50);
  EXPECT_DOUBLE_EQ(layout.RowHeight(2), 20);
  EXPECT_DOUBLE_EQ(layout.RowHeight(3), kStandardRowHeight);
  EXPECT_DOUBLE_EQ(layout.RowHeight(4), 40 - kStandardRowHeight);
  EXPECT_DOUBLE_EQ(layout.RowHeight(5), 25.5);
}

TEST(SheetPagesTest, ABlockHigherThanAPageBreaksBetweenItsRowsAndEnds) {
  Sheet sheet;
  for (int row = 1; row <= 300; ++row) sheet.SetValue(row, 2, "строка " + std::to_string(row));
  sheet.Merge("A1:A300");
  const TextHeight measured = [](const std::string& text, const CellFormat&, double) {
    return text == "строка 150" ? 5000.0 : 0.0;  // higher than the paper
  };
  const PageLayout layout = LayOutPages(sheet, {}, measured);
  ASSERT_GT(layout.pages.size(), 2u);
  std::vector<int> rows;
  for (const SheetPage& page : layout.pages) {
    EXPECT_FALSE(page.rows.empty());
    EXPECT_LE(PageHeight(layout, page), layout.printableHeight + 1e-9);
    rows.insert(rows.end(), page.rows.begin(), page.rows.end());
  }
  EXPECT_EQ(rows.size(), 300u);
  EXPECT_TRUE(std::is_sorted(rows.begin(), rows.end()));
}

TEST(SheetPagesTest, WideColumnsShrinkToThePaper) {
  Sheet sheet;
  sheet.SetColumnWidth("A1", 200);
  sheet.SetValue(1, 1, "широкая");
  const PageLayout layout = LayOutPages(sheet, {}, kNoText);
  EXPECT_LT(layout.scale, 1);
  EXPECT_NEAR(layout.ColumnWidth(1) * layout.scale, layout.printableWidth, 1e-9);
}

TEST(SheetPagesTest, MarginsWithoutRoomAreRefused) {
  Sheet sheet;
  sheet.SetValue(1, 1, "текст");
  sheet.SetMargins(400, 400, 10, 10);
  EXPECT_THROW(LayOutPages(sheet, {}, kNoText), SheetOperationError);
  sheet.SetMargins(10, 10, 500, 500);
  EXPECT_THROW(LayOutPages(sheet, {}, kNoText), SheetOperationError);
}

TEST(SheetPagesTest, TheHeadingIsNotLeftAloneAtTheFootOfAPage) {
  Sheet sheet;
  sheet.SetMargins(0, 0, 0, 0);
  for (int row = 1; row <= 12; ++row) sheet.SetValue(row, 1, std::to_string(row));
  sheet.SetRowHeight("A1:A9", 80);  // 720 of 841.89 points, room for the heading but not the row after it
  sheet.SetRowHeight("A10:A12", 70);
  const PageLayout layout = LayOutPages(sheet, {.headingRow = 10}, kNoText);
  ASSERT_EQ(layout.pages.size(), 2u);
  EXPECT_EQ(layout.pages[0].rows.back(), 9);
  EXPECT_EQ(layout.pages[1].rows, (std::vector<int>{10, 11, 12}));
}

// Random sheets on random paper: row heights in hundredths of a point
// (decimal sizes that binary fractions only approach), some rows higher
// than the page, a heading row that may be high itself, cells merged down
// over a few rows, and paper that the first rows fill exactly.
struct RandomSheet {
  Sheet sheet;
  PageSetup setup;
  TextHeight textHeight;
  int lastRow = 0;
  std::vector<bool> blockStart;  // by row: whether the row may begin a page
};

RandomSheet MakeRandomSheet(std::mt19937& random) {
  const auto draw = [&random](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
  RandomSheet made;
  made.lastRow = draw(1, 40);
  made.sheet.SetMargins(0, 0, 0, 0);
  const int roomHundredths = draw(2000, 90000);
  std::vector<int> heights;
  for (int row = 1; row <= made.lastRow; ++row) {
    const int kind = draw(0, 9);
    heights.push_back(kind == 0 ? draw(roomHundredths / 2, roomHundredths * 2) : draw(1, roomHundredths / 4));
  }
  made.setup.width = 595.28;
  made.setup.height = roomHundredths / 100.0;
  if (draw(0, 2) == 0) {  // the first rows fill the page exactly
    const int rows = draw(1, made.lastRow);
    int sum = 0;
    for (int i = 0; i < rows; ++i) sum += heights[static_cast<std::size_t>(i)];
    made.setup.height = sum / 100.0;
  }
  for (int row = 1; row <= made.lastRow; ++row) {
    made.sheet.SetValue(row, 2, std::to_string(row));
    // A sheet row is at most 409 points high; a text makes it higher.
    made.sheet.SetRowHeight("B" + std::to_string(row), std::min(heights[static_cast<std::size_t>(row - 1)], 40900) / 100.0);
  }
  made.textHeight = [heights](const std::string& text, const CellFormat&, double) {
    return heights[static_cast<std::size_t>(std::stoi(text) - 1)] / 100.0;
  };
  made.setup.headingRow = draw(0, 1) == 0 ? 0 : draw(1, made.lastRow);
  made.blockStart.assign(static_cast<std::size_t>(made.lastRow) + 1, true);
  for (int row = 1; row + 1 <= made.lastRow; row += draw(1, 4)) {
    if (draw(0, 3) != 0) continue;
    const int last = std::min(made.lastRow, row + draw(1, 2));
    made.sheet.Merge("A" + std::to_string(row) + ":A" + std::to_string(last));
    for (int tied = row + 1; tied <= last; ++tied) made.blockStart[static_cast<std::size_t>(tied)] = false;
    row = last;
  }
  const int heading = made.setup.headingRow;
  if (heading > 0 && heading < made.lastRow) made.blockStart[static_cast<std::size_t>(heading) + 1] = false;
  return made;
}

// The height of the rows kept together from `row` on.
double BlockHeight(const PageLayout& layout, const RandomSheet& made, int row) {
  double height = layout.RowHeight(row);
  for (int next = row + 1; next <= made.lastRow && !made.blockStart[static_cast<std::size_t>(next)]; ++next) {
    height += layout.RowHeight(next);
  }
  return height;
}

TEST(SheetPagesTest, RandomPagesHoldEveryRowOnceAndBreakOnlyWhenTheNextRowsDoNotFit) {
  std::mt19937 random(20261208);
  for (int round = 0; round < 3000; ++round) {
    const RandomSheet made = MakeRandomSheet(random);
    SCOPED_TRACE("round " + std::to_string(round) + ", heading " + std::to_string(made.setup.headingRow) +
                 ", paper " + std::to_string(made.setup.height));
    const PageLayout layout = LayOutPages(made.sheet, made.setup, made.textHeight);
    const double room = layout.printableHeight / layout.scale;
    const int heading = made.setup.headingRow;
    std::vector<int> order;
    for (std::size_t p = 0; p < layout.pages.size(); ++p) {
      const std::vector<int>& rows = layout.pages[p].rows;
      ASSERT_FALSE(rows.empty());
      EXPECT_LE(PageHeight(layout, layout.pages[p]), room + 1e-6) << "page " << p + 1;
      const int next = static_cast<int>(order.size()) + 1;
      const bool repeats = p > 0 && heading > 0 && next > heading;
      if (repeats) {
        EXPECT_EQ(rows.front(), heading) << "page " << p + 1;
      }
      EXPECT_FALSE(heading > 0 && heading < made.lastRow && rows.size() == 1 && rows.front() == heading)
          << "page " << p + 1 << " holds the heading alone";
      ASSERT_GT(rows.size(), repeats ? 1u : 0u) << "page " << p + 1;
      order.insert(order.end(), rows.begin() + (repeats ? 1 : 0), rows.end());
      if (p == 0) continue;
      // The page before ends only when the rows beginning this one would not fit on it.
      const int first = rows[repeats ? 1 : 0];
      const double following = made.blockStart[static_cast<std::size_t>(first)] ? BlockHeight(layout, made, first)
                                                                                  : layout.RowHeight(first);
      EXPECT_GT(PageHeight(layout, layout.pages[p - 1]) + following, room + 1e-3) << "needless break before page " << p + 1;
    }
    std::vector<int> all(static_cast<std::size_t>(made.lastRow));
    std::iota(all.begin(), all.end(), 1);
    ASSERT_EQ(order, all);
    if (::testing::Test::HasFailure()) return;
  }
}

}  // namespace
}  // namespace verdin
