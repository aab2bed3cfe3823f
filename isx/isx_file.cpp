#include "isx/isx_file.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/index.h"
#include "core/limits.h"
#include "core/line_file.h"
#include "core/line_reader.h"
#include "core/text_forms.h"
#include "core/rounding.h"

namespace verdin {
namespace {

using Lines = std::vector<std::string>;

// ---- The item block ------------------------------------------------------
//
// The file keeps an item as the original program held it: in numbered
// columns of two item tables, ZdD (numbers) and ZdS (texts), and in the
// coefficient window's rows ZdFormKD / ZdFormKS. This is the only place
// that knows those numbers; everywhere else the item is an EstimateItem.
//
//   ZdD(i,10) table-list entry (-1 share of an item)   ZdS(i,10) table title
//   ZdD(i,11) row list index                           ZdS(i,11) row title
//   ZdD(i,12) quantity                                 ZdS(i,12) natural indicator
//   ZdD(i,13) option "Жилье": -1, else 0               ZdS(i,13) item name
//   ZdD(i,14) item number of a share                   ZdS(i,14..59) the grid:
//   ZdD(i,15) typed cost                                 X of row j in 2j+12,
//   ZdD(i,16) complexity category                        price of row j in 2j+13
//   ZdD(i,17..20) unused, written as 0
//   ZdFormKD(m,1) ticked, (m,2) industry entry, (m,3) value, for rows m = 0..14
//   ZdFormKS(m,1) name, (m,2) symbol, (m,3) basis
//
// The block holds ZdD and ZdS columns 10 to 20 and columns 0 to 10 of the
// fifteen coefficient rows; grid columns 21 to 59 travel in the unused
// text cells ZdFormKS(m, 4..6), so the block stays 352 lines.

constexpr int kFirstStoredColumn = 10;
constexpr int kLastStoredColumn = 20;
constexpr int kLastGridColumn = 59;
constexpr int kStoredColumns = kLastStoredColumn - kFirstStoredColumn + 1;
constexpr int kFormRowsStored = kCoefficientRows;  // rows m = 0..14
constexpr int kFormColumnsStored = 11;             // columns j = 0..10
constexpr int kFirstCarryFormColumn = 4;

static_assert(2 * kStoredColumns + 2 * kFormRowsStored * kFormColumnsStored == 352);

// ZdD(i, 10..20) of an item, in column order.
std::array<double, kStoredColumns> NumberColumns(const EstimateItem& item) {
  return {static_cast<double>(item.TableListEntry()),
          static_cast<double>(item.row),
          item.quantity,
          item.housing ? -1.0 : 0.0,
          static_cast<double>(item.shareSource + 1),
          item.typedCost,
          static_cast<double>(item.category),
          0, 0, 0, 0};
}

void SetNumberColumns(EstimateItem& item, const std::array<double, kStoredColumns>& d) {
  item.SetTableListEntry(ToWholeNumber(d[0]));
  item.row = ToWholeNumber(d[1]);
  item.quantity = d[2];
  item.housing = d[3] != 0;
  item.shareSource = ToWholeNumber(RoundHalfAwayFromZero(d[4])) - 1;
  item.typedCost = d[5];
  item.category = ToWholeNumber(d[6]);
}

// ZdS(i, column) of an item for the columns 10..59; nullptr for none.
template <typename Item>
auto TextColumn(Item& item, int column) -> decltype(&item.name) {
  switch (column) {
    case 10: return &item.tableTitle;
    case 11: return &item.rowTitle;
    case 12: return &item.unit;
    case 13: return &item.name;
    default: break;
  }
  if (column < 14 || column > kLastGridColumn) return nullptr;
  auto& point = item.grid[At((column - 14) / 2)];
  return column % 2 == 0 ? &point.x : &point.price;
}

// ZdFormKD(m, j) of an item.
double FormNumber(const EstimateItem& item, int m, int j) {
  const CoefficientRow& row = item.coefficientRows[At(m)];
  switch (j) {
    case 1: return row.ticked ? 1 : 0;
    case 2: return row.industryIndex;
    case 3: return row.value;
    default: return 0;
  }
}

void SetFormNumber(EstimateItem& item, int m, int j, double value) {
  CoefficientRow& row = item.coefficientRows[At(m)];
  switch (j) {
    case 1: row.ticked = value != 0; break;
    case 2: row.industryIndex = ToWholeNumber(value); break;
    case 3: row.value = value; break;
    default: break;
  }
}

// ZdFormKS(m, j) of an item: the row's own texts in columns 1..3, the
// carried grid texts in columns 4..6.
template <typename Item>
auto FormText(Item& item, int m, int j) -> decltype(&item.name) {
  auto& row = item.coefficientRows[At(m)];
  switch (j) {
    case 1: return &row.name;
    case 2: return &row.symbol;
    case 3: return &row.basis;
    default: break;
  }
  const int column = kLastStoredColumn + 1 + (j - kFirstCarryFormColumn) * kFormRowsStored + m;
  if (j < kFirstCarryFormColumn || column > kLastGridColumn) return nullptr;
  return TextColumn(item, column);
}

static_assert(kLastStoredColumn + 1 + 3 * kFormRowsStored > kLastGridColumn,
              "the carry cells hold every grid column beyond the stored ones");

constexpr int kChargeCount = kChargeRows;
constexpr int kSignatoryCount = kSignatoryRows;

// ---- Writing -------------------------------------------------------------

void AddNumber(Lines& lines, double value) { lines.push_back(LineFileForm(value)); }

void AddText(Lines& lines, std::string_view text) { lines.push_back(EncodeLineBreaks(text)); }

void AddTextOrEmpty(Lines& lines, const std::string* text) {
  lines.push_back(text == nullptr ? std::string() : EncodeLineBreaks(*text));
}

void AddGeneralData(const GeneralData& general, Lines& lines) {
  const HeaderTexts& header = general.header;
  for (const std::string* text : {&header.contractNumber, &header.contractDate, &header.objectName,
                                  &header.designOrganisation, &header.customerOrganisation}) {
    AddText(lines, *text);
  }
  for (const ChargeRow& charge : general.charges) {
    AddNumber(lines, charge.included ? 1 : 0);
    AddNumber(lines, charge.rate);
    AddText(lines, charge.caption);
  }
  for (const Signatory& signatory : general.signatories) {
    AddText(lines, signatory.on ? "1" : "0");
    AddText(lines, signatory.post);
    AddText(lines, signatory.name);
  }
}

void AddItem(const EstimateItem& item, Lines& lines) {
  for (const double value : NumberColumns(item)) AddNumber(lines, value);
  for (int c = kFirstStoredColumn; c <= kLastStoredColumn; ++c) AddTextOrEmpty(lines, TextColumn(item, c));
  for (int j = 0; j < kFormColumnsStored; ++j) {
    for (int m = 0; m < kFormRowsStored; ++m) AddNumber(lines, FormNumber(item, m, j));
  }
  for (int j = 0; j < kFormColumnsStored; ++j) {
    for (int m = 0; m < kFormRowsStored; ++m) AddTextOrEmpty(lines, FormText(item, m, j));
  }
}

// ---- Reading -------------------------------------------------------------

// What a number line may hold: the values the windows can produce. A value
// outside them was not written by the program and is refused before it can
// reach an item.
struct NumberRule {
  const char* name;
  double low;
  double high;
  bool whole;
};

constexpr double kMaxRate = 100;  // a charge rate is a percentage

// ZdD(i, 10..20), in column order.
constexpr std::array<NumberRule, kStoredColumns> kItemNumberRules{{
    {"номер таблицы", -1, kMaxTables - 1, true},
    {"номер пункта", -1, kMaxRows - 1, true},
    {"количество", 0, kMaxAmount, false},
    {"признак «Жилье» (-1 или 0)", -1, 0, true},
    {"номер объекта, от суммы которого берется доля", 0, kMaxItems, true},
    {"стоимость без расчета", 0, kMaxAmount, false},
    {"категория сложности (0-4)", 0, 4, true},
    {"неиспользуемая графа", -kMaxAmount, kMaxAmount, false},
    {"неиспользуемая графа", -kMaxAmount, kMaxAmount, false},
    {"неиспользуемая графа", -kMaxAmount, kMaxAmount, false},
    {"неиспользуемая графа", -kMaxAmount, kMaxAmount, false},
}};

// ZdFormKD(m, j) for the columns j = 0..10.
NumberRule FormNumberRule(int j) {
  switch (j) {
    case 1: return {"отметка коэффициента (0 или 1)", 0, 1, true};
    case 2: return {"номер отраслевого коэффициента", -1, kMaxIndustryCoefficients - 1, true};
    case 3: return {"значение коэффициента", 0, kMaxAmount, false};
    default: return {"неиспользуемая графа коэффициента", -kMaxAmount, kMaxAmount, false};
  }
}

double CheckedNumber(LineReader& cursor, const std::string& what, const NumberRule& rule) {
  const double value = cursor.Number(what);
  if (value >= rule.low && value <= rule.high && (!rule.whole || std::floor(value) == value)) return value;
  cursor.Fail(what + ": ожидалось " + (rule.whole ? "целое число" : "число") + " от " + GeneralForm(rule.low) +
              " до " + GeneralForm(rule.high) + ", а стоит " + GeneralForm(value) + ".");
}

// Faults of an input-data file: an IsxError naming the file and the line.
class IsxFaults final : public LineFaults {
 public:
  explicit IsxFaults(const std::filesystem::path& file) : head_("Файл исходных данных «" + PathText(file) + "»") {}
  void Fault(std::size_t line, const std::string& reason) const override {
    throw IsxError(LineFaultMessage(head_, line, reason));
  }

 private:
  std::string head_;
};

void ReadGeneralData(LineReader& cursor, GeneralData& general) {
  HeaderTexts& header = general.header;
  header.contractNumber = cursor.Text("номер договора");
  header.contractDate = cursor.Text("дата договора");
  header.objectName = cursor.Text("наименование объекта");
  header.designOrganisation = cursor.Text("проектная организация");
  header.customerOrganisation = cursor.Text("организация заказчика");
  for (int r = 0; r < kChargeCount; ++r) {
    const std::string row = " " + std::to_string(r + 1);  // messages number the rows from 1
    ChargeRow& charge = general.charges[At(r)];
    charge.included = cursor.Flag("флажок отчисления" + row);
    charge.rate = CheckedNumber(cursor, "ставка отчисления" + row, {"", 0, kMaxRate, false});
    charge.caption = cursor.Text("название отчисления" + row);
  }
  for (int r = 0; r < kSignatoryCount; ++r) {
    const std::string row = " " + std::to_string(r + 1);  // messages number the rows from 1
    Signatory& signatory = general.signatories[At(r)];
    signatory.on = cursor.Flag("флажок подписи" + row);
    signatory.post = cursor.Text("должность подписывающего" + row);
    signatory.name = cursor.Text("фамилия подписывающего" + row);
  }
}

EstimateItem ReadItem(LineReader& cursor, int number) {
  const std::string what = "данные объекта " + std::to_string(number);
  const std::string ofItem = " объекта " + std::to_string(number);
  EstimateItem item;
  std::array<double, kStoredColumns> numbers{};
  for (std::size_t c = 0; c < numbers.size(); ++c) {
    numbers[c] = CheckedNumber(cursor, kItemNumberRules[c].name + ofItem, kItemNumberRules[c]);
  }
  SetNumberColumns(item, numbers);
  for (int c = kFirstStoredColumn; c <= kLastStoredColumn; ++c) {
    std::string text = cursor.Text(what);
    if (std::string* field = TextColumn(item, c)) *field = std::move(text);
  }
  for (int j = 0; j < kFormColumnsStored; ++j) {
    const NumberRule rule = FormNumberRule(j);
    const std::string name = rule.name + ofItem;
    for (int m = 0; m < kFormRowsStored; ++m) SetFormNumber(item, m, j, CheckedNumber(cursor, name, rule));
  }
  for (int j = 0; j < kFormColumnsStored; ++j) {
    for (int m = 0; m < kFormRowsStored; ++m) {
      std::string text = cursor.Text(what);
      if (std::string* field = FormText(item, m, j)) *field = std::move(text);
    }
  }
  return item;
}

IsxContent ReadBody(LineReader& cursor) {
  IsxContent content;
  content.summary = cursor.Text("сводка");
  const int count = cursor.Count("число объектов", kMaxItems);
  ReadGeneralData(cursor, content.general);
  content.items.reserve(At(count));
  for (int i = 1; i <= count; ++i) content.items.push_back(ReadItem(cursor, i));
  return content;
}

// The file's lines as views into one decoded text, not a string each.
LineText ReadIsxLines(const std::filesystem::path& file) {
  try {
    return ReadLineText(file, kInputDataFileLimit);
  } catch (const FileError& error) {
    throw IsxError(error.what());
  }
}

}  // namespace

void WriteIsx(const Estimate& estimate, const GeneralData& general, const std::filesystem::path& file) {
  const int count = std::clamp(estimate.Count(), 0, kMaxItems);
  Lines lines;
  lines.reserve(At(kIsxHeaderLines + kIsxItemLines * count));
  AddText(lines, estimate.summary);
  AddNumber(lines, count);
  AddGeneralData(general, lines);
  for (int i = 0; i < count; ++i) AddItem(estimate.items[At(i)], lines);
  WriteLineFile(file, lines);
}

IsxContent ReadIsx(const std::filesystem::path& file) {
  const LineText text = ReadIsxLines(file);
  const IsxFaults faults(file);
  LineReader cursor(text, faults);
  if (text.lines().empty()) cursor.FailAt(1, "файл пуст, в нём нет исходных данных.");
  // A file may hold several bodies one after another; the last one counts.
  // Blank lines after a complete body are ignored.
  IsxContent content = ReadBody(cursor);
  while (!cursor.OnlyBlankLinesLeft(kSpacesAndTabs)) content = ReadBody(cursor);
  return content;
}

std::string ReadIsxSummary(const std::filesystem::path& file) {
  const LineText text = ReadIsxLines(file);
  return text.lines().empty() ? std::string() : DecodeLineBreaks(text.lines().front());
}

bool IsIsxFileName(const std::string& fileName) {
  // Only the name counts, not the folders in front of it.
  std::string_view name = fileName;
  if (const std::size_t slash = name.find_last_of('/'); slash != std::string_view::npos) {
    name.remove_prefix(slash + 1);
  }
  const std::size_t dot = name.find('.');
  return dot != std::string_view::npos && name.substr(dot) == ".isx";
}

}  // namespace verdin
