// The general-data window "Общие данные по смете" (frmObD) as a model: the
// contract, the header texts, the charge rows and the signatories, the
// window's state file, and TakeObD, which copies the charges and the
// signatories into the tables the workbook writer reads.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>

#include "core/estimate.h"
#include "core/limits.h"
#include "core/messages.h"

namespace verdin {

inline constexpr const char* kGeneralDataFileName = "ВердинПИР_ОбД.dat";

// A calendar date, for the contract date the window shows at load.
struct CalendarDate {
  int year = 2026;
  int month = 1;
  int day = 1;
};

struct GeneralDataForm {
  std::string txtNdog = "2008/11";   // contract number
  std::string txtDataDog;            // contract date
  // Object name (multi-line; a line break is CR LF), design organisation,
  // customer organisation.
  std::array<std::string, 3> txtShapka{"Строительный проект\r\n", "ООО \"Кварцтехлит\"",
                                       "ОАО \"Зеленовка\""};
  // Charge rows: include box, caption, value; rows 0, 1 and 7 cannot be
  // switched off by the user; row 1's value box is read-only.
  std::array<bool, kChargeRows> chkK{};
  std::array<bool, kChargeRows> chkKEnabled{};
  std::array<std::string, kChargeRows> txtK;
  std::array<std::string, kChargeRows> txtKc;
  std::array<std::string, kChargeRows> txtKcToolTip;
  // Signatory rows: include box, post, name.
  std::array<bool, kSignatoryRows> chk1{};
  std::array<std::string, kSignatoryRows> txt1;
  std::array<std::string, kSignatoryRows> txt2;
  bool visible = true;
};

// The contract date as the window shows it: day.month.year, as dates are
// written in Belarus, 8 December 2026 -> "08.12.2026".
std::string ContractDateText(const CalendarDate& date);

// Today's date from the system clock (local time).
CalendarDate Today();

// The window's contents before its state file is read, with the date.
GeneralDataForm InitialGeneralDataForm(const CalendarDate& today);

// Loads the window: the initial contents, then the state file (37 lines a
// record; if more records follow the last one stays), then the date. A
// missing file keeps the initial contents silently; a malformed one (ends
// inside a record, a check-box line that is not 0 or 1) is reported
// through messages naming the line, and the initial contents are kept.
GeneralDataForm LoadGeneralDataForm(const std::filesystem::path& file, const CalendarDate& today,
                                    Messages& messages);

// cmdSave: writes the 37-line state file (line breaks in texts stored as
// "¶"). A failure is reported through messages with the path and the
// reason; returns false then.
bool SaveGeneralDataForm(const GeneralDataForm& form, const std::filesystem::path& file,
                         Messages& messages);

// The Russian message for the first charge row (other than row 1, which
// is computed), ticked or not, whose value box holds something that is not
// a number or not a percentage from 0 to 100, or a checked spare row (rows 6 and 7 of the window) whose value is
// empty, naming the row; nullopt when TakeObD can copy every rate.
std::optional<std::string> CheckChargeRates(const GeneralDataForm& form);

// TakeObD: copies the signatories and the charges into the general data.
// The rate of every row other than row 1 whose box holds a percentage from
// 0 to 100 is copied, ticked or not (run CheckChargeRates first, so that
// no other value is left behind unsaid); otherwise the general data keep the earlier rate. Texts
// are copied as they stand.
void TakeObD(const GeneralDataForm& form, GeneralData& general);

// The header texts of the window as the workbook prints them (trimmed, the
// object name's lines joined).
HeaderTexts HeaderTextsOf(const GeneralDataForm& form);

// The general data as a save or an autosave writes them: the earlier ones
// with the window's charges and signatories taken (TakeObD) and its header
// texts.
GeneralData GeneralDataOf(const GeneralDataForm& form, const GeneralData& earlier);

// The general data of an opened input-data file into the window: contract,
// date, header texts, charge rows and signatories; the rest of the window
// stays as it is. The rows the user cannot switch off are shown switched on.
// Rates show in the general form ("0,5"); a rate of 0 shows an empty box.
void ShowGeneralData(const GeneralData& general, GeneralDataForm& form);

// False for general data without any charge row or signatory: what an
// input-data file holds when it was written before the general data were
// ever taken from the window (an autosave of an older version).
bool HoldsChargesOrSignatories(const GeneralData& general);

}  // namespace verdin
