#include "forms/general_data_form.h"

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <ctime>
#include <utility>
#include <vector>

#include "core/platform_files.h"
#include "core/amount_bound.h"
#include "core/estimate_figures.h"
#include "core/line_file.h"
#include "core/line_reader.h"
#include "forms/state_file.h"
#include "core/text_forms.h"

namespace verdin {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kChargeCount = static_cast<std::size_t>(kChargeRows);
constexpr std::size_t kSignatoryCount = static_cast<std::size_t>(kSignatoryRows);

// Lines of one record: three per charge row, three per signatory row, the
// three header texts and the contract number.
constexpr std::size_t kRecordLines = 3 * kChargeCount + 3 * kSignatoryCount + 3 + 1;  // 37
static_assert(kRecordLines == 37);

// The charge row whose amount the workbook computes; it holds no rate.
constexpr std::size_t kComputedChargeRow = 1;
constexpr const char* kComputedChargeText = "Расчет";
// The two spare charge rows that ship without caption and rate.
constexpr std::size_t kFirstSpareChargeRow = 5;

constexpr const char* kDefaultsKept = " Загружены данные по умолчанию.";

// ---- The window as designed -------------------------------------------

struct DesignChargeRow {
  bool checked;
  bool canSwitchOff;
  const char* caption;
  const char* value;
  const char* toolTip;
};

constexpr const char* kFundShareTip = "=БазаДряРасч. х %Отчисл./100";

const std::array<DesignChargeRow, kChargeCount>& DesignChargeRows() {
  static const std::array<DesignChargeRow, kChargeCount> rows{{
      {true, false, "Сложившийся уровень рентабельности, %", "33,6", ""},
      {true, false, "База для расчета в инновационный фонд", " Расчет",
       "=Общ.стоим.-(Общ.стоим*Рент/(100+Рент))"},
      {true, true, "Отчисления в инновационный фонд, %", "4,5", kFundShareTip},
      {true, true, "Отчисления в фонд стройнауки, %", "0,5", kFundShareTip},
      {true, true, "Отчисления в фонд под. с/х, %", "2",
       "=(общСтоим + Отчисл.Стройнауке + ОтчислИнФонд) х %Отчисл/(100 - %Отчисл)"},
      {false, true, "", " ", ""},
      {false, true, "", " ", ""},
      {true, false, "НДС, %", "20", ""},
  }};
  return rows;
}

struct DesignSignatory {
  bool checked;
  const char* post;
  const char* name;
};

const std::array<DesignSignatory, kSignatoryCount>& DesignSignatories() {
  static const std::array<DesignSignatory, kSignatoryCount> rows{{
      {true, "ГИП", "Р.Т Бельчар"},
      {true, "Зам. директора по экономике", "О.К. Дорсинская"},
      {false, " ", " "},
  }};
  return rows;
}

// ---- The record layout ------------------------------------------------

// Walks the stored fields of the form in file order. `onCheck` gets each
// check box state and `onText` each text, both with a Russian description
// of the value for messages. Works for const and non-const forms alike.
template <typename Form, typename OnCheck, typename OnText>
void ForEachStoredField(Form& form, OnCheck&& onCheck, OnText&& onText) {
  for (std::size_t i = 0; i < kChargeCount; ++i) {
    const std::string number = " № " + std::to_string(i + 1);
    onCheck(form.chkK[i], "отметка отчисления" + number + " (0 или 1)");
    onText(form.txtK[i], "наименование отчисления" + number);
    onText(form.txtKc[i], "значение отчисления" + number);
  }
  for (std::size_t i = 0; i < kSignatoryCount; ++i) {
    const std::string number = " № " + std::to_string(i + 1);
    onCheck(form.chk1[i], "отметка подписанта" + number + " (0 или 1)");
    onText(form.txt1[i], "должность подписанта" + number);
    onText(form.txt2[i], "фамилия подписанта" + number);
  }
  onText(form.txtShapka[0], std::string("наименование объекта"));
  onText(form.txtShapka[1], std::string("наименование проектной организации"));
  onText(form.txtShapka[2], std::string("наименование организации заказчика"));
  onText(form.txtNdog, std::string("номер договора"));
}

// What each line of a record holds, in order, for the messages of the reader.
const std::vector<std::string>& LineDescriptions() {
  static const std::vector<std::string> descriptions = [] {
    std::vector<std::string> result;
    const GeneralDataForm sample;
    ForEachStoredField(
        sample, [&](const bool&, std::string what) { result.push_back(std::move(what)); },
        [&](const std::string&, std::string what) { result.push_back(std::move(what)); });
    return result;
  }();
  return descriptions;
}

// ---- Reading the state file -------------------------------------------

// Reads the record at the reader over `form`. The fields the file does
// not hold (date, tool tips, which rows can be switched off) stay as they
// are in `form`. A record is only read when all its lines are there, so a
// file cut short names the first line missing.
void ReadRecord(LineReader& reader, GeneralDataForm& form) {
  if (reader.Remaining() < kRecordLines) {
    reader.FailEndedEarly(LineDescriptions()[reader.Remaining()]);
  }
  ForEachStoredField(
      form, [&](bool& checked, const std::string& what) { checked = ReadCheckState(reader, what); },
      [&](std::string& text, const std::string& what) { text = reader.Text(what); });
}

// Reads every record of the file over `form`; the last one stays.
void ReadRecords(LineReader& reader, GeneralDataForm& form) {
  while (!reader.OnlyBlankLinesLeft()) ReadRecord(reader, form);
}

// Reads the state file into the form. A missing file changes nothing; a
// file that cannot be read or is malformed is reported and changes nothing.
void ReadStateFile(GeneralDataForm& form, const fs::path& file, Messages& messages) {
  GeneralDataForm read = form;
  const StateFileKind kind{"общих данных", kDefaultsKept};
  if (ParseStateFile(file, kind, messages, [&](LineReader& reader) { ReadRecords(reader, read); })) {
    form = std::move(read);
  }
}

// ---- Writing the state file -------------------------------------------

std::vector<std::string> StateFileLines(const GeneralDataForm& form) {
  std::vector<std::string> lines;
  lines.reserve(kRecordLines);
  ForEachStoredField(
      form,
      [&](const bool& checked, const std::string&) { lines.push_back(checked ? " 1 " : " 0 "); },
      [&](const std::string& text, const std::string&) {
        lines.push_back(EncodeLineBreaks(text));
      });
  return lines;
}

// ---- Charge rates -----------------------------------------------------

// A percentage the input-data file can hold.
bool IsRate(double rate) { return rate >= 0 && rate <= 100; }

// A row other than the computed one whose value box holds more than
// blanks, ticked or not: its value is the rate to take, as the window shows
// it. A value of blanks only (the spare rows hold one blank) counts as
// empty, so the earlier rate stays.
bool HasRateToTake(const GeneralDataForm& form, std::size_t row) {
  return row != kComputedChargeRow && !Trim(form.txtKc[row]).empty();
}

// A ticked spare row (rows 6 and 7 of the window) with an empty value box.
// The spare rows ship empty, so there is no earlier rate the user could
// mean to keep; the row would be written as a charge of 0.
bool IsSpareRowWithoutRate(const GeneralDataForm& form, std::size_t row) {
  return (row == kFirstSpareChargeRow || row == kFirstSpareChargeRow + 1) && form.chkK[row] &&
         Trim(form.txtKc[row]).empty();
}

std::string RowLabel(const GeneralDataForm& form, std::size_t row) {
  const std::string caption = Trim(form.txtK[row]);
  std::string label = "Отчисление в строке " + std::to_string(row + 1);
  if (!caption.empty()) label += " («" + caption + "»)";
  return label;
}

// Why the rate of `row` is refused. An unticked row is checked too: its
// rate is saved all the same, and the user must not believe it taken.
std::string RateProblem(const GeneralDataForm& form, std::size_t row, const std::string& what) {
  const std::string value = "«" + Trim(form.txtKc[row]) + "»";
  if (form.chkK[row]) {
    return RowLabel(form, row) + " включено, но его значение " + value + " " + what +
           ". Исправьте значение или снимите отметку.";
  }
  return RowLabel(form, row) + " не включено, но его значение " + value + " " + what +
         " и было бы сохранено в смете. Исправьте значение или очистите поле.";
}

}  // namespace

std::string ContractDateText(const CalendarDate& date) {
  char text[32];
  // Day, month and year, as a contract date is written in Belarus.
  std::snprintf(text, sizeof text, "%02d.%02d.%04d", date.day, date.month, date.year);
  return text;
}

CalendarDate Today() {
  const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm local{};
  if (!platform::LocalTime(now, local)) return CalendarDate{};
  return CalendarDate{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

GeneralDataForm InitialGeneralDataForm(const CalendarDate& today) {
  GeneralDataForm form;
  const auto& charges = DesignChargeRows();
  for (std::size_t i = 0; i < kChargeCount; ++i) {
    form.chkK[i] = charges[i].checked;
    form.chkKEnabled[i] = charges[i].canSwitchOff;
    form.txtK[i] = charges[i].caption;
    form.txtKc[i] = charges[i].value;
    form.txtKcToolTip[i] = charges[i].toolTip;
  }
  const auto& signatories = DesignSignatories();
  for (std::size_t i = 0; i < kSignatoryCount; ++i) {
    form.chk1[i] = signatories[i].checked;
    form.txt1[i] = signatories[i].post;
    form.txt2[i] = signatories[i].name;
  }
  form.txtShapka = {"Строительный проект\r\n", "ООО \"Кварцтехлит\"", "ОАО \"Зеленовка\""};
  form.txtNdog = "2008/11";
  form.txtDataDog = ContractDateText(today);
  form.visible = true;
  return form;
}

GeneralDataForm LoadGeneralDataForm(const fs::path& file, const CalendarDate& today,
                                    Messages& messages) {
  GeneralDataForm form = InitialGeneralDataForm(today);
  ReadStateFile(form, file, messages);
  form.txtDataDog = ContractDateText(today);
  return form;
}

bool SaveGeneralDataForm(const GeneralDataForm& form, const fs::path& file, Messages& messages) {
  return WriteStateFileLines(file, StateFileLines(form), messages);
}

std::optional<std::string> CheckChargeRates(const GeneralDataForm& form) {
  for (std::size_t i = 0; i < kChargeCount; ++i) {
    if (IsSpareRowWithoutRate(form, i)) {
      return RowLabel(form, i) + " включено, но его значение не задано. Введите значение или снимите отметку.";
    }
    if (!HasRateToTake(form, i)) continue;
    const std::optional<double> rate = ParseTypedNumber(form.txtKc[i]);
    if (!rate) return RateProblem(form, i, "не является числом");
    if (!IsRate(*rate)) return RateProblem(form, i, "не является процентом от 0 до 100");
  }
  return std::nullopt;
}

void TakeObD(const GeneralDataForm& form, GeneralData& general) {
  for (std::size_t i = 0; i < kSignatoryCount; ++i) {
    Signatory& signatory = general.signatories[i];
    signatory.on = form.chk1[i];
    signatory.post = form.txt1[i];
    signatory.name = form.txt2[i];
  }
  for (std::size_t i = 0; i < kChargeCount; ++i) {
    ChargeRow& charge = general.charges[i];
    charge.included = form.chkK[i];
    // The rate in the box is taken whether the row is ticked or not, so
    // that the input-data file keeps what the window shows however the
    // window got it. A value that is not a percentage (CheckChargeRates
    // was not asked, or the row is not ticked) leaves the earlier rate
    // rather than a made-up one, and an empty box keeps it too.
    if (i != kComputedChargeRow && !Trim(form.txtKc[i]).empty()) {
      const std::optional<double> rate = ParseTypedNumber(form.txtKc[i]);
      if (rate && IsRate(*rate)) charge.rate = *rate;
    }
    charge.caption = form.txtK[i];
  }
}

HeaderTexts HeaderTextsOf(const GeneralDataForm& form) {
  return CleanHeaderTexts(form.txtNdog, form.txtDataDog, form.txtShapka);
}

GeneralData GeneralDataOf(const GeneralDataForm& form, const GeneralData& earlier) {
  GeneralData general = earlier;
  TakeObD(form, general);
  general.header = HeaderTextsOf(form);
  return general;
}

bool HoldsChargesOrSignatories(const GeneralData& general) {
  const auto filled = [](const ChargeRow& charge) {
    return charge.included || charge.rate != 0 || !Trim(charge.caption).empty();
  };
  const auto signed_ = [](const Signatory& signatory) {
    return signatory.on || !Trim(signatory.post).empty() || !Trim(signatory.name).empty();
  };
  return std::any_of(general.charges.begin(), general.charges.end(), filled) ||
         std::any_of(general.signatories.begin(), general.signatories.end(), signed_);
}

void ShowGeneralData(const GeneralData& general, GeneralDataForm& form) {
  const HeaderTexts& header = general.header;
  form.txtNdog = header.contractNumber;
  form.txtDataDog = header.contractDate;
  form.txtShapka = {header.objectName, header.designOrganisation, header.customerOrganisation};
  for (std::size_t i = 0; i < kChargeCount; ++i) {
    const ChargeRow& charge = general.charges[i];
    // A row the user cannot switch off is always on, whatever a file says:
    // unticked, it could not be ticked again.
    form.chkK[i] = charge.included || !DesignChargeRows()[i].canSwitchOff;
    // The computed row shows its word; a zero rate means none. A rate shows
    // in the general form, so one below one keeps its leading zero ("0,5").
    if (i == kComputedChargeRow) {
      form.txtKc[i] = kComputedChargeText;
    } else {
      form.txtKc[i] = charge.rate == 0.0 ? std::string() : GeneralForm(charge.rate);
    }
    form.txtK[i] = charge.caption;
  }
  for (std::size_t i = 0; i < kSignatoryCount; ++i) {
    const Signatory& signatory = general.signatories[i];
    form.chk1[i] = signatory.on;
    form.txt1[i] = signatory.post;
    form.txt2[i] = signatory.name;
  }
}

}  // namespace verdin
