// Hard limits of the program's tables. Nothing is stored beyond them; the
// input-data file and the norm database are refused when they exceed them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace verdin {

inline constexpr int kMaxTables = 200;            // norm tables, special ones included
inline constexpr int kMaxRows = 30;               // rows (пункты) of one table
inline constexpr int kMaxPoints = 30;             // points of one row
inline constexpr int kMaxNotes = 200;             // notes to the tables
inline constexpr int kMaxIndustryCoefficients = 50;
inline constexpr int kMaxPercentageLines = 50;    // lines of the construction-cost table
inline constexpr int kMaxPercentageFields = 51;   // fields of one such line
inline constexpr int kMaxItems = 50;              // items of one estimate
inline constexpr int kMaxItemCoefficients = 30;   // coefficients applied to one item
inline constexpr int kCoefficientRows = 15;       // rows of the coefficient window
inline constexpr int kGridRows = 23;              // point rows of the main window's grid
inline constexpr int kSpecialEntries = 2;         // highest list index of the special entries
inline constexpr int kCategoryCount = 5;          // complexity categories I–V
inline constexpr int kLastStoredColumn = 20;      // last item column kept in the input-data file
inline constexpr int kChargeRows = 8;             // charge rows of the general data
inline constexpr int kSignatoryRows = 3;          // signatory rows of the general data

// The largest amount or quantity the program takes, types or reads: far
// beyond any real estimate (thousands of roubles), yet small enough that
// every product and sum of the estimate stays finite and that the 15
// significant digits the files keep bring the same number back.
inline constexpr double kMaxAmount = 1e15;

// Sizes of the files read. A larger file is refused before its content is
// read, a file with more lines before they are split apart, so that a
// wrong or damaged file can never exhaust the memory.
//
// An input-data file of 50 items has 40 + 352 × 50 = 17 640 lines and
// about 200 KB; the bounds leave ample room.
inline constexpr std::uintmax_t kMaxInputDataBytes = std::uintmax_t{4} * 1024 * 1024;
inline constexpr std::size_t kMaxInputDataLines = 100'000;
// The norm tables file holds at most 200 tables × 30 rows × 30 points,
// 186 200 lines with the titles; the bounds allow about 180 bytes a line
// and comments and notes beside them.
inline constexpr std::uintmax_t kMaxNormFileBytes = std::uintmax_t{32} * 1024 * 1024;
inline constexpr std::size_t kMaxNormFileLines = 1'000'000;
// The settings file and the window state files have a few dozen lines.
inline constexpr std::uintmax_t kMaxSmallFileBytes = std::uintmax_t{1} * 1024 * 1024;
inline constexpr std::size_t kMaxSmallFileLines = 10'000;

}  // namespace verdin
