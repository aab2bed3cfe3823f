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
#include "core/text_forms.h"

namespace verdin {
namespace {

using Lines = std::vector<std::string>;

// The coefficient window's rows and columns kept in the file.
constexpr int kFormRowsStored = kCoefficientRows;  // rows m = 0..14
constexpr int kFormColumnsStored = EstimateItem::kFormColumns;  // columns j = 0..10

// Grid texts beyond the last stored column go into the unused text cells of
// the coefficient rows, starting at this column.
constexpr int kFirstCarryFormColumn = 4;

// Charge row 2 is computed by the workbook, so its value box always shows
// this word instead of a rate.
constexpr int kComputedChargeRow = 2;
constexpr std::string_view kComputedChargeText = "Расчет";

// Longest piece of a faulty line quoted in a message.
constexpr std::size_t kQuotedCharacters = 60;

// The last item column kept in the file, held within the item's columns.
int LastStoredColumn(const AppState& state) {
  return std::clamp(state.KolStolb, col::kStoredNomTab - 1, EstimateItem::kColumns - 1);
}


// The coefficient-row text cell that carries grid column `column`.
struct FormCell {
  std::size_t m;
  std::size_t j;
};

FormCell CarryCell(int column, int lastStored) {
  const int index = column - (lastStored + 1);
  return {At(index % kFormRowsStored), At(kFirstCarryFormColumn + index / kFormRowsStored)};
}

// ---- Writing -------------------------------------------------------------

void AddNumber(Lines& lines, double value) { lines.push_back(LineFileForm(value)); }

void AddText(Lines& lines, std::string_view text) { lines.push_back(EncodeLineBreaks(text)); }

void AddGeneralData(const AppState& state, Lines& lines) {
  for (int c = 1; c <= 5; ++c) AddText(lines, state.items[0].ZdS[At(c)]);
  const GeneralDataTables& general = state.general;
  for (std::size_t r = 1; r <= kChargeRows; ++r) {
    AddNumber(lines, general.Otchisl[r][1]);
    AddNumber(lines, general.Otchisl[r][2]);
    AddText(lines, general.OtchislName[r][1]);
  }
  for (std::size_t r = 1; r <= kSignatoryRows; ++r) {
    for (std::size_t c = 1; c <= 3; ++c) AddText(lines, general.Podpis[r][c]);
  }
}

void AddItem(const EstimateItem& item, int lastStored, Lines& lines) {
  for (int c = col::kStoredNomTab; c <= lastStored; ++c) AddNumber(lines, item.ZdD[At(c)]);
  for (int c = col::kStoredNomTab; c <= lastStored; ++c) AddText(lines, item.ZdS[At(c)]);
  for (std::size_t j = 0; j < kFormColumnsStored; ++j) {
    for (std::size_t m = 0; m < kFormRowsStored; ++m) AddNumber(lines, item.ZdFormKD[m][j]);
  }
  auto texts = item.ZdFormKS;
  for (int c = lastStored + 1; c < EstimateItem::kColumns; ++c) {
    const FormCell cell = CarryCell(c, lastStored);
    texts[cell.m][cell.j] = item.ZdS[At(c)];
  }
  for (std::size_t j = 0; j < kFormColumnsStored; ++j) {
    for (std::size_t m = 0; m < kFormRowsStored; ++m) AddText(lines, texts[m][j]);
  }
}

// ---- Reading -------------------------------------------------------------

// The stored inputs of one item as read from the file.
struct StoredItem {
  std::array<double, EstimateItem::kColumns> ZdD{};
  std::array<std::string, EstimateItem::kColumns> ZdS{};
  std::array<std::array<double, kFormColumnsStored>, kFormRowsStored> ZdFormKD{};
  std::array<std::array<std::string, kFormColumnsStored>, kFormRowsStored> ZdFormKS{};
};

// Everything one file body holds, ready to be applied.
struct IsxContent {
  std::string summary;
  int count = 0;
  GeneralDataForm form;
  std::vector<StoredItem> items;
};

// The part of a line quoted in a message: at most kQuotedCharacters
// characters, cut on a character boundary.
std::string Quoted(std::string_view line) {
  std::size_t end = 0;
  std::size_t characters = 0;
  while (end < line.size() && characters < kQuotedCharacters) {
    ++end;
    while (end < line.size() && (static_cast<unsigned char>(line[end]) & 0xC0) == 0x80) ++end;
    ++characters;
  }
  std::string text = "«" + std::string(line.substr(0, end));
  if (end < line.size()) text += "…";
  return text + "»";
}

bool IsBlankLine(std::string_view line) {
  return line.find_first_not_of(" \t") == std::string_view::npos;
}

// Walks through the file's lines, converting them and reporting faults
// with the file name and the line number.
class LineCursor {
 public:
  LineCursor(const Lines& lines, std::string fileText)
      : lines_(lines), fileText_(std::move(fileText)) {}

  bool OnlyBlankLinesLeft() const {
    return std::all_of(lines_.begin() + static_cast<std::ptrdiff_t>(next_), lines_.end(),
                       [](const std::string& line) { return IsBlankLine(line); });
  }

  // A text line, its stored line breaks turned back into CR LF.
  std::string Text(std::string_view what) { return DecodeLineBreaks(Next(what)); }

  // A number line. A blank or empty line reads as 0, as the files of the
  // first save of a run hold such lines.
  double Number(std::string_view what) {
    const std::string& line = Next(what);
    if (IsBlankLine(line)) return 0.0;
    const std::optional<double> value = ParseTypedNumber(line);
    if (!value) Fail("вместо числа стоит " + Quoted(line) + " (" + std::string(what) + ").");
    return *value;
  }

  // A check-box line: 0 or 1 (blank reads as 0).
  bool Flag(std::string_view what) {
    const double value = Number(what);
    if (value != 0.0 && value != 1.0) {
      Fail(std::string(what) + " должен быть 0 или 1, а стоит " + Quoted(LastLine()) + ".");
    }
    return value == 1.0;
  }

  // The item count: a whole number from 0 to the item limit.
  int Count() {
    const double value = Number("число объектов");
    if (value < 0 || value > kMaxItems || std::floor(value) != value) {
      Fail("число объектов должно быть целым числом от 0 до " + std::to_string(kMaxItems) +
           ", а стоит " + Quoted(LastLine()) + ".");
    }
    return static_cast<int>(value);
  }

  // The line read last.
  const std::string& LastLine() const { return lines_[next_ - 1]; }

  [[noreturn]] void Fail(const std::string& reason) const { FailAt(next_, reason); }

  [[noreturn]] void FailAt(std::size_t lineNumber, const std::string& reason) const {
    throw IsxError("Файл исходных данных «" + fileText_ + "», строка " +
                   std::to_string(lineNumber) + ": " + reason);
  }

 private:
  const std::string& Next(std::string_view what) {
    if (next_ >= lines_.size()) {
      FailAt(next_ + 1, "файл обрывается раньше времени, нет строки «" + std::string(what) +
                            "». Файл повреждён или записан не полностью.");
    }
    return lines_[next_++];
  }

  const Lines& lines_;
  std::string fileText_;
  std::size_t next_ = 0;  // index of the next line; also the number of the line just read
};

void ReadGeneralData(LineCursor& cursor, GeneralDataForm& form) {
  form.txtNdog = cursor.Text("номер договора");
  form.txtDataDog = cursor.Text("дата договора");
  form.txtShapka[0] = cursor.Text("наименование объекта");
  form.txtShapka[1] = cursor.Text("проектная организация");
  form.txtShapka[2] = cursor.Text("организация заказчика");
  for (int r = 1; r <= kChargeRows; ++r) {
    const std::string row = " " + std::to_string(r);
    const std::size_t k = At(r - 1);
    form.chkK[k] = cursor.Flag("флажок отчисления" + row);
    const double rate = cursor.Number("ставка отчисления" + row);
    if (r == kComputedChargeRow) {
      form.txtKc[k] = std::string(kComputedChargeText);
    } else {
      // The box shows the rate as the file holds it; a zero rate means none.
      form.txtKc[k] = rate == 0.0 ? std::string() : Trim(cursor.LastLine());
    }
    form.txtK[k] = cursor.Text("название отчисления" + row);
  }
  for (int r = 1; r <= kSignatoryRows; ++r) {
    const std::string row = " " + std::to_string(r);
    const std::size_t k = At(r - 1);
    form.chk1[k] = cursor.Flag("флажок подписи" + row);
    form.txt1[k] = cursor.Text("должность подписывающего" + row);
    form.txt2[k] = cursor.Text("фамилия подписывающего" + row);
  }
}

StoredItem ReadItem(LineCursor& cursor, int number, int lastStored) {
  const std::string what = "данные объекта " + std::to_string(number);
  StoredItem item;
  for (int c = col::kStoredNomTab; c <= lastStored; ++c) item.ZdD[At(c)] = cursor.Number(what);
  for (int c = col::kStoredNomTab; c <= lastStored; ++c) item.ZdS[At(c)] = cursor.Text(what);
  for (std::size_t j = 0; j < kFormColumnsStored; ++j) {
    for (std::size_t m = 0; m < kFormRowsStored; ++m) item.ZdFormKD[m][j] = cursor.Number(what);
  }
  for (std::size_t j = 0; j < kFormColumnsStored; ++j) {
    for (std::size_t m = 0; m < kFormRowsStored; ++m) item.ZdFormKS[m][j] = cursor.Text(what);
  }
  // The grid texts beyond the last stored column travel in unused cells;
  // they go back to their columns and the cells stay empty in memory.
  for (int c = lastStored + 1; c < EstimateItem::kColumns; ++c) {
    const FormCell cell = CarryCell(c, lastStored);
    item.ZdS[At(c)] = std::exchange(item.ZdFormKS[cell.m][cell.j], std::string());
  }
  return item;
}

IsxContent ReadBody(LineCursor& cursor, const GeneralDataForm& currentForm, int lastStored) {
  IsxContent content;
  content.summary = cursor.Text("сводка");
  content.count = cursor.Count();
  content.form = currentForm;
  ReadGeneralData(cursor, content.form);
  content.items.reserve(At(content.count));
  for (int i = 1; i <= content.count; ++i) content.items.push_back(ReadItem(cursor, i, lastStored));
  return content;
}

// Puts a checked content into the state and the window. Only moves and
// assignments of numbers happen here, so nothing can fail half-way.
void Apply(IsxContent&& content, int lastStored, AppState& state, GeneralDataForm& frmObD) {
  state.Svodka = std::move(content.summary);
  state.KolZd = content.count;
  frmObD = std::move(content.form);
  for (std::size_t i = 0; i < content.items.size(); ++i) {
    StoredItem& from = content.items[i];
    EstimateItem& to = state.items[i + 1];
    for (int c = col::kStoredNomTab; c <= lastStored; ++c) to.ZdD[At(c)] = from.ZdD[At(c)];
    for (int c = col::kStoredNomTab; c < EstimateItem::kColumns; ++c) {
      to.ZdS[At(c)] = std::move(from.ZdS[At(c)]);
    }
    for (std::size_t m = 0; m < kFormRowsStored; ++m) {
      for (std::size_t j = 0; j < kFormColumnsStored; ++j) {
        to.ZdFormKD[m][j] = from.ZdFormKD[m][j];
        to.ZdFormKS[m][j] = std::move(from.ZdFormKS[m][j]);
      }
    }
  }
}

Lines ReadIsxLines(const std::filesystem::path& file) {
  try {
    return ReadLineFile(file);
  } catch (const FileError& error) {
    throw IsxError(error.what());
  }
}

}  // namespace

void WriteIsx(const AppState& state, const std::filesystem::path& file) {
  const int lastStored = LastStoredColumn(state);
  const int count = std::clamp(state.KolZd, 0, kMaxItems);
  Lines lines;
  lines.reserve(At(kIsxHeaderLines + kIsxItemLines * count));
  AddText(lines, state.Svodka);
  AddNumber(lines, count);
  AddGeneralData(state, lines);
  for (int i = 1; i <= count; ++i) AddItem(state.items[At(i)], lastStored, lines);
  WriteLineFile(file, lines);
}

void ReadIsx(const std::filesystem::path& file, AppState& state, GeneralDataForm& frmObD) {
  const Lines lines = ReadIsxLines(file);
  LineCursor cursor(lines, PathText(file));
  if (lines.empty()) cursor.FailAt(1, "файл пуст, в нём нет исходных данных.");
  const int lastStored = LastStoredColumn(state);
  // A file may hold several bodies one after another; the last one counts.
  // Blank lines after a complete body are ignored.
  IsxContent content = ReadBody(cursor, frmObD, lastStored);
  while (!cursor.OnlyBlankLinesLeft()) content = ReadBody(cursor, frmObD, lastStored);
  Apply(std::move(content), lastStored, state, frmObD);
}

std::string ReadIsxSummary(const std::filesystem::path& file) {
  const Lines lines = ReadIsxLines(file);
  return lines.empty() ? std::string() : DecodeLineBreaks(lines.front());
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
