// The page painting on another device than the PDF writer of
// WriteSheetPdf: a device of another resolution that paints inside
// margins of its own, as a printer does, gives the same pages with every
// word at the same place on the paper. And the PDF work keeps Qt's notice
// about XDG_RUNTIME_DIR off the error stream, but no other message.
#include "ui/pdf/sheet_pdf.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <algorithm>
#include <memory>
#include <regex>
#include <string>
#include <tuple>
#include <vector>

#include "estimate_records.h"
#include "test_support.h"
#include "workbook/estimate_sheet.h"

namespace verdin {
namespace {

struct Word {
  int page;
  double x;
  double y;
  std::string text;
};

// The words of a PDF document with their places, from pdftotext -bbox.
std::vector<Word> Words(const std::filesystem::path& pdf) {
  const auto output = testing::RunCommand("pdftotext -bbox -enc UTF-8 " + testing::ShellQuoted(pdf.string()) + " -");
  EXPECT_EQ(output.status, 0);
  std::vector<Word> words;
  const std::regex page("<page "), word(R"re(<word xMin="([0-9.]+)" yMin="([0-9.]+)"[^>]*>([^<]*)</word>)re");
  int pages = 0;
  std::size_t at = 0;
  for (std::sregex_iterator it(output.text.begin(), output.text.end(), word), end; it != end; ++it) {
    const std::string before = output.text.substr(at, static_cast<std::size_t>(it->position()) - at);
    for (std::sregex_iterator p(before.begin(), before.end(), page), pend; p != pend; ++p) ++pages;
    at = static_cast<std::size_t>(it->position() + it->length());
    words.push_back({pages, std::stod((*it)[1]), std::stod((*it)[2]), (*it)[3]});
  }
  return words;
}

class PaintDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (testing::RunCommand("command -v pdftotext >/dev/null 2>&1").status != 0) {
      GTEST_SKIP() << "poppler-utils (pdftotext) missing";
    }
  }

  Sheet Build(int items) {
    Estimate estimate;
    for (int k = 0; k < items; ++k) {
      testing::AddItem(estimate, PricingMode::NormTable, 2000.5 + k, {{"Кусл", 1.2}});
      estimate.items.back().name = "Корпус " + std::to_string(k + 1);
    }
    const GeneralData general = testing::ShippedGeneralData();
    CaptionOnlyProgress progress;
    EstimateSheet built =
        BuildEstimateSheet(estimate, general, ComputeEstimateFigures(estimate, general, false, {}), false, progress);
    EXPECT_EQ(built.errorCode, kSheetBuilt) << built.errorText;
    return std::move(built.sheet);
  }

  static void SetUpTestSuite() { support_ = std::make_unique<PdfPaintingSupport>(); }
  static void TearDownTestSuite() { support_.reset(); }

  static inline std::unique_ptr<PdfPaintingSupport> support_;
  testing::TempFolder folder_;
};

TEST_F(PaintDeviceTest, ADeviceWithMarginsOfItsOwnGetsTheSamePages) {
  struct Case {
    int items;
    int resolution;   // dots an inch of the device
    bool samePlaces;  // false: the same words on the same pages only
  };
  // Glyph widths are rounded to the device's dots: at another resolution a
  // word of a wrapped text may go to the next line.
  for (const Case c : {Case{3, 1200, true}, Case{30, 1200, true}, Case{30, 600, false}}) {
    SCOPED_TRACE(std::to_string(c.items) + " items at " + std::to_string(c.resolution));
    const Sheet sheet = Build(c.items);
    const auto reference = folder_ / "смета.pdf";
    WriteSheetPdf(sheet, sheet.RepeatedRow(), reference);

    const auto other = folder_ / "с полями.pdf";
    {
      QPdfWriter writer(QString::fromStdString(other.string()));
      writer.setResolution(c.resolution);
      // Margins the device paints inside, as a printer keeps them.
      writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(15, 20, 10, 12),
                                       QPageLayout::Millimeter));
      PaintSheetPages(writer, sheet, kEstimateHeadingRow);
    }

    // Words are paired by page and text, then place, and their places
    // compared (the margins alone would move them by 42 points).
    std::vector<Word> expected = Words(reference);
    std::vector<Word> actual = Words(other);
    const auto order = [](const Word& a, const Word& b) {
      return std::tie(a.page, a.text, a.y, a.x) < std::tie(b.page, b.text, b.y, b.x);
    };
    std::sort(expected.begin(), expected.end(), order);
    std::sort(actual.begin(), actual.end(), order);
    ASSERT_FALSE(expected.empty());
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
      SCOPED_TRACE(expected[i].text);
      EXPECT_EQ(actual[i].text, expected[i].text);
      EXPECT_EQ(actual[i].page, expected[i].page);
      if (!c.samePlaces) continue;
      EXPECT_NEAR(actual[i].x, expected[i].x, 0.5);
      EXPECT_NEAR(actual[i].y, expected[i].y, 0.5);
    }
  }
}

// What reached the handler that was installed before the PDF work.
std::vector<std::string>& Recorded() {
  static std::vector<std::string> recorded;
  return recorded;
}

void Record(QtMsgType, const QMessageLogContext&, const QString& message) {
  Recorded().push_back(message.toStdString());
}

TEST(PdfMessages, OnlyTheRuntimeDirNoticeIsDroppedAndOnlyDuringThePdfWork) {
  Recorded().clear();
  const QtMessageHandler before = qInstallMessageHandler(Record);
  {
    PdfPaintingSupport support;
    {
      PdfPaintingSupport inner;  // a second, nested one changes nothing
      qWarning("QStandardPaths: XDG_RUNTIME_DIR not set, defaulting to '/tmp/runtime-x'");
    }
    qWarning("QStandardPaths: XDG_RUNTIME_DIR not set, defaulting to '/tmp/runtime-y'");
    qWarning("Шрифт не найден");
  }
  qWarning("QStandardPaths: XDG_RUNTIME_DIR not set, defaulting to '/tmp/runtime-z'");
  qInstallMessageHandler(before);
  const auto count = [](const std::string& text) { return std::count(Recorded().begin(), Recorded().end(), text); };
  EXPECT_EQ(count("Шрифт не найден"), 1);
  EXPECT_EQ(count("QStandardPaths: XDG_RUNTIME_DIR not set, defaulting to '/tmp/runtime-x'"), 0);
  EXPECT_EQ(count("QStandardPaths: XDG_RUNTIME_DIR not set, defaulting to '/tmp/runtime-y'"), 0);
  EXPECT_EQ(count("QStandardPaths: XDG_RUNTIME_DIR not set, defaulting to '/tmp/runtime-z'"), 1);
}

}  // namespace
}  // namespace verdin
