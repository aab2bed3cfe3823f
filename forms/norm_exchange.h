// Bringing the norm database out to a workbook and back in: the commands
// behind verdin-batch export-norms / import-norms and the «Нормативная
// база» window.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/norm_collection.h"

namespace verdin {

// Writes the database of `folder` as an .xlsx workbook. Throws
// std::runtime_error with the Russian message (a database that does not
// load, a workbook that cannot be written).
void ExportNorms(const std::filesystem::path& folder, const std::filesystem::path& file);

// What an import did: the problems found in the workbook (each naming its
// sheet and cell), or none and the database written.
struct NormImport {
  std::vector<std::string> problems;
  bool written = false;
  int tableCount = 0;
};

// Reads and checks the workbook; only when it has no problem replaces the
// four files of `folder` with what it holds, all of them or none (the
// replaced files are kept as "<name>.bak"). Throws std::runtime_error with
// the Russian message when the workbook cannot be read at all or the files
// cannot be written; the old database is whole then. `confirm`, when
// given, is asked with the number of tables once the workbook is found
// sound; false leaves the database as it is (nothing written, no problem).
NormImport ImportNorms(const std::filesystem::path& folder, const std::filesystem::path& file,
                       const std::function<bool(int tableCount)>& confirm = {});

// The line that heads the problems of a refused import.
std::string NormImportRefusal(const std::filesystem::path& file);

}  // namespace verdin
