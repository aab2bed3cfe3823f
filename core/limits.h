// Hard limits of the program's tables. Nothing is stored beyond them; the
// input-data file and the norm database are refused when they exceed them.
#pragma once

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
inline constexpr int kLastStoredColumn = 20;      // last item column kept in the input-data file
inline constexpr int kChargeRows = 8;             // charge rows of the general data
inline constexpr int kSignatoryRows = 3;          // signatory rows of the general data

// The largest magnitude of an amount, a quantity, a rate or a coefficient:
// far above any real estimate, yet small enough that every such number
// keeps its 15 significant digits when written and reads back unchanged,
// and that the charges computed from it stay finite.
inline constexpr double kMaxAmount = 1e15;

}  // namespace verdin
