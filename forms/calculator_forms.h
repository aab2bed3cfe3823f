// The two small calculators beside the main window, as models:
//  - the quantity window frmV "Расчет объемов": a quantity worked out as a
//    sum of up to three products of three factors, handed to txtKolic;
//  - the pay-out window frmW "По просьбе г-на Ш": what is paid out to the
//    designer of a section, from the price of the design work, the kopecks
//    per rouble paid as salary and the share of the section.
// Neither window stores anything in a file.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/messages.h"
#include "forms/main_form.h"
#include "core/estimate_figures.h"

namespace verdin {

// ---- Quantity window frmV ---------------------------------------------

struct QuantityForm {
  static constexpr int kBoxes = 10;
  static constexpr int kRows = 3;
  static constexpr int kFactors = 3;
  static constexpr int kSumBox = 9;

  // Boxes 0-2, 3-5 and 6-8 are the factors of the three rows, box 9 the
  // sum. The first two boxes hold one blank when the window opens.
  std::array<std::string, kBoxes> txtKol{" ", " "};
};

struct QuantityResult {
  double sum = 0;                     // sum of the rows that count
  std::string text;                   // the sum in the general form
  std::vector<std::string> problems;  // one line per row left out, naming it
};

// The sum of the rows whose three boxes are filled. A box that holds only
// blanks counts as empty, so such a row is not complete and is ignored
// like a row with an empty box. A complete row with a box that is not a
// number, or whose factor or product lies beyond the amount bound, is left
// out of the sum and reported in `problems`. A sum beyond the bound gives
// no sum (0, an empty text and a problem). Without any row the sum is 0.
QuantityResult QuantitySum(const QuantityForm& frmV);

// Any change of a box: the sum goes into txtKol(9).
QuantityResult RecomputeQuantity(QuantityForm& frmV);

// The problems of a result as one message text (rows joined by CR), or
// empty when every complete row counted.
std::string QuantityProblemText(const QuantityResult& result);

// "Передать": recomputes the sum and writes it into the main window's
// quantity box. When a complete row holds something that is not a number,
// the quantity box is left as it is and a message names the row. Returns
// whether the quantity was handed over.
bool QuantityCmdKol(QuantityForm& frmV, MainForm& frm1, Messages& messages);

inline constexpr const char* kQuantityErrorTitle = "Ошибка ввода!!";

// ---- Pay-out window frmW ------------------------------------------------

struct PayOutForm {
  static constexpr int kBoxes = 4;
  static constexpr int kPrice = 0;    // price of the design work
  static constexpr int kKopecks = 1;  // kopecks per rouble paid as salary
  static constexpr int kPercent = 2;  // share of the section, percent
  static constexpr int kPayOut = 3;   // the pay-out

  // txt1: roubles; txt2: the second currency (only boxes 0 and 3 exist).
  std::array<std::string, kBoxes> txt1{"", "70", "15", ""};
  std::array<std::string, kBoxes> txt2{};

  // Why a figure of the window could not be worked out, for the window to
  // show; empty when everything was computed. The price problem is set on
  // opening, the pay-out problem on every recomputation.
  std::string priceProblem;
  std::string payOutProblem;
};

// The grouped whole-number form of the window: groups of three digits
// separated by blanks, no leading blank, a minus sign in front of a
// negative number; 0 shows as "0". 1234567 -> "1 234 567".
std::string GroupedForm(double whole);

// A figure read back from a box: the grouping blanks are ignored, the
// rest must be a number. "1 234 567" -> 1234567.
std::optional<double> ReadGrouped(std::string_view text);

// Opening the window: fills the price row from the estimate total txtSym
// or, when the total is empty, from the current item's cost txtStP and
// txtStPd, then computes the pay-out. The kopeck and percent boxes are
// left as they are.
void OpenPayOut(PayOutForm& frmW, const MainForm& frm1);

// A change of txt1(1) or txt1(2): the pay-outs in both currencies from the
// figures of the price row. A kopeck rate or percent that is not a number
// within the amount bound empties both pay-outs; such a price empties its
// own, and so does a pay-out beyond the bound.
void RecomputePayOut(PayOutForm& frmW);

// Everything the window should point out to the user (CR-joined), or empty.
std::string PayOutProblemText(const PayOutForm& frmW);

// The two boxes the workbook writer reads in the pay-out variant.
PayOutPercentages PayOutBoxesOf(const PayOutForm& frmW);

// The main window's chkW switched on: true when frmW may open (the total
// or the current item's cost is filled). Otherwise shows "Ничего не
// рассчитано!!!" and returns false; the caller switches chkW off again.
bool PayOutSwitchOn(const MainForm& frm1, Messages& messages);

// A click on chkW. Switched on: when PayOutSwitchOn allows it, the pay-out
// window's figures are filled (OpenPayOut) and chkW stays on; otherwise
// chkW goes back off. Switched off (also when the pay-out window is
// closed): chkW is off. Returns whether the pay-out window is to be shown,
// which is always the new state of chkW, so box and window agree.
bool ClickChkW(MainForm& frm1, PayOutForm& frmW, bool on, Messages& messages);

}  // namespace verdin
