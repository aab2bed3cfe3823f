// The input-data file (".isx"): everything needed to rebuild an estimate —
// the summary line, the general data and each item's stored inputs — one
// value per line, Windows-1251, CR LF.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>

#include "core/app_state.h"
#include "forms/general_data_form.h"

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

// WriteIsx: writes the file from the state — Svodka, KolZd, the header
// texts ZdS[0][1..5], the charge and signatory tables, and for items
// 1..KolZd their stored inputs (columns 10..KolStolb, the coefficient
// window's rows). Texts with line breaks are stored with "¶". The grid
// texts beyond column KolStolb are kept in the unused text cells of the
// coefficient rows, so the layout stays 40 + 352·n lines. Written
// atomically; throws FileError (with the path and the reason).
void WriteIsx(const AppState& state, const std::filesystem::path& file);

// ReadIsx: checks the whole file first; only a sound file changes
// anything: Svodka, KolZd, the stored inputs of items 1..n (other rows keep
// their contents), and the general-data window (contract, date, header
// texts, charge rows, signatories). Throws IsxError otherwise, leaving the
// state and the window exactly as they were.
void ReadIsx(const std::filesystem::path& file, AppState& state, GeneralDataForm& frmObD);

// The first line of a file (its summary), for the open dialog. Throws
// IsxError when the file cannot be read.
std::string ReadIsxSummary(const std::filesystem::path& file);

// The file-type test of the open dialog: the part of the name from the
// first "." to the end must be ".isx" exactly (case-sensitive).
bool IsIsxFileName(const std::string& fileName);

}  // namespace verdin
