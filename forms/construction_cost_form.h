// The window "Расчет по СМР" (frmSMR) as a model: design cost as a
// percentage of the construction and installation cost, interpolated in
// the percentage table by cost and complexity category.
#pragma once

#include <string>

#include "core/messages.h"
#include "core/norm_store.h"

namespace verdin {

struct MainForm;
struct MainContext;

struct ConstructionCostForm {
  std::string txt1;   // construction cost, million roubles at 01.01.2006
  std::string txt2;   // complexity category 1..5
  std::string txtPr;  // percentage calculation text
  std::string lblPr;  // the same text (a label off the visible area)
  std::string txtS;   // cost calculation text
  std::string lblS;   // the same text
  double StProekt = 0;  // design cost of the last calculation, thousands of roubles
};

// cmdOk "Расчет": computes the percentage and the cost and fills the texts
// and StProekt. A cost or category that is missing or not a number, a cost
// beyond the amount bound, a category outside 1..5, a table of fewer than
// two lines or a design cost beyond the bound is reported
// through messages (title "Ошибка в исходных данных!!", exclamation icon,
// beep first) and nothing changes; returns false then.
bool ConstructionCostCmdOk(ConstructionCostForm& form, const NormStore& norms, Messages& messages);

// cmdGl "Передать в главную форму": the main window prices the handed
// cost as its user-entered table. The share-of-an-item mode is switched
// off and table-list entry 0 selected (which clears the grid and the
// previous calculation); then txtNp = "Объект", txtKolic = "1", user-table
// row 1 = "1" and StProekt in the general form. Does not calculate.
void ConstructionCostCmdGl(const ConstructionCostForm& form, MainContext& ctx);

// The grid part of cmdGl alone, for a caller that holds only the main
// window's model: the grid is emptied and txtNp, txtKolic and row 1 are
// written as above, but the table selection is left as it is, so the
// window's "Рассчитать" still prices the selected table. Use the overload
// with the context wherever the context is at hand.
void ConstructionCostCmdGl(const ConstructionCostForm& form, MainForm& main);

}  // namespace verdin
