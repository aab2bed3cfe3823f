// The input-data file (".isx"): everything needed to rebuild an estimate —
// the summary line, the general data and each item's stored inputs — one
// value per line, Windows-1251, CR LF.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/estimate.h"

namespace verdin {

// Lines before the first item block, and lines of one item block.
inline constexpr int kIsxHeaderLines = 40;
inline constexpr int kIsxItemLines = 352;

// An input-data file that cannot be read or is malformed. what() is the
// Russian message for the user, with the file and (where it applies) the
// line number.
class IsxError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Everything an input-data file holds: the summary line, the general data
// and each item's stored inputs (the derived values of the items are left
// at their defaults: the open command prices every item again).
struct IsxContent {
  std::string summary;
  GeneralData general;
  std::vector<EstimateItem> items;
};

// WriteIsx: writes the summary, the item count, the general data and, for
// every item, its stored inputs. Texts with line breaks are stored with
// "¶". The layout stays 40 + 352·n lines. Written atomically; throws
// FileError (with the path and the reason).
void WriteIsx(const Estimate& estimate, const GeneralData& general, const std::filesystem::path& file);

// ReadIsx: checks the whole file and returns what it holds. Throws IsxError
// naming the file and the line when the file cannot be read or is
// malformed.
IsxContent ReadIsx(const std::filesystem::path& file);

// The first line of a file (its summary), for the open dialog. Throws
// IsxError when the file cannot be read.
std::string ReadIsxSummary(const std::filesystem::path& file);

// The file-type test of the open dialog: the part of the name from the
// first "." to the end must be ".isx" exactly (case-sensitive).
bool IsIsxFileName(const std::string& fileName);

}  // namespace verdin
