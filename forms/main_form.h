// The main window frm1 as a model: every control whose value or state the
// commands read or change, under the control's own name.
#pragma once

#include <array>
#include <span>
#include <string>
#include <vector>

#include "core/limits.h"
#include "core/version.h"

namespace verdin {

inline constexpr const char* kInputErrorTitle = "Ошибка в исходных данных!!";
// The natural indicator of the construction-cost entry.
inline constexpr const char* kSmrUnit = "млн.руб - стоимость СМР на 01.01.2006";

struct MainForm {
  static constexpr int kLabels = 8;
  // The point grid: rows 1..kMaxPoints (row 0 unused). The user types the
  // table of entry 0 into rows 1..KolStrPol (23); a norm row may show up to
  // 30 points.
  static constexpr int kGridSize = kMaxPoints + 1;

  std::string caption;       // window caption with the version
  std::string cmdAbToolTip;  // "Версия  1.9"

  // The current item (frame "Данные по зданию, сооружению, виду работ").
  std::string txtZd = "Наименование объекта";
  std::vector<std::string> cboTab;  // table list
  int cboTabIndex = -1;
  std::string cboTabToolTip;
  std::vector<std::string> cboP;    // rows of the selected table
  int cboPIndex = -1;
  std::string cboPToolTip;
  std::string txtNp;                // natural indicator (unit text)
  std::string txtKolic;             // quantity X as typed
  std::vector<std::string> cboSMR;  // complexity categories "I".."V"
  int cboSMRIndex = -1;
  bool chkProcent = false;          // price as a share of an item
  std::string txtProcent;           // that item's number
  bool txtProcentVisible = false;
  std::string txtStB;               // calculation text of the base price
  std::string txtStBaz;             // base price
  std::string txtStP;               // cost with coefficients
  std::string txtStd = "2800";      // roubles per dollar
  std::string txtStPd;              // cost in dollars
  // The note under the calculation text when the quantity lay outside the
  // row's points, and the calculation text it belongs to: it shows while
  // that calculation does.
  std::string lblRange;
  std::string lblRangeCalculation;

  // Captions that the table selection changes.
  std::array<std::string, kLabels> lblZd{"Наименование", "Натуральный показатель", "Табл.",
                                         "Количество", " п.", "Расчет базовой цены, тыс. руб.",
                                         "Цена с учетом коэффициентов, тыс. руб.",
                                         "То же в $ при 1$=                    бел. руб"};
  std::array<std::string, 2> lblSBC{"Кол.", "Стоимость, тыс.руб"};

  // The grid, indexed as its controls are numbered: txtV(1) is the first
  // row, element 0 belongs to no control.
  std::array<std::string, kGridSize> txtV;   // indicator X
  std::array<std::string, kGridSize> txtSt;  // price

  // The grid's rows counted from 0: row i is the control txtV(i + 1).
  std::span<std::string> GridX() { return std::span(txtV).subspan(1); }
  std::span<std::string> GridPrice() { return std::span(txtSt).subspan(1); }
  std::span<const std::string> GridX() const { return std::span(txtV).subspan(1); }
  std::span<const std::string> GridPrice() const { return std::span(txtSt).subspan(1); }

  // Enabled states.
  bool fra1Enabled = true;
  std::array<bool, kLabels> lblZdEnabled{true, true, true, true, true, true, true, true};
  bool cboTabEnabled = true;
  bool cboPEnabled = true;
  bool txtNpEnabled = true;
  bool txtStBEnabled = true;
  bool txtKolicEnabled = true;
  bool txtStBazEnabled = true;
  bool cmdOkEnabled = true;
  // The construction-cost window is reachable from every table entry.
  bool cmdSMREnabled = true;
  bool cboSMREnabled = false;
  bool lblSMREnabled = false;

  // Notes: optPrim(0) off (selected at start), optPrim(1) on.
  int optPrim = 0;
  std::string lblPrim;

  // The estimate list.
  std::array<std::vector<std::string>, 2> lstZd;  // names, costs
  std::array<int, 2> lstZdIndex{-1, -1};          // selected line of each list
  std::string txtSym;                             // total
  bool chkAsave = true;                           // autosave, on unless the user turns it off
  bool chkW = false;                              // pay-out variant
};

}  // namespace verdin
