// The whole state of one run of the program. One AppState is created at
// start-up and passed by reference to every command; there is no other
// store and no global variable.
#pragma once

#include <array>
#include <filesystem>
#include <string>

#include "core/estimate.h"
#include "core/limits.h"
#include "core/norm_store.h"

namespace verdin {

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
  int KolSpec = kSpecialEntries;      // highest list index of the special entries
  int NomTab = kSpecialEntries + 1;   // selected table-list entry; -1 share of an item
  int NomRed = -1;                    // item being edited or viewed, counted from 0; -1 none
  int NomProc = 0;                    // number (as the list shows it) of the base item of a share; 0 off
  double SumSm = 0;                   // total of the items' costs
  bool unsavedChanges = false;        // the estimate changed since it was last saved or opened

  NormStore norms;

  Estimate estimate;                  // the items and the summary line (Svodka)
  // The general data as the last save or autosave took them from the
  // general-data window: what the workbook prints and the input-data file
  // keeps.
  GeneralData general;

  std::filesystem::path FileIsx;      // input-data file being written or read (the autosave copy too)
  std::filesystem::path estimateFile; // the input-data file the estimate was last opened from or saved to
  std::filesystem::path FileXls;      // workbook being written
  bool BezOtchisl = false;            // build the estimate without charges and VAT
  int ErrRez = 0;                     // error status of the last workbook run
  std::string ErrRezText;             // what failed first when ErrRez is 1004

  // Number of items in the estimate.
  int KolZd() const { return estimate.Count(); }
};

}  // namespace verdin
