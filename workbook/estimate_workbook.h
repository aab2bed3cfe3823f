// The estimate workbook: the header with the contract and the
// organisations, one block of rows per item with its calculation and
// coefficients, the total, the statutory charges and VAT (or the pay-out
// lines), the total in words and the signatures.
#pragma once

#include <string>

#include "core/app_state.h"
#include "core/progress.h"
#include "forms/general_data_form.h"
#include "workbook/sheet.h"

namespace verdin {

// The two percentage boxes of the pay-out window: kopecks per rouble and
// the share of the section.
struct PayOutBoxes {
  std::string kopecks = "70";  // txt1(1)
  std::string section = "15";  // txt1(2)
};

// WriteEstimateWorkbook: builds the sheet from the state and the general
// data window and saves it as FileXls (".xlsx" names an .xlsx workbook;
// any other name is saved as ".xls" in place of its last four
// characters). Rewrites the header texts ZdS[0][1..5] and the item costs
// ZdD[i][3]. A sheet operation that fails, the saving included, sets
// ErrRez to 1004 and the run goes on; any other error (a pay-out box that
// is not a number, a file name too short) is thrown at once.
struct EstimateWorkbook {
  Sheet sheet;          // the sheet as built (and saved)
  double SumRazd = 0;   // total of the items
  double SumNds = 0;    // VAT
  double SumAll = 0;    // total cost with VAT (0 in the pay-out variant)
};
EstimateWorkbook WriteEstimateWorkbook(AppState& state, const GeneralDataForm& frmObD, const PayOutBoxes& frmW,
                                       Progress& progress);

// The file a workbook is saved as, from the chosen FileXls.
std::filesystem::path WorkbookFileName(const std::filesystem::path& FileXls);

// The object name as the header prints it: trimmed, its lines joined
// without a blank, each part trimmed.
std::string HeaderObjectName(const std::string& txtShapka0);

}  // namespace verdin
