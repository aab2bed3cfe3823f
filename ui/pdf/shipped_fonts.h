// The fonts shipped with the program for its PDF documents: Liberation
// Serif, regular and bold, the metric twin of the sheet's Times New Roman.
// Drawing with the shipped files instead of whatever the system has gives
// a PDF the same words, line breaks and bold on every system.
#pragma once

#include <QString>

#include <filesystem>
#include <string>
#include <vector>

namespace verdin {

// The folders the shipped fonts are looked for in, first found first:
// fonts/ beside the program (the build folder, the Windows package) and
// ../share/verdin/fonts (a program installed on Linux).
std::vector<std::filesystem::path> ShippedFontFolders(const std::filesystem::path& programFolder);

// The family that draws the sheet's font `name` with the shipped fonts:
// "Liberation Serif" for Times New Roman once its shipped files are in the
// application's font database (they are added on the first question);
// empty when the name has no shipped twin or its files are not found.
// Needs a Qt GUI application.
QString ShippedFamily(const std::string& name);

}  // namespace verdin
