// A norm database of the full size — 200 tables of 30 rows of 30 points,
// 50 industry coefficients, 200 notes, 50 percentage lines — or a share of
// it, written into a temporary folder for the benchmarks. A share scales
// the tables, which hold nearly all the lines, so that loading times of
// 25, 50 and 100 per cent show how the loader grows with the database.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/folders.h"
#include "core/limits.h"
#include "core/line_file.h"
#include "core/norm_loader.h"
#include "core/platform_files.h"
#include "core/text_forms.h"

namespace {

// The number of tables of a database of `percent` of the full size; never
// fewer than the loader accepts (the special entries and one norm table).
inline int TablesForShare(int percent) {
  return std::max(verdin::kMaxTables * percent / 100, verdin::kSpecialEntries + 2);
}

inline std::vector<std::string> FullSizeTables(int tableCount = verdin::kMaxTables) {
  std::vector<std::string> lines = {"* Полноразмерная база для замера загрузки"};
  for (int t = 1; t <= tableCount; ++t) {
    lines.push_back("\\" + std::to_string(t) + ".1. Таблица базовых цен на проектирование зданий № " +
                    std::to_string(t));
    for (int r = 1; r <= verdin::kMaxRows; ++r) {
      lines.push_back("/" + std::to_string(r) + ". Здания и сооружения, пункт " + std::to_string(r));
      for (int p = 1; p <= verdin::kMaxPoints; ++p) {
        const double x = 100.0 * p * p;
        const double price = 1850.25 * std::pow(x, 0.62);
        lines.push_back(verdin::GeneralForm(x) + "; " + verdin::GeneralForm(std::floor(price * 100) / 100) +
                        "; общая площадь, м2");
      }
    }
    if (t % 2 == 0 && t < tableCount) lines.push_back("*");
  }
  lines.push_back("\\END");
  return lines;
}

class FullSizeDatabase {
 public:
  explicit FullSizeDatabase(int percent = 100) {
    if (verdin::platform::CreatePrivateFolder(std::filesystem::temp_directory_path(), "verdin-bench-", folder_) != 0) {
      std::abort();
    }
    verdin::WriteLineFile(verdin::FileInFolder(folder_, verdin::kTablesFileName),
                          FullSizeTables(TablesForShare(percent)));
    std::vector<std::string> coefficients, notes, percentages;
    for (int n = 1; n <= verdin::kMaxIndustryCoefficients; ++n) {
      coefficients.push_back("Отрасль " + std::to_string(n) + "; 1,0" + std::to_string(n % 10));
    }
    for (int k = 1; k <= verdin::kMaxNotes; ++k) {
      notes.push_back("\\Примечание к таблице " + std::to_string(k));
      notes.push_back("Цены демонстрационные, приведены для примера.");
      notes.push_back("При проектировании в сложных условиях применяется коэффициент 1,1.");
    }
    notes.push_back("\\END");
    for (int i = 1; i <= verdin::kMaxPercentageLines; ++i) {
      percentages.push_back(std::to_string(i) + ".5;4.2;4.8;5.5;6.3;7.2");
    }
    verdin::WriteLineFile(verdin::FileInFolder(folder_, verdin::kIndustryFileName), coefficients);
    verdin::WriteLineFile(verdin::FileInFolder(folder_, verdin::kNotesFileName), notes);
    verdin::WriteLineFile(verdin::FileInFolder(folder_, verdin::kPercentageFileName), percentages);
  }
  ~FullSizeDatabase() { std::filesystem::remove_all(folder_); }
  FullSizeDatabase(const FullSizeDatabase&) = delete;
  FullSizeDatabase& operator=(const FullSizeDatabase&) = delete;
  const std::filesystem::path& folder() const { return folder_; }

 private:
  std::filesystem::path folder_;
};

}  // namespace
