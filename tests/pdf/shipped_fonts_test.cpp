// The PDF draws the sheet's Times New Roman with the fonts shipped beside
// the program (the build folder's fonts/), whatever the system has.
#include "ui/pdf/shipped_fonts.h"

#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QStringList>

#include "ui/pdf/sheet_pdf.h"

namespace verdin {
namespace {

TEST(ShippedFonts, TimesNewRomanIsDrawnWithTheShippedLiberationSerif) {
  const PdfPaintingSupport painting;
  EXPECT_EQ(ShippedFamily("Times New Roman"), QStringLiteral("Liberation Serif"));
  EXPECT_EQ(ShippedFamily("times new roman"), QStringLiteral("Liberation Serif"));
  EXPECT_TRUE(QFontDatabase::styles(QStringLiteral("Liberation Serif")).contains(QStringLiteral("Bold")));
  // Asked again, the fonts are not added twice and the answer stays.
  EXPECT_EQ(ShippedFamily("Times New Roman"), QStringLiteral("Liberation Serif"));
  EXPECT_TRUE(ShippedFamily("Arial").isEmpty());
}

TEST(ShippedFonts, LookedForBesideTheProgramThenInTheInstalledShareFolder) {
  const auto folders = ShippedFontFolders(std::filesystem::path("/opt/verdin/bin"));
  ASSERT_EQ(folders.size(), 2U);
  EXPECT_EQ(folders[0], std::filesystem::path("/opt/verdin/bin/fonts"));
  EXPECT_EQ(folders[1], std::filesystem::path("/opt/verdin/share/verdin/fonts"));
}

}  // namespace
}  // namespace verdin
