#include "forms/coefficient_form.h"

#include <cstddef>
#include <stdexcept>

#include "core/amount_bound.h"
#include "core/index.h"
#include "core/item_input.h"
#include "core/line_file.h"
#include "core/line_reader.h"
#include "forms/state_file.h"
#include "core/text_forms.h"

namespace verdin {
namespace {

namespace fs = std::filesystem;

// Lines of one row in the state file: check state, name, symbol, value, basis.
constexpr std::size_t kLinesPerRow = 5;
constexpr std::size_t kRowLines = kLinesPerRow * kCoefficientRows;  // 75
constexpr std::size_t kIndexationLines = 2;

constexpr const char* kDefaultsKept = " Загружены коэффициенты по умолчанию.";
constexpr const char* kIndustryBasisPrefix = " табл. 2.66, п. ";

struct DesignRow {
  const char* name;
  const char* symbol;
  const char* value;
  const char* basis;
};

// The rows as the window is designed; rows 11–14 are free.
const std::array<DesignRow, kCoefficientRows>& DesignRows() {
  static const std::array<DesignRow, kCoefficientRows> rows{{
      {"Индексация уровня цен", "К(инд.)", " ", "Приказ МАиС №329 от 25.09.08"},
      {"Областной", "К(обл.)", "1,1", "Общие и методические указания. Раздел III, п.1.14"},
      {"Монолитные конструкции", "К(м.к.)", "1,2",
       "Общие и методические указания. Раздел III, п.1.13"},
      {"Сокращение сроков проектирования", "К(с.с.)", "1,3", "табл. 5.8"},
      {"Отраслевой", "К отр.", "1", "табл. 2.66, п."},
      {"Импортное оборудование", "К(и.о.)", "1,3",
       "Общие и методические указания. Раздел III, п.1.8"},
      {"Повышенная комфортность", "К(п.к.)", "1,1", "табл.2.18, прим.6"},
      {" Кондиционирование", "К(конд.)", "1,1",
       "Общие и методические указания. Раздел III, п.1.10"},
      {"Реконструкция", "К(рек.)", "1,3", "Общие и методические указания. Раздел II.А, п.4"},
      {"Параллельное проектирование", "К(п.п.)", "1,15",
       "Общие и методические указания. Раздел III, п.1.16"},
      {"Тек. ремонт по дефектному акту", "К(т.р.)", "0,15",
       "Общие и методические указания. Раздел III, п.1.16"},
      {" ", " ", "", " "},
      {" ", " ", "", " "},
      {" ", " ", "", " "},
      {" ", " ", "", " "},
  }};
  return rows;
}

// Puts the indexation coefficient of the selected option into the
// indexation row's value.
void UpdateIndexationRow(CoefficientForm& form) {
  const int box = form.optGil == CoefficientForm::kHousing ? 0 : 1;
  form.txtKoeffK[At(kIndexationRow)] = form.txtKi[At(box)];
}

// ---- Reading the state file -------------------------------------------

// One row as the file gives it.
struct FileRow {
  bool ticked = false;
  std::string name;
  std::string symbol;
  std::string value;
  std::string basis;
};

// One record of the file: the fifteen rows and, in files of the current
// layout, the two indexation texts.
struct FileRecord {
  std::array<FileRow, kCoefficientRows> rows;
  std::optional<std::array<std::string, kIndexationLines>> indexation;
};

const char* RowLineContent(std::size_t lineInRow) {
  static constexpr std::array<const char*, kLinesPerRow> kContents{
      "отметка", "наименование", "обозначение", "значение", "обоснование"};
  return kContents[lineInRow];
}

std::string RowExpectation(std::size_t row, std::size_t lineInRow) {
  std::string text =
      std::string(RowLineContent(lineInRow)) + " коэффициента № " + std::to_string(row + 1);
  if (lineInRow == 0) text += " (0 или 1)";
  return text;
}

// Reads one record. A row is only read when all its lines are there, so
// a file cut short names the first line missing.
FileRecord ReadRecord(LineReader& reader) {
  FileRecord record;
  for (std::size_t row = 0; row < kCoefficientRows; ++row) {
    if (reader.Remaining() < kLinesPerRow) {
      reader.FailEndedEarly(RowExpectation(row, reader.Remaining()));
    }
    FileRow& target = record.rows[row];
    target.ticked = ReadCheckState(reader, RowExpectation(row, 0));
    target.name = reader.Text(RowExpectation(row, 1));
    target.symbol = reader.Text(RowExpectation(row, 2));
    target.value = reader.Text(RowExpectation(row, 3));
    target.basis = reader.Text(RowExpectation(row, 4));
  }
  // The indexation lines are missing in files of the older layout; blank
  // lines at the very end of a file are not taken for them.
  if (!reader.OnlyBlankLinesLeft()) {
    constexpr const char* kOtherObjects = "коэффициент индексации для прочих объектов («Не жилье»)";
    if (reader.Remaining() < kIndexationLines) reader.FailEndedEarly(kOtherObjects);
    const std::string housing = reader.Text("коэффициент индексации для жилья");
    record.indexation = std::array<std::string, kIndexationLines>{housing, reader.Text(kOtherObjects)};
  }
  return record;
}

// All records of the file in order; the file is refused as a whole when
// any of them is broken.
std::vector<FileRecord> ReadRecords(LineReader& reader) {
  std::vector<FileRecord> records;
  while (!reader.OnlyBlankLinesLeft()) records.push_back(ReadRecord(reader));
  return records;
}

// Applies a record as the window's loader does: the rows, then the
// indexation boxes, each change of which updates the indexation row.
void ApplyRecord(CoefficientForm& form, const FileRecord& record) {
  for (std::size_t i = 0; i < kCoefficientRows; ++i) {
    const FileRow& row = record.rows[i];
    form.chkKoeff[i] = row.ticked;
    form.txtKoeffIm[i] = row.name;
    form.txtKoeffI[i] = row.symbol;
    form.txtKoeffK[i] = row.value;
    form.txtKoeffP[i] = row.basis;
  }
  if (record.indexation) {
    ChangeTxtKi(form, 0, (*record.indexation)[0]);
    ChangeTxtKi(form, 1, (*record.indexation)[1]);
  }
}

// Reads the state file into the form. Problems are reported and leave the
// form as it was.
void ReadStateFile(CoefficientForm& form, const fs::path& file, Messages& messages) {
  std::vector<FileRecord> records;
  const StateFileKind kind{"коэффициентов", kDefaultsKept};
  if (!ParseStateFile(file, kind, messages, [&](LineReader& reader) { records = ReadRecords(reader); })) {
    return;
  }
  for (const FileRecord& record : records) ApplyRecord(form, record);
}

// ---- Writing the state file -------------------------------------------

std::vector<std::string> StateFileLines(const CoefficientForm& form) {
  std::vector<std::string> lines;
  lines.reserve(kRowLines + kIndexationLines);
  for (std::size_t i = 0; i < kCoefficientRows; ++i) {
    // The share mode holds the indexation row off for the current item
    // only; the next start finds the tick the user gave it.
    const bool sharedOff = form.shareMode && static_cast<int>(i) == kIndexationRow;
    const bool ticked = sharedOff ? form.indexationTickBeforeShare : form.chkKoeff[i];
    lines.push_back(ticked ? " 1 " : " 0 ");
    lines.push_back(EncodeLineBreaks(form.txtKoeffIm[i]));
    lines.push_back(EncodeLineBreaks(form.txtKoeffI[i]));
    lines.push_back(EncodeLineBreaks(form.txtKoeffK[i]));
    lines.push_back(EncodeLineBreaks(form.txtKoeffP[i]));
  }
  lines.push_back(EncodeLineBreaks(form.txtKi[0]));
  lines.push_back(EncodeLineBreaks(form.txtKi[1]));
  return lines;
}

// ---- Ticked rows ------------------------------------------------------

// How the message names a row: its name and symbol as far as they are set.
std::string RowLabel(const CoefficientForm& form, std::size_t row) {
  const std::string name = Trim(form.txtKoeffIm[row]);
  const std::string symbol = Trim(form.txtKoeffI[row]);
  std::string label = "Коэффициент в строке " + std::to_string(row + 1);
  if (!name.empty() && !symbol.empty()) return label + " («" + name + "», " + symbol + ")";
  if (!name.empty()) return label + " («" + name + "»)";
  if (!symbol.empty()) return label + " (" + symbol + ")";
  return label;
}

std::string BadValueMessage(const CoefficientForm& form, std::size_t row) {
  const std::string value = Trim(form.txtKoeffK[row]);
  if (value.empty()) {
    return RowLabel(form, row) +
           " отмечен, но его значение не задано. Введите значение или снимите отметку.";
  }
  if (ParseTypedNumber(value)) {
    return RowLabel(form, row) + " отмечен, но его значение «" + value +
           "» слишком велико: допускается число не больше " + AmountBoundText() +
           " по абсолютной величине. Исправьте значение или снимите отметку.";
  }
  return RowLabel(form, row) + " отмечен, но его значение «" + value +
         "» не является числом. Исправьте значение или снимите отметку.";
}

// A ticked row's value counts only when it is a number within the bound.
bool UsableValue(const std::string& text) {
  const std::optional<double> value = ParseTypedNumber(text);
  return value && WithinAmountBound(*value);
}

// The values of the ticked rows in row order; throws std::invalid_argument
// with the check's message when one of them is not a number. A number
// beyond the bound is left to the callers' checks (the calculate and add
// commands refuse it, the estimate figures too), so that reopening a file
// that holds one does not end the program.
std::vector<std::size_t> TickedRowsOrThrow(const CoefficientForm& form) {
  std::vector<std::size_t> rows;
  for (std::size_t i = 0; i < kCoefficientRows; ++i) {
    if (!form.chkKoeff[i]) continue;
    if (!ParseTypedNumber(form.txtKoeffK[i])) throw std::invalid_argument(BadValueMessage(form, i));
    rows.push_back(i);
  }
  return rows;
}

}  // namespace

CoefficientForm InitialCoefficientForm() {
  CoefficientForm form;
  const auto& rows = DesignRows();
  for (std::size_t i = 0; i < kCoefficientRows; ++i) {
    form.chkKoeff[i] = (static_cast<int>(i) == kIndexationRow);
    form.txtKoeffIm[i] = rows[i].name;
    form.txtKoeffI[i] = rows[i].symbol;
    form.txtKoeffK[i] = rows[i].value;
    form.txtKoeffP[i] = rows[i].basis;
  }
  form.optGil = CoefficientForm::kOther;
  form.txtKi = {"1,312", "1,291"};
  form.cboKotr.clear();
  form.cboKotrIndex = -1;
  return form;
}

void ClickOptGil(CoefficientForm& form, int option) {
  if (option != CoefficientForm::kHousing && option != CoefficientForm::kOther) return;
  form.optGil = option;
  UpdateIndexationRow(form);
}

void ChangeTxtKi(CoefficientForm& form, int box, const std::string& text) {
  if (box < 0 || box >= static_cast<int>(form.txtKi.size())) return;
  if (form.txtKi[At(box)] == text) return;
  form.txtKi[At(box)] = text;
  UpdateIndexationRow(form);
}

void SelectKotr(CoefficientForm& form, const NormStore& norms, int index, bool byProgram) {
  if (index == -1) {
    form.cboKotrIndex = -1;
    return;
  }
  const bool inList = index >= 0 && index < static_cast<int>(form.cboKotr.size()) &&
                      index < norms.KolKotr();
  if (!inList) return;
  if (byProgram && index == form.cboKotrIndex) return;
  form.cboKotrIndex = index;
  form.txtKoeffK[At(kIndustryRow)] = norms.Kotr[At(index)].value;
  form.txtKoeffP[At(kIndustryRow)] = kIndustryBasisPrefix + std::to_string(index + 1);
}

CoefficientForm LoadCoefficientForm(const fs::path& file, const NormStore& norms,
                                    Messages& messages) {
  CoefficientForm form = InitialCoefficientForm();
  ReadStateFile(form, file, messages);
  form.cboKotr.clear();
  for (const IndustryCoefficient& coefficient : norms.Kotr) form.cboKotr.push_back(coefficient.name);
  form.cboKotrIndex = -1;
  if (!form.cboKotr.empty()) SelectKotr(form, norms, 0, true);
  return form;
}

bool SaveCoefficientForm(const CoefficientForm& form, const fs::path& file, Messages& messages) {
  return WriteStateFileLines(file, StateFileLines(form), messages);
}

std::optional<std::string> CheckTickedCoefficients(const CoefficientForm& form) {
  for (std::size_t i = 0; i < kCoefficientRows; ++i) {
    if (form.chkKoeff[i] && !UsableValue(form.txtKoeffK[i])) return BadValueMessage(form, i);
  }
  return std::nullopt;
}

namespace {

// The rows with the values of the ticked ones as numbers, unchecked against
// the bound; throws std::invalid_argument naming a ticked row whose value
// is no number. Unticked rows keep 0 for a value that is no number.
std::array<CoefficientRow, kCoefficientRows> RowsOf(const CoefficientForm& form) {
  const std::vector<std::size_t> ticked = TickedRowsOrThrow(form);
  std::array<CoefficientRow, kCoefficientRows> rows{};
  for (std::size_t m = 0; m < kCoefficientRows; ++m) {
    CoefficientRow& row = rows[m];
    row.ticked = form.chkKoeff[m];
    row.industryIndex = form.cboKotrIndex;
    row.value = ParseTypedNumber(form.txtKoeffK[m]).value_or(0);
    row.name = form.txtKoeffIm[m];
    row.symbol = form.txtKoeffI[m];
    row.basis = form.txtKoeffP[m];
  }
  return rows;
}

}  // namespace

std::array<CoefficientRow, kCoefficientRows> CoefficientRowsOf(const CoefficientForm& form) {
  if (const auto problem = CheckTickedCoefficients(form)) throw PricingError(*problem);
  std::array<CoefficientRow, kCoefficientRows> rows = RowsOf(form);
  // An empty box stores 0; anything else must be a value the input-data
  // file can hold, ticked or not, or the saved estimate would not open.
  for (std::size_t m = 0; m < kCoefficientRows; ++m) {
    if (IsBlankCell(form.txtKoeffK[m])) continue;
    rows[m].value = ReadTypedAmount("Значение коэффициента " + std::to_string(m + 1), form.txtKoeffK[m]);
  }
  return rows;
}

void SetShareMode(CoefficientForm& form, bool share) {
  bool& indexation = form.chkKoeff[At(kIndexationRow)];
  if (share) {
    if (!form.shareMode) form.indexationTickBeforeShare = indexation;
    indexation = false;
  } else if (form.shareMode) {
    indexation = form.indexationTickBeforeShare;
  }
  form.shareMode = share;
}

}  // namespace verdin
