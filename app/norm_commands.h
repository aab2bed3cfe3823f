// The norm database commands of verdin-batch: export-norms, import-norms
// and norms-info.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace verdin {

// True for the three commands.
bool IsNormCommand(const std::string& command);

// Runs one of them on the data folder; prints results on stdout, problems
// and errors in Russian on stderr. Returns the exit status: 0 done, 1 a
// problem with the files, 2 a usage error (the message is printed).
int RunNormCommand(const std::string& command, const std::vector<std::string>& args,
                   const std::filesystem::path& dataFolder);

}  // namespace verdin
