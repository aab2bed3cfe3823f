#include "ui/pdf/shipped_fonts.h"

#include <QFontDatabase>
#include <QStringList>

#include <algorithm>
#include <array>
#include <system_error>

#include "core/platform_files.h"
#include "core/line_file.h"

namespace verdin {

namespace {

constexpr const char* kShippedFamily = "Liberation Serif";
constexpr std::array kShippedFiles = {"LiberationSerif-Regular.ttf", "LiberationSerif-Bold.ttf"};

// Adds both shipped files from the first folder that holds them to the
// application's font database; their ids, or none.
std::vector<int> AddShippedFonts() {
  const auto self = platform::ProgramFile();
  if (self.empty()) return {};
  std::error_code error;
  for (const auto& folder : ShippedFontFolders(self.parent_path())) {
    const bool present = std::all_of(kShippedFiles.begin(), kShippedFiles.end(), [&](const char* file) {
      return std::filesystem::is_regular_file(folder / file, error);
    });
    if (!present) continue;
    std::vector<int> ids;
    for (const char* file : kShippedFiles) {
      const int id = QFontDatabase::addApplicationFont(QString::fromStdString(PathText(folder / file)));
      if (id < 0) return {};
      ids.push_back(id);
    }
    return ids;
  }
  return {};
}

// True when the shipped family is in the application's font database. The
// files are added on the first question, and again when the database was
// made anew (a later Qt application of the same process).
bool ShippedFontsAdded() {
  static std::vector<int> ids;
  if (ids.empty() || QFontDatabase::applicationFontFamilies(ids.front()).isEmpty()) ids = AddShippedFonts();
  return !ids.empty();
}

}  // namespace

std::vector<std::filesystem::path> ShippedFontFolders(const std::filesystem::path& programFolder) {
  return {programFolder / "fonts", programFolder.parent_path() / "share" / "verdin" / "fonts"};
}

QString ShippedFamily(const std::string& name) {
  if (QString::fromStdString(name).compare(QLatin1String("Times New Roman"), Qt::CaseInsensitive) != 0) return {};
  return ShippedFontsAdded() ? QString::fromLatin1(kShippedFamily) : QString();
}

}  // namespace verdin
