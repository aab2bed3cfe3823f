// The whole state of one run of the program. One AppState is created at
// start-up and passed by reference to every command; there is no other
// store and no global variable.
#pragma once

#include <array>
#include <filesystem>
#include <string>

#include "core/limits.h"
#include "core/norm_store.h"

namespace verdin {

// Columns of the item tables that carry a meaning of their own.
namespace col {
inline constexpr int kName = 1;          // ZdS: name of the object or work
inline constexpr int kUnit = 2;          // ZdS: natural indicator (unit text)
inline constexpr int kQuantity = 3;      // ZdS: quantity as typed
inline constexpr int kReference = 4;     // ZdS: "Табл. …, п. …"
inline constexpr int kCalculation = 5;   // ZdS: calculation text of the base price
inline constexpr int kNomTab = 1;        // ZdD: pricing mode of the item
inline constexpr int kBasePrice = 2;     // ZdD: base price
inline constexpr int kCost = 3;          // ZdD: cost with coefficients
inline constexpr int kStoredNomTab = 10; // ZdD/ZdS: first stored input column
}  // namespace col

// One row n of the estimate: row 0 holds the cleaned header texts of the
// estimate in ZdS[1..5], rows 1..50 the items. Columns 1–9 are derived
// values, columns 10 and up the stored inputs from which the item is put
// back on screen and recalculated.
struct EstimateItem {
  static constexpr int kColumns = 60;             // columns 0..59
  static constexpr int kFormRows = 21;            // coefficient-window rows 0..20 (15 used)
  static constexpr int kFormColumns = 11;         // their columns 0..10

  std::array<std::string, kColumns> ZdS{};
  std::array<double, kColumns> ZdD{};
  // Applied coefficients: ZdKoeffS[0][0] is their number k as text;
  // ZdKoeffS[j][1] symbol, ZdKoeffS[j][3] justification, ZdKoeffD[j][1] value.
  std::array<std::array<std::string, 4>, kMaxItemCoefficients + 1> ZdKoeffS{};
  std::array<std::array<double, 4>, kMaxItemCoefficients + 1> ZdKoeffD{};
  // ZdBaz[1]: the base amount carried to the workbook.
  std::array<double, 3> ZdBaz{};
  // The coefficient window's rows as they stood: [row][column].
  std::array<std::array<std::string, kFormColumns>, kFormRows> ZdFormKS{};
  std::array<std::array<double, kFormColumns>, kFormRows> ZdFormKD{};
};

// The general data of the estimate as the workbook writer reads them,
// copied from the general-data window just before a workbook is built.
struct GeneralDataTables {
  // Rows 1..3 are the signatory rows; column 1 "1"/"0", 2 post, 3 name.
  std::array<std::array<std::string, 6>, 7> Podpis{};
  // Rows 1..8 are the charge rows; column 1 include flag, 2 percentage.
  std::array<std::array<double, 31>, 51> Otchisl{};
  // Rows 1..8, column 1: the captions of the charge rows.
  std::array<std::array<std::string, 31>, 51> OtchislName{};
};

// The folders the program works with. Empty folder = not configured.
struct Folders {
  std::filesystem::path PathWin;   // folder of the settings file
  std::filesystem::path PathProg;  // program folder
  std::filesystem::path PathIsx;   // input-data files
  std::filesystem::path PathData;  // norm database and the windows' state files
  std::filesystem::path PathTemp;  // autosave copy
  std::filesystem::path PathRez;   // result workbooks (= PathIsx)
  std::string DiskIsx;             // first two characters of PathIsx
};

struct AppState {
  Folders folders;

  int KolStrPol = kGridRows;          // point rows of the main window's grid
  int KolStolb = kLastStoredColumn;   // last item column kept in the input-data file
  int KolSpec = kSpecialEntries;      // highest list index of the special entries
  int NomTab = kSpecialEntries + 1;   // selected table-list entry; -1 share of an item
  int KolZd = 0;                      // number of items in the estimate
  int NomRed = -1;                    // item being edited or viewed; -1 none
  int NomProc = 0;                    // base item of the share-of-an-item mode; 0 off
  double StBaz = 0;                   // base price of the current item
  double SumSm = 0;                   // total of the items' costs

  NormStore norms;

  // items[0] holds the header texts, items[1..50] the estimate's items.
  std::array<EstimateItem, kMaxItems + 1> items{};

  GeneralDataTables general;
  // Amounts of the charge rows 3..7 of the last workbook written.
  std::array<double, 11> OtchislSum{};

  std::string Svodka;                 // summary line of the input-data file
  std::filesystem::path FileIsx;      // input-data file being written or read
  std::filesystem::path FileXls;      // workbook being written
  bool BezOtchisl = false;            // build the estimate without charges and VAT
  int ErrRez = 0;                     // error status of the last workbook run
  std::string ErrRezText;             // what failed first when ErrRez is 1004
};

}  // namespace verdin
