// Loading the norm database: the four files in the data folder.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>

#include "core/norm_store.h"

namespace verdin {

// File names of the norm database inside the data folder.
inline constexpr const char* kTablesFileName = "ВердинПИР_Таблицы.txt";
inline constexpr const char* kIndustryFileName = "ВердинПИР_Котраслевой.txt";
inline constexpr const char* kNotesFileName = "ВердинПИР_Примечания.txt";
inline constexpr const char* kPercentageFileName = "Вердина ПИР СМР.dat";

// A norm file that is missing or malformed. what() is the Russian message
// for the user; it names the file, the line and what was expected there.
class NormDataError : public std::runtime_error {
 public:
  NormDataError(const std::filesystem::path& file, int line, const std::string& detail);
  explicit NormDataError(const std::string& message);

  const std::filesystem::path& file() const { return file_; }
  int line() const { return line_; }  // 1-based; 0 when the file as a whole is meant

 private:
  std::filesystem::path file_;
  int line_ = 0;
};

// Each reader parses one file of the database into the store's part for
// it. They throw NormDataError and leave the store untouched on failure.
void LoadNormTables(const std::filesystem::path& file, NormStore& store);
void LoadIndustryCoefficients(const std::filesystem::path& file, NormStore& store);
void LoadNotes(const std::filesystem::path& file, NormStore& store);
void LoadPercentageTable(const std::filesystem::path& file, NormStore& store);

// ZagrBaz: loads the four files from the data folder, in the order tables,
// industry coefficients, notes, percentage table. The store is replaced
// only when all four files are sound. A replacement of the files broken
// off half-way (see ReplaceNormFiles) is completed before they are read.
void ZagrBaz(const std::filesystem::path& dataFolder, NormStore& store);

}  // namespace verdin
