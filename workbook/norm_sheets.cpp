#include "workbook/norm_sheets.h"

#include <cmath>
#include <map>
#include <optional>
#include <string_view>
#include <utility>

#include "core/limits.h"
#include "core/line_file.h"
#include "core/text_forms.h"
#include "workbook/sheet.h"

namespace verdin {

namespace {

struct Column {
  const char* heading;
  double width;
};

// The columns of each sheet, in order.
constexpr Column kTableColumns[] = {
    {"Таблица", 9},          {"Название таблицы", 50}, {"Пункт", 8},    {"Название пункта", 50},
    {"Натуральный показатель", 14}, {"Цена, тыс. руб.", 16}, {"Единица", 24}, {"Комментарий перед таблицей", 30},
};
constexpr Column kIndustryColumns[] = {{"Наименование", 50}, {"Значение", 12}};
constexpr Column kNoteColumns[] = {{"Таблица", 9}, {"Текст примечания", 100}};
constexpr Column kPercentageColumns[] = {
    {"Стоимость СМР, млн. руб.", 16}, {"I", 8}, {"II", 8}, {"III", 8}, {"IV", 8}, {"V", 8},
};
constexpr Column kAboutColumns[] = {{"Сведение", 14}, {"Значение", 80}};

// Columns of the tables sheet, counted from 0.
enum TableColumn { kTable, kTableTitle, kRow, kRowTitle, kX, kPrice, kUnit, kComment };

constexpr std::size_t kPercentageNumbers = 6;  // the bound and the categories I–V
constexpr const char* kAboutLabels[] = {kAboutName, kAboutDate, kAboutSource};

GridCell Number(double value, int decimals = -1) { return {GridCell::Kind::Number, value, {}, decimals}; }

// The decimals of a number cell read, when the value written with them
// comes back exactly; -1 (the general form) otherwise, so that nothing
// the user typed is rounded away.
int KeptDecimals(const GridCell& cell, double value) {
  if (cell.decimals < 0) return -1;
  const std::optional<double> back = ParseTypedNumber(NumberText(value, cell.decimals));
  return back && *back == value ? cell.decimals : -1;
}

// A number of the percentage table: the decimal point instead of the comma.
std::string PeriodText(double value, int decimals) {
  std::string text = NumberText(value, decimals);
  for (char& c : text) {
    if (c == ',') c = '.';
  }
  return text;
}

int Decimals(const std::vector<std::int8_t>& decimals, std::size_t index) {
  return index < decimals.size() ? decimals[index] : -1;
}
GridCell Text(const SharedText& text) {
  if (text.empty()) return {};
  return {GridCell::Kind::Text, 0, text};
}
GridCell Text(std::string_view text) { return Text(SharedText(text)); }

template <std::size_t N>
GridSheet Headed(const char* name, const Column (&columns)[N]) {
  GridSheet sheet;
  sheet.name = name;
  std::vector<GridCell>& headings = sheet.rows.emplace_back();
  for (const Column& column : columns) {
    headings.push_back(Text(std::string_view(column.heading)));
    sheet.widths.push_back(column.width);
  }
  return sheet;
}

GridSheet TablesSheet(const NormCollection& collection) {
  GridSheet sheet = Headed(kTablesSheet, kTableColumns);
  std::size_t lines = 1;
  for (const NormTable& table : collection.tables) {
    for (const NormRow& row : table.rows) lines += std::max<std::size_t>(row.points.size(), 1);
    lines += table.rows.empty() ? 1 : 0;
  }
  sheet.rows.reserve(lines);
  std::size_t index = 0;  // of the point in the file
  for (std::size_t t = 0; t < collection.tables.size(); ++t) {
    const NormTable& table = collection.tables[t];
    bool firstOfTable = true;
    // A new line, made in place; its cells end at the unit unless it
    // carries the comment.
    auto line = [&]() -> std::vector<GridCell>& {
      std::vector<GridCell>& cells = sheet.rows.emplace_back(kUnit + 1);
      cells[kTable] = Number(static_cast<double>(t + 1));
      if (firstOfTable) {
        cells[kTableTitle] = Text(table.title);
        if (t < collection.tableComments.size() && collection.tableComments[t]) {
          // An empty comment line is kept as a lone "*" in a cell.
          cells.resize(kComment + 1);
          cells[kComment] = Text(collection.tableComments[t]->empty() ? "*" : *collection.tableComments[t]);
        }
      }
      firstOfTable = false;
      return cells;
    };
    if (table.rows.empty()) line();
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
      const NormRow& row = table.rows[r];
      const GridCell rowNumber = Number(static_cast<double>(r + 1));
      const GridCell rowTitle = Text(row.title);
      if (row.points.empty()) {
        std::vector<GridCell>& cells = line();
        cells[kRow] = rowNumber;
        cells[kRowTitle] = rowTitle;
      }
      for (std::size_t p = 0; p < row.points.size(); ++p) {
        std::vector<GridCell>& cells = line();
        cells[kRow] = rowNumber;
        if (p == 0) cells[kRowTitle] = rowTitle;
        cells[kX] = Number(row.points[p].x, Decimals(collection.xDecimals, index));
        cells[kPrice] = Number(row.points[p].price, Decimals(collection.priceDecimals, index));
        ++index;
        // The unit stands on the row's first point and wherever it changes;
        // a line without one has the unit of the line above.
        if (p == 0 || row.points[p].unit.view() != row.points[p - 1].unit.view()) cells[kUnit] = Text(row.points[p].unit);
      }
    }
  }
  return sheet;
}

GridSheet IndustrySheet(const NormCollection& collection) {
  GridSheet sheet = Headed(kIndustrySheet, kIndustryColumns);
  for (const IndustryCoefficient& coefficient : collection.coefficients) {
    const double value = ParseTypedNumber(coefficient.value).value_or(0);
    sheet.rows.push_back({Text(coefficient.name), Number(value, DecimalsOf(coefficient.value, value))});
  }
  return sheet;
}

GridSheet NotesSheet(const NormCollection& collection) {
  GridSheet sheet = Headed(kNotesSheet, kNoteColumns);
  for (std::size_t k = 0; k < collection.notes.size(); ++k) {
    std::string text;
    for (std::size_t i = 0; i < collection.notes[k].size(); ++i) text += (i > 0 ? "\n" : "") + collection.notes[k][i];
    sheet.rows.push_back({Number(static_cast<double>(k + 1)), Text(text)});
  }
  return sheet;
}

GridSheet PercentageSheet(const NormCollection& collection) {
  GridSheet sheet = Headed(kPercentageSheet, kPercentageColumns);
  for (const PercentageLine& line : collection.percentages) {
    std::vector<GridCell> cells;
    for (std::size_t f = 0; f < line.texts.size(); ++f) {
      const double value = f < line.numbers.size() ? line.numbers[f] : 0;
      cells.push_back(f < kPercentageNumbers ? Number(value, DecimalsOf(line.texts[f], value)) : Text(line.texts[f]));
    }
    if (cells.size() > sheet.rows.front().size()) {
      for (std::size_t f = sheet.rows.front().size(); f < cells.size(); ++f) {
        sheet.rows.front().push_back(Text("Поле " + std::to_string(f + 1)));
        sheet.widths.push_back(16);
      }
    }
    sheet.rows.push_back(std::move(cells));
  }
  return sheet;
}

GridSheet AboutSheet(const NormCollection& collection) {
  GridSheet sheet = Headed(kAboutSheet, kAboutColumns);
  for (const std::string& line : collection.about) {
    std::vector<GridCell> cells = {GridCell{}, Text(line)};
    for (const std::string_view label : kAboutLabels) {
      if (line.starts_with(std::string(label) + ": ")) {
        cells = {Text(std::string(label)), Text(line.substr(label.size() + 2))};
      }
    }
    // An empty comment line is kept as a lone "*" in a cell.
    if (line.empty()) cells[1] = Text(std::string_view("*"));
    sheet.rows.push_back(std::move(cells));
  }
  return sheet;
}

// --- checks ------------------------------------------------------------------

std::size_t Characters(std::string_view text) {
  std::size_t count = 0;
  for (const char c : text) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
  return count;
}

// The problems found, each named by sheet and cell, up to the limit.
class Problems {
 public:
  void Add(std::string text) {
    ++count_;
    if (list_.size() < kMaxListedProblems) list_.push_back(std::move(text));
  }
  std::vector<std::string> Take() {
    if (count_ > list_.size()) {
      list_.push_back("… и еще " + std::to_string(count_ - list_.size()) + " (показаны первые " +
                      std::to_string(kMaxListedProblems) + ").");
    }
    return std::move(list_);
  }
  bool Any() const { return count_ > 0; }

 private:
  std::vector<std::string> list_;
  std::size_t count_ = 0;
};

std::string Quoted(const GridCell& cell) {
  return "«" + (cell.kind == GridCell::Kind::Number ? GeneralForm(cell.number) : std::string(cell.text.view())) + "»";
}

// One sheet under check: its cells and the problems named by its cells.
class SheetCheck {
 public:
  SheetCheck(const GridSheet& sheet, Problems& problems) : sheet_(sheet), problems_(problems) {}

  std::size_t RowCount() const { return sheet_.rows.size(); }
  const GridCell& At(std::size_t row, std::size_t column) const {
    static const GridCell kEmpty;
    if (row >= sheet_.rows.size() || column >= sheet_.rows[row].size()) return kEmpty;
    return sheet_.rows[row][column];
  }
  bool Empty(std::size_t row, std::size_t column) const { return At(row, column).kind == GridCell::Kind::Empty; }
  bool RowEmpty(std::size_t row) const {
    for (std::size_t c = 0; c < sheet_.rows[row].size(); ++c) {
      if (!Empty(row, c)) return false;
    }
    return true;
  }

  void Cell(std::size_t row, std::size_t column, const std::string& text) const {
    problems_.Add("Лист «" + sheet_.name + "», ячейка " + ColumnLetters(static_cast<int>(column + 1)) +
                  std::to_string(row + 1) + ": " + text);
  }
  void Row(std::size_t row, const std::string& text) const {
    problems_.Add("Лист «" + sheet_.name + "», строка " + std::to_string(row + 1) + ": " + text);
  }
  void Whole(const std::string& text) const { problems_.Add("Лист «" + sheet_.name + "»: " + text); }

  // The headings, the merged cells, cells right of the last column and
  // empty lines between the filled ones.
  template <std::size_t N>
  void Layout(const Column (&columns)[N], bool extraColumns = false) const {
    for (std::size_t c = 0; c < N; ++c) {
      const GridCell& cell = At(0, c);
      if (cell.kind != GridCell::Kind::Text || Trim(cell.text) != columns[c].heading) {
        Cell(0, c, std::string("ожидался заголовок столбца «") + columns[c].heading + "».");
      }
    }
    for (const std::string& range : sheet_.merged) {
      Whole("ячейки " + range + " объединены; разъедините их: у каждой ячейки должно быть свое значение.");
    }
    for (std::size_t r = 1; r < sheet_.rows.size(); ++r) {
      if (RowEmpty(r)) {
        Row(r, "пустая строка среди заполненных; удалите ее.");
        continue;
      }
      if (extraColumns) continue;
      for (std::size_t c = N; c < sheet_.rows[r].size(); ++c) {
        if (!Empty(r, c)) {
          Cell(r, c, "лишнее значение " + Quoted(At(r, c)) + " справа от столбца «" + columns[N - 1].heading +
                         "»; удалите его.");
          break;
        }
      }
    }
  }

  // A number cell; nothing (with the problem named) for anything else.
  std::optional<double> NumberAt(std::size_t row, std::size_t column, const std::string& what) const {
    const GridCell& cell = At(row, column);
    switch (cell.kind) {
      case GridCell::Kind::Number:
        if (!std::isfinite(cell.number) || std::fabs(cell.number) > kMaxAmount) {
          Cell(row, column, what + " " + Quoted(cell) + " вне допустимых пределов (не больше " +
                                GeneralForm(kMaxAmount) + ").");
          return std::nullopt;
        }
        return cell.number;
      case GridCell::Kind::Empty: Cell(row, column, "не указано: " + what + "."); break;
      case GridCell::Kind::Text:
        if (ParseTypedNumber(cell.text)) {
          Cell(row, column, what + " " + Quoted(cell) + " записано как текст; введите его числом.");
        } else {
          Cell(row, column, Quoted(cell) + " не является числом; ожидалось " + what + ".");
        }
        break;
      case GridCell::Kind::Formula:
        Cell(row, column, "формула " + Quoted(cell) + "; ожидалось " + what + " — замените формулу ее значением.");
        break;
      case GridCell::Kind::Other: Cell(row, column, std::string(cell.text.view()) + "; ожидалось " + what + "."); break;
    }
    return std::nullopt;
  }

  // A whole number from 1 (a table, row or note number).
  std::optional<int> NumberOfAt(std::size_t row, std::size_t column, const std::string& what) const {
    const std::optional<double> value = NumberAt(row, column, what);
    if (!value) return std::nullopt;
    if (*value < 1 || *value > 1e6 || *value != std::floor(*value)) {
      Cell(row, column, what + " " + Quoted(At(row, column)) + " должен быть целым числом от 1.");
      return std::nullopt;
    }
    return static_cast<int>(*value);
  }

  // A text cell, trimmed, that fits the database: one line, characters of
  // Windows-1251, not longer than `longest`. A number cell is taken as its
  // text. Nothing (with the problem named) otherwise.
  std::optional<std::string> TextAt(std::size_t row, std::size_t column, const std::string& what,
                                    std::size_t longest, bool required, bool multiline = false) const {
    const GridCell& cell = At(row, column);
    std::string text;
    switch (cell.kind) {
      case GridCell::Kind::Text: text = multiline ? std::string(cell.text.view()) : Trim(cell.text); break;
      case GridCell::Kind::Number: text = GeneralForm(cell.number); break;
      case GridCell::Kind::Empty: break;
      case GridCell::Kind::Formula:
        Cell(row, column, "формула " + Quoted(cell) + "; ожидалось " + what + " — замените формулу ее значением.");
        return std::nullopt;
      case GridCell::Kind::Other:
        Cell(row, column, std::string(cell.text.view()) + "; ожидалось " + what + ".");
        return std::nullopt;
    }
    if (text.empty() || (!multiline && text.find_first_not_of(' ') == std::string::npos)) {
      if (required) {
        Cell(row, column, "не указано: " + what + ".");
        return std::nullopt;
      }
      return std::string();
    }
    if (!multiline && text.find_first_of("\r\n") != std::string::npos) {
      Cell(row, column, what + " занимает несколько строк; допускается одна строка.");
      return std::nullopt;
    }
    if (!FitsCp1251(text)) {
      Cell(row, column, what + " " + Quoted(cell) +
                            " содержит знаки, которых нет в кодировке Windows-1251; замените их.");
      return std::nullopt;
    }
    if (Characters(text) > longest) {
      Cell(row, column, what + " длиннее " + std::to_string(longest) + " знаков (в нем " +
                            std::to_string(Characters(text)) + ").");
      return std::nullopt;
    }
    return text;
  }

 private:
  const GridSheet& sheet_;
  Problems& problems_;
};

// The unit texts of the points, each stored once and shared.
class Units {
 public:
  SharedText For(const std::string& text) {
    if (text != last_) {
      auto found = known_.find(text);
      if (found == known_.end()) found = known_.emplace(text, SharedText(std::string_view(text))).first;
      last_ = text;
      lastText_ = found->second;
    }
    return lastText_;
  }

 private:
  std::map<std::string, SharedText> known_;
  std::string last_;
  SharedText lastText_;
};

// Reads the tables sheet line by line: a line with a new table number
// starts a table, a new row number a row; each line with a point adds it.
class TablesReader {
 public:
  TablesReader(const SheetCheck& sheet, NormCollection& collection) : sheet_(sheet), collection_(collection) {}

  void Read() {
    for (std::size_t r = 1; r < sheet_.RowCount(); ++r) {
      if (!sheet_.RowEmpty(r)) Line(r);
    }
    constexpr int kMinimumTables = kSpecialEntries + 2;
    if (static_cast<int>(collection_.tables.size()) < kMinimumTables) {
      sheet_.Whole("в базе должно быть не менее " + std::to_string(kMinimumTables) +
                   " таблиц: три служебные записи списка и хотя бы одна таблица норм.");
    }
  }

 private:
  void Line(std::size_t r) {
    const std::optional<int> number = sheet_.NumberOfAt(r, kTable, "номер таблицы");
    if (!number) return;
    const bool newTable = *number != tableNumber_;
    if (newTable && !StartTable(r, *number)) return;
    if (!newTable) SameTable(r);
    if (collection_.tables.empty()) return;
    NormTable& table = collection_.tables.back();
    if (sheet_.Empty(r, kRow)) {
      for (const int c : {kRowTitle, kX, kPrice, kUnit}) {
        if (!sheet_.Empty(r, c)) {
          sheet_.Cell(r, kRow, "не указан номер пункта.");
          return;
        }
      }
      if (!newTable) sheet_.Row(r, "строка без пункта; такая строка бывает только у таблицы без пунктов.");
      return;
    }
    const std::optional<int> row = sheet_.NumberOfAt(r, kRow, "номер пункта");
    if (!row) return;
    const bool newRow = *row != rowNumber_ || newTable;
    if (newRow && !StartRow(r, *row, table)) return;
    if (!newRow) SameRow(r, table);
    if (table.rows.empty()) return;
    if (sheet_.Empty(r, kX) && sheet_.Empty(r, kPrice) && sheet_.Empty(r, kUnit)) {
      if (!newRow) sheet_.Cell(r, kX, "не указаны натуральный показатель, цена и единица точки.");
      return;
    }
    Point(r, table.rows.back());
  }

  bool StartTable(std::size_t r, int number) {
    if (number <= tableNumber_) {
      sheet_.Cell(r, kTable, "таблица " + std::to_string(number) +
                                 " уже была выше; строки одной таблицы идут подряд, номера таблиц не повторяются.");
      return false;
    }
    if (number != tableNumber_ + 1) {
      sheet_.Cell(r, kTable, "после таблицы " + std::to_string(tableNumber_) + " ожидалась таблица " +
                                 std::to_string(tableNumber_ + 1) + ", а не " + std::to_string(number) + ".");
    }
    tableNumber_ = number;
    rowNumber_ = 0;
    if (static_cast<int>(collection_.tables.size()) == kMaxTables) {
      sheet_.Cell(r, kTable, "в базе больше " + std::to_string(kMaxTables) + " таблиц.");
      return false;
    }
    NormTable& table = collection_.tables.emplace_back();
    std::optional<std::string>& comment = collection_.tableComments.emplace_back();
    tableTitleRow_ = r;
    if (const auto title = sheet_.TextAt(r, kTableTitle, "название таблицы", kMaxTitleCharacters, true)) {
      if (*title == "END") {
        sheet_.Cell(r, kTableTitle, "название таблицы «END» зарезервировано для конца файла таблиц.");
      }
      table.title = *title;
    }
    if (const auto text = sheet_.TextAt(r, kComment, "комментарий", kMaxTitleCharacters, false); text && !text->empty()) {
      if (collection_.tables.size() == 1) {
        sheet_.Cell(r, kComment, "комментарий перед первой таблицей пишется на листе «О базе».");
      }
      comment = *text == "*" ? std::string() : *text;
    }
    return true;
  }

  void SameTable(std::size_t r) const {
    if (collection_.tables.empty()) return;
    if (const auto title = sheet_.TextAt(r, kTableTitle, "название таблицы", kMaxTitleCharacters, false);
        title && !title->empty() && *title != collection_.tables.back().title) {
      sheet_.Cell(r, kTableTitle, "название таблицы " + std::to_string(tableNumber_) +
                                      " отличается от названия в строке " + std::to_string(tableTitleRow_ + 1) +
                                      "; оставьте название только в первой строке таблицы.");
    }
    if (!sheet_.Empty(r, kComment)) {
      sheet_.Cell(r, kComment, "комментарий пишется в первой строке таблицы.");
    }
  }

  bool StartRow(std::size_t r, int number, NormTable& table) {
    if (number <= rowNumber_) {
      sheet_.Cell(r, kRow, "пункт " + std::to_string(number) + " таблицы " + std::to_string(tableNumber_) +
                               " уже был выше; строки одного пункта идут подряд, номера пунктов не повторяются.");
      return false;
    }
    if (number != rowNumber_ + 1) {
      sheet_.Cell(r, kRow, "после пункта " + std::to_string(rowNumber_) + " ожидался пункт " +
                               std::to_string(rowNumber_ + 1) + ", а не " + std::to_string(number) + ".");
    }
    rowNumber_ = number;
    if (static_cast<int>(table.rows.size()) == kMaxRows) {
      sheet_.Cell(r, kRow, "в таблице " + std::to_string(tableNumber_) + " больше " + std::to_string(kMaxRows) +
                               " пунктов.");
      return false;
    }
    NormRow& row = table.rows.emplace_back();
    rowTitleRow_ = r;
    rowUnit_.reset();
    if (const auto title = sheet_.TextAt(r, kRowTitle, "название пункта", kMaxTitleCharacters, true)) {
      row.title = *title;
    }
    return true;
  }

  void SameRow(std::size_t r, const NormTable& table) const {
    if (table.rows.empty()) return;
    if (const auto title = sheet_.TextAt(r, kRowTitle, "название пункта", kMaxTitleCharacters, false);
        title && !title->empty() && *title != table.rows.back().title) {
      sheet_.Cell(r, kRowTitle, "название пункта отличается от названия в строке " +
                                    std::to_string(rowTitleRow_ + 1) + "; оставьте его только в первой строке пункта.");
    }
  }

  void Point(std::size_t r, NormRow& row) {
    const std::optional<double> x = sheet_.NumberAt(r, kX, "натуральный показатель");
    const std::optional<double> price = sheet_.NumberAt(r, kPrice, "цена");
    // A point without a unit has the unit of the point above in its row;
    // the row's first point must name one.
    std::optional<std::string> unit =
        sheet_.TextAt(r, kUnit, "единица измерения", kMaxUnitCharacters, !rowUnit_.has_value());
    if (unit && unit->empty()) unit = rowUnit_;
    if (unit) rowUnit_ = unit;
    if (price && *price < 0) {
      sheet_.Cell(r, kPrice, "цена «" + GeneralForm(*price) + "» отрицательна.");
    }
    if (x && !row.points.empty() && *x <= row.points.back().x) {
      sheet_.Cell(r, kX, "показатель «" + GeneralForm(*x) + "» не больше предыдущего «" +
                             GeneralForm(row.points.back().x) + "»; показатели пункта должны строго возрастать.");
    }
    if (static_cast<int>(row.points.size()) == kMaxPoints) {
      sheet_.Row(r, "в пункте больше " + std::to_string(kMaxPoints) + " точек.");
      return;
    }
    if (x && price && unit) {
      row.points.push_back(NormPoint{*x, *price, units_.For(*unit)});
      collection_.xDecimals.push_back(static_cast<std::int8_t>(KeptDecimals(sheet_.At(r, kX), *x)));
      collection_.priceDecimals.push_back(static_cast<std::int8_t>(KeptDecimals(sheet_.At(r, kPrice), *price)));
    }
  }

  const SheetCheck& sheet_;
  NormCollection& collection_;
  Units units_;
  int tableNumber_ = 0;
  int rowNumber_ = 0;
  std::size_t tableTitleRow_ = 0;
  std::size_t rowTitleRow_ = 0;
  std::optional<std::string> rowUnit_;  // the unit of the row's last point read
};

void ReadIndustry(const SheetCheck& sheet, NormCollection& collection) {
  for (std::size_t r = 1; r < sheet.RowCount(); ++r) {
    if (sheet.RowEmpty(r)) continue;
    if (static_cast<int>(collection.coefficients.size()) == kMaxIndustryCoefficients) {
      sheet.Row(r, "больше " + std::to_string(kMaxIndustryCoefficients) + " коэффициентов.");
      return;
    }
    const auto name = sheet.TextAt(r, 0, "наименование коэффициента", kMaxTitleCharacters, true);
    if (name && name->find(';') != std::string::npos) {
      sheet.Cell(r, 0, "в наименовании коэффициента не должно быть знака «;».");
    }
    const auto value = sheet.NumberAt(r, 1, "значение коэффициента");
    if (value && *value < 0) sheet.Cell(r, 1, "коэффициент «" + GeneralForm(*value) + "» отрицателен.");
    if (name && value) collection.coefficients.push_back({*name, NumberText(*value, KeptDecimals(sheet.At(r, 1), *value))});
  }
}

std::vector<std::string> SplitCellLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find_first_of("\r\n", start);
    lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) return lines;
    start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
}

void ReadNotes(const SheetCheck& sheet, NormCollection& collection) {
  for (std::size_t r = 1; r < sheet.RowCount(); ++r) {
    if (sheet.RowEmpty(r)) continue;
    if (static_cast<int>(collection.notes.size()) == kMaxNotes) {
      sheet.Row(r, "больше " + std::to_string(kMaxNotes) + " примечаний.");
      return;
    }
    const int expected = static_cast<int>(collection.notes.size()) + 1;
    if (const auto number = sheet.NumberOfAt(r, 0, "номер таблицы"); number && *number != expected) {
      sheet.Cell(r, 0, "ожидалось примечание к таблице " + std::to_string(expected) + ", а не " +
                           std::to_string(*number) + ": примечания идут по порядку таблиц, без пропусков и повторов.");
    }
    const auto text = sheet.TextAt(r, 1, "текст примечания", 32767, false, true);
    std::vector<std::string>& note = collection.notes.emplace_back();
    if (!text) continue;
    note = SplitCellLines(*text);
    for (std::size_t i = 0; i < note.size(); ++i) {
      if (Characters(note[i]) > kMaxNoteLineCharacters) {
        sheet.Cell(r, 1, "строка " + std::to_string(i + 1) + " примечания длиннее " +
                             std::to_string(kMaxNoteLineCharacters) + " знаков.");
      } else if (i == 0 && note[i] == "END") {
        sheet.Cell(r, 1, "примечание не может начинаться строкой «END»: так отмечен конец файла примечаний.");
      } else if (i > 0 && note[i].starts_with('\\')) {
        sheet.Cell(r, 1, "строка " + std::to_string(i + 1) +
                             " примечания начинается знаком «\\», которым отмечается начало примечания.");
      }
    }
  }
}

void ReadPercentages(const SheetCheck& sheet, NormCollection& collection) {
  for (std::size_t r = 1; r < sheet.RowCount(); ++r) {
    if (sheet.RowEmpty(r)) continue;
    if (static_cast<int>(collection.percentages.size()) == kMaxPercentageLines) {
      sheet.Row(r, "больше " + std::to_string(kMaxPercentageLines) + " строк.");
      return;
    }
    PercentageLine line;
    bool sound = true;
    for (std::size_t f = 0; f < kPercentageNumbers; ++f) {
      const auto value = sheet.NumberAt(r, f, f == 0 ? "стоимость СМР, млн. руб." : "процент");
      if (value && *value < 0) {
        sheet.Cell(r, f, (f == 0 ? "стоимость СМР «" : "процент «") + GeneralForm(*value) + "» отрицательн" +
                             (f == 0 ? "а." : "ый."));
      }
      sound = sound && value && *value >= 0;
      line.numbers.push_back(value.value_or(0));
      line.texts.push_back(value ? PeriodText(*value, KeptDecimals(sheet.At(r, f), *value)) : std::string());
    }
    std::size_t last = sheet.RowCount() > r ? kPercentageNumbers : 0;
    for (std::size_t f = kPercentageNumbers; f < static_cast<std::size_t>(kMaxPercentageFields) + 8; ++f) {
      if (!sheet.Empty(r, f)) last = f + 1;
    }
    if (last > static_cast<std::size_t>(kMaxPercentageFields)) {
      sheet.Row(r, "больше " + std::to_string(kMaxPercentageFields) + " полей.");
      sound = false;
    }
    for (std::size_t f = kPercentageNumbers; f < last && sound; ++f) {
      const auto text = sheet.TextAt(r, f, "поле", kMaxTitleCharacters, false);
      if (text && text->find(';') != std::string::npos) sheet.Cell(r, f, "в поле не должно быть знака «;».");
      line.texts.push_back(text.value_or(""));
    }
    if (!collection.percentages.empty() && sound &&
        line.numbers[0] <= collection.percentages.back().numbers[0]) {
      sheet.Cell(r, 0, "стоимость СМР «" + GeneralForm(line.numbers[0]) +
                           "» должна быть больше, чем в строке выше.");
    }
    if (sound) collection.percentages.push_back(std::move(line));
  }
  if (collection.percentages.size() < 2) {
    sheet.Whole("должно быть не менее двух строк, чтобы было между чем интерполировать.");
  }
}

void ReadAbout(const SheetCheck& sheet, NormCollection& collection) {
  for (std::size_t r = 1; r < sheet.RowCount(); ++r) {
    if (sheet.RowEmpty(r)) continue;
    const auto label = sheet.TextAt(r, 0, "сведение", 50, false);
    const auto value = sheet.TextAt(r, 1, "значение", kMaxTitleCharacters, false);
    if (!label || !value) continue;
    if (label->empty()) {
      collection.about.push_back(*value == "*" ? std::string() : *value);
    } else {
      collection.about.push_back(*label + ": " + *value);
    }
  }
}

const GridSheet* FindSheet(const std::vector<GridSheet>& sheets, std::string_view name) {
  for (const GridSheet& sheet : sheets) {
    if (sheet.name == name) return &sheet;
  }
  return nullptr;
}

}  // namespace

std::vector<GridSheet> NormSheets(const NormCollection& collection) {
  std::vector<GridSheet> sheets;
  sheets.push_back(TablesSheet(collection));
  sheets.push_back(IndustrySheet(collection));
  sheets.push_back(NotesSheet(collection));
  sheets.push_back(PercentageSheet(collection));
  sheets.push_back(AboutSheet(collection));
  return sheets;
}

NormSheetsReading CollectionFromSheets(const std::vector<GridSheet>& sheets) {
  NormSheetsReading reading;
  Problems problems;
  const char* names[] = {kTablesSheet, kIndustrySheet, kNotesSheet, kPercentageSheet, kAboutSheet};
  for (const char* name : names) {
    if (FindSheet(sheets, name) == nullptr) problems.Add(std::string("В книге нет листа «") + name + "».");
  }
  if (problems.Any()) {
    std::string present;
    for (const GridSheet& sheet : sheets) present += (present.empty() ? "«" : ", «") + sheet.name + "»";
    problems.Add("Книга базы норм состоит из листов «Таблицы», «Отраслевые коэффициенты», «Примечания», "
                 "«Проценты СМР» и «О базе»; в этой книге " +
                 (present.empty() ? std::string("листов нет") : "листы " + present) + ".");
    reading.problems = problems.Take();
    return reading;
  }
  NormCollection& collection = reading.collection;
  const SheetCheck tables(*FindSheet(sheets, kTablesSheet), problems);
  tables.Layout(kTableColumns);
  TablesReader(tables, collection).Read();
  const SheetCheck industry(*FindSheet(sheets, kIndustrySheet), problems);
  industry.Layout(kIndustryColumns);
  ReadIndustry(industry, collection);
  const SheetCheck notes(*FindSheet(sheets, kNotesSheet), problems);
  notes.Layout(kNoteColumns);
  ReadNotes(notes, collection);
  const SheetCheck percentages(*FindSheet(sheets, kPercentageSheet), problems);
  percentages.Layout(kPercentageColumns, true);
  ReadPercentages(percentages, collection);
  const SheetCheck about(*FindSheet(sheets, kAboutSheet), problems);
  about.Layout(kAboutColumns);
  ReadAbout(about, collection);
  reading.problems = problems.Take();
  return reading;
}

}  // namespace verdin
