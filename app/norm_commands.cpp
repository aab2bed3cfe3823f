#include "app/norm_commands.h"

#include <iostream>
#include <stdexcept>

#include "core/line_file.h"
#include "core/norm_collection.h"
#include "forms/norm_exchange.h"

namespace verdin {

namespace {

int Usage(const std::string& text) {
  std::cerr << "verdin-batch: " << text << "\n";
  return 2;
}

int Export(const std::filesystem::path& folder, const std::filesystem::path& file) {
  ExportNorms(folder, file);
  std::cout << "workbook: " << PathText(file) << "\n";
  return 0;
}

int Import(const std::filesystem::path& folder, const std::filesystem::path& file) {
  const NormImport result = ImportNorms(folder, file);
  if (!result.written) {
    std::cerr << NormImportRefusal(file) << "\n";
    for (const std::string& problem : result.problems) std::cerr << problem << "\n";
    return 1;
  }
  std::cout << "tables: " << result.tableCount << "\n"
            << "database: " << PathText(folder) << "\n";
  return 0;
}

int Info(const std::filesystem::path& folder) {
  const NormIdentity identity = IdentifyNormDatabase(folder);
  std::cout << "name: " << identity.name << "\n"
            << "date: " << identity.date << "\n"
            << "fingerprint: " << identity.fingerprint << "\n"
            << "tables: " << identity.tableCount << "\n"
            << "database: " << NormIdentityText(identity) << "\n";
  return 0;
}

}  // namespace

bool IsNormCommand(const std::string& command) {
  return command == "export-norms" || command == "import-norms" || command == "norms-info";
}

int RunNormCommand(const std::string& command, const std::vector<std::string>& args,
                   const std::filesystem::path& dataFolder) {
  const std::size_t operands = command == "norms-info" ? 0 : 1;
  if (args.size() != operands) {
    return Usage(operands == 0 ? "команда " + command + " не принимает операндов."
                               : "команде " + command + " нужен один файл книги (.xlsx" +
                                     (command == "import-norms" ? " или .xls)." : ")."));
  }
  try {
    if (command == "norms-info") return Info(dataFolder);
    const std::filesystem::path file = PathFromText(args.front());
    return command == "export-norms" ? Export(dataFolder, file) : Import(dataFolder, file);
  } catch (const std::runtime_error& error) {
    std::cerr << error.what() << "\n";
    return 1;
  }
}

}  // namespace verdin
