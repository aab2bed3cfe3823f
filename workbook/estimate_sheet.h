// The estimate sheet laid out from its computed figures: the header with
// the contract and the organisations, one block of rows per item, the
// total, the charges and VAT (or the pay-out lines), the total in words
// and the signatures.
#pragma once

#include <filesystem>
#include <string>

#include "core/estimate.h"
#include "core/estimate_figures.h"
#include "core/progress.h"
#include "workbook/sheet.h"

namespace verdin {

inline constexpr int kSheetBuilt = -1;             // every sheet operation succeeded
inline constexpr int kSheetOperationFailed = 1004;  // some sheet operation (or the saving) failed

// The row of the table's column captions, repeated on every printed page
// (the built sheet's RepeatedRow).
inline constexpr int kEstimateHeadingRow = 10;

// A sheet as built, with the error status of the run: a sheet operation
// that fails sets errorCode to kSheetOperationFailed, keeps the first
// failure's text, and the run goes on.
struct EstimateSheet {
  Sheet sheet;
  int errorCode = kSheetBuilt;
  std::string errorText;
};

// Lays the figures out on a new sheet. withoutCharges selects the pay-out
// variant. Errors other than a failed sheet operation are thrown.
EstimateSheet BuildEstimateSheet(const Estimate& estimate, const GeneralData& general, const EstimateFigures& figures,
                                 bool withoutCharges, Progress& progress);

// Builds the sheet and saves it under WorkbookPath(chosenFile). A failed
// saving counts as a failed sheet operation; a file name too short to
// have an extension is thrown as std::invalid_argument.
EstimateSheet WriteEstimateSheet(const Estimate& estimate, const GeneralData& general, const EstimateFigures& figures,
                                 bool withoutCharges, const std::filesystem::path& chosenFile, Progress& progress);

// The file a workbook is saved as: a name ending in ".xls", ".xlsx" or
// ".pdf" (in any case) as it is, any other with ".xls" in place of its last four
// characters (characters, not bytes: "смета1" gives "см.xls").
std::filesystem::path WorkbookPath(const std::filesystem::path& chosenFile);

}  // namespace verdin
