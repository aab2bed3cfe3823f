// The coefficient window "Коэффициенты к стоимости" (frmKoeff) as a model:
// fifteen coefficient rows, the housing / other-objects option with its two
// indexation coefficients, the industry-coefficient list, the window's
// state file, and the product of the ticked coefficients.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/estimate.h"
#include "core/limits.h"
#include "core/messages.h"
#include "core/norm_store.h"

namespace verdin {

inline constexpr const char* kCoefficientFileName = "ВердинПИР_Коэфф.dat";

// The row that receives the indexation coefficient of the selected option.
inline constexpr int kIndexationRow = 0;
// The row whose value comes from the industry-coefficient list.
inline constexpr int kIndustryRow = 4;

struct CoefficientForm {
  static constexpr int kHousing = 0;  // optGil(0) "Жилье"
  static constexpr int kOther = 1;    // optGil(1) "Не жилье"

  std::array<bool, kCoefficientRows> chkKoeff{};
  std::array<std::string, kCoefficientRows> txtKoeffIm;  // name
  std::array<std::string, kCoefficientRows> txtKoeffI;   // symbol, e.g. "К(т.р.)"
  std::array<std::string, kCoefficientRows> txtKoeffK;   // value, decimal comma
  std::array<std::string, kCoefficientRows> txtKoeffP;   // basis in the price collection
  int optGil = kOther;                                   // selected option
  std::array<std::string, 2> txtKi{"1,312", "1,291"};    // housing, other objects
  std::vector<std::string> cboKotr;                      // names of the industry coefficients
  int cboKotrIndex = -1;                                 // -1 = nothing selected
  // While the main window prices a share of another item, the indexation
  // row is unticked and out of use (the note says why); its tick from
  // before comes back when the share mode ends.
  bool shareMode = false;
  bool indexationTickBeforeShare = false;
};

// The note the window shows beside the indexation row in the share mode.
inline constexpr const char* kShareIndexationNote =
    "Доля от суммы объекта: стоимость этого объекта уже включает индексацию, "
    "коэффициент индексации к доле не применяется.";

// The main window's share box ticked (true) or unticked (false). A share
// takes the cost of its source, which already carries the indexation
// coefficient; indexing the share again would count it twice.
void SetShareMode(CoefficientForm& form, bool share);

// The window's contents before its state file is read.
CoefficientForm InitialCoefficientForm();

// Click on optGil(option): selects it and puts the indexation coefficient
// of that option into the indexation row's value.
void ClickOptGil(CoefficientForm& form, int option);

// A change of txtKi(box) to text. When the text differs from the box's
// current text, the indexation row's value is updated for the selected
// option; setting the same text changes nothing.
void ChangeTxtKi(CoefficientForm& form, int box, const std::string& text);

// Selection of entry index of cboKotr. A click always updates row 4 (value
// Kotr(k,2), basis " табл. 2.66, п. " + k with k = index + 1); a selection
// by program does so only when the selection changes.
void SelectKotr(CoefficientForm& form, const NormStore& norms, int index, bool byProgram);

// Loads the window: the initial contents, then the state file (77 lines;
// a 75-line file leaves the indexation boxes as they are), then the
// industry list filled from the store with its first entry selected.
// A missing file keeps the initial contents silently; a malformed file
// (ends in the middle of a row, a check-box line that is not 0 or 1) is
// reported through messages and the initial contents are kept.
CoefficientForm LoadCoefficientForm(const std::filesystem::path& file, const NormStore& norms,
                                    Messages& messages);

// cmdSave: writes the 77-line state file. A file that cannot be written is
// reported through messages (with the path and the reason); returns false.
bool SaveCoefficientForm(const CoefficientForm& form, const std::filesystem::path& file,
                         Messages& messages);

// The Russian message for the first ticked row whose value is empty, not a
// number or beyond the amount bound, naming the row; nullopt when every
// ticked row holds a number within the bound.
std::optional<std::string> CheckTickedCoefficients(const CoefficientForm& form);

// The window's fifteen rows as the item record keeps them. Throws
// PricingError with the Russian message naming the row for a ticked row
// whose value is empty, not a number or beyond the bound, and for any row
// whose value box holds something other than a number from 0 to the
// bound (an empty box stores 0).
std::array<CoefficientRow, kCoefficientRows> CoefficientRowsOf(const CoefficientForm& form);

}  // namespace verdin
