// The estimate as a PDF document, read back with poppler's pdftotext and
// pdfinfo: every text of the sheet on A4 pages, the heading and the page
// numbers on every page, and the file replaced only when it was written.
#include "ui/pdf/sheet_pdf.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "core/text_forms.h"
#include "estimate_records.h"
#include "test_support.h"
#include "workbook/estimate_sheet.h"

namespace verdin {
namespace {

// Blanks and line breaks as single blanks, so that a wrapped text reads as one line.
std::string Collapsed(const std::string& text) { return std::regex_replace(text, std::regex("\\s+"), " "); }

bool HaveTool(const char* tool) {
  return testing::RunCommand(std::string("command -v ") + tool + " >/dev/null 2>&1").status == 0;
}

class EstimatePdfTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { support_ = new PdfPaintingSupport; }
  static void TearDownTestSuite() {
    delete support_;
    support_ = nullptr;
  }
  void SetUp() override {
    if (!HaveTool("pdftotext") || !HaveTool("pdfinfo")) GTEST_SKIP() << "poppler-utils (pdftotext, pdfinfo) missing";
  }

  // A sheet of `items` items named "Корпус N-й очереди" with two coefficients each.
  Sheet Build(int items) {
    for (int k = 0; k < items; ++k) {
      testing::AddItem(estimate_, PricingMode::NormTable, 1000.125 + k, {{"Кусл", 1.2}, {"Кзим", 1.05}});
      estimate_.items.back().name = "Корпус " + std::to_string(k + 1) + "-й очереди";
    }
    figures_ = ComputeEstimateFigures(estimate_, general_, false, {});
    CaptionOnlyProgress progress;
    EstimateSheet built = BuildEstimateSheet(estimate_, general_, figures_, false, progress);
    EXPECT_EQ(built.errorCode, kSheetBuilt) << built.errorText;
    return std::move(built.sheet);
  }

  std::string Text(const std::filesystem::path& pdf) {
    const auto output = testing::RunCommand("pdftotext -raw -enc UTF-8 " + testing::ShellQuoted(pdf.string()) + " -");
    EXPECT_EQ(output.status, 0);
    return output.text;
  }

  static inline PdfPaintingSupport* support_ = nullptr;
  Estimate estimate_;
  GeneralData general_ = testing::ShippedGeneralData();
  EstimateFigures figures_;
  testing::TempFolder folder_;
};

TEST_F(EstimatePdfTest, FiftyItemsReadBackOnA4Pages) {
  const Sheet sheet = Build(50);
  const auto file = folder_ / "смета.pdf";
  WriteSheetPdf(sheet, sheet.RepeatedRow(), file);

  const auto info = testing::RunCommand("pdfinfo " + testing::ShellQuoted(file.string()));
  ASSERT_EQ(info.status, 0);
  EXPECT_NE(info.text.find("(A4)"), std::string::npos) << info.text;
  std::smatch pages;
  ASSERT_TRUE(std::regex_search(info.text, pages, std::regex("Pages:\\s+(\\d+)")));
  const int count = std::stoi(pages[1]);
  EXPECT_GT(count, 1);

  const std::string raw = Text(file);
  const std::string text = Collapsed(raw);
  for (int k = 1; k <= 50; ++k) {
    const std::string name = "Корпус " + std::to_string(k) + "-й очереди";
    EXPECT_NE(text.find(name), std::string::npos) << name;
  }
  const std::vector<std::string> expected = {
      "Смета № 2008/11", "на проектно-изыскательские работы", figures_.total.caption,
      GeneralForm(figures_.total.SumRazd), GeneralForm(figures_.SumAll), figures_.wordsLine,
      "Р.Т Бельчар", "О.К. Дорсинская", "Зам. директора по экономике"};
  for (const std::string& wanted : expected) EXPECT_NE(text.find(Collapsed(wanted)), std::string::npos) << wanted;
  // The heading and the page number on every page.
  for (int page = 1; page <= count; ++page) {
    const std::string number = "Страница " + std::to_string(page) + " из " + std::to_string(count);
    EXPECT_NE(text.find(number), std::string::npos) << number;
  }
  std::size_t headings = 0;
  for (std::size_t at = 0; (at = text.find("Стоимость, тыс.руб.", at)) != std::string::npos; ++at) ++headings;
  EXPECT_EQ(headings, static_cast<std::size_t>(count));
  // Numbers with the decimal comma, as the sheet shows them.
  EXPECT_NE(raw.find("1,2"), std::string::npos);
  EXPECT_EQ(std::regex_search(raw, std::regex("\\d\\.\\d{3}\\b")), false);
}

TEST_F(EstimatePdfTest, AFailedWritingKeepsTheEarlierFile) {
  const Sheet sheet = Build(1);
  const auto missing = folder_ / "нет-папки" / "смета.pdf";
  EXPECT_THROW(WriteSheetPdf(sheet, sheet.RepeatedRow(), missing), SheetOperationError);
  EXPECT_FALSE(std::filesystem::exists(missing));

  const auto file = folder_ / "смета.pdf";
  testing::PutBytes(file, "прежняя смета");
  std::filesystem::permissions(folder_.path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  bool refused = false;
  try {
    WriteSheetPdf(sheet, sheet.RepeatedRow(), file);
  } catch (const SheetOperationError& error) {
    refused = true;
    EXPECT_NE(std::string(error.what()).find("PDF"), std::string::npos) << error.what();
  }
  std::filesystem::permissions(folder_.path(), std::filesystem::perms::owner_all);
  if (refused) {  // root may write anyway
    EXPECT_EQ(testing::Bytes(file), "прежняя смета");
  }
}

}  // namespace
}  // namespace verdin
