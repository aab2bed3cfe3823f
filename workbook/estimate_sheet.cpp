#include "workbook/estimate_sheet.h"

#include <algorithm>
#include <stdexcept>

#include "core/line_file.h"
#include "core/text_forms.h"
#include "workbook/row_heights.h"
#include "workbook/save_workbook.h"

namespace verdin {

namespace {

constexpr int kColumnA = 1;
constexpr int kColumnB = 2;
constexpr int kColumnC = 3;
constexpr int kColumnD = 4;
constexpr int kColumnE = 5;
constexpr int kFirstItemRow = 11;
constexpr int kMaxRowCounter = 32767;
constexpr int kSheetWideRows = 200;
constexpr double kEmphasisSize = 11;

std::string Row(int row) { return std::to_string(row); }

// The sheet operations of one run under the error rule: an operation that
// fails notes the failure and the run goes on; anything else propagates.
class SheetRun {
 public:
  SheetRun(EstimateSheet& result, Progress& progress) : result_(result), progress_(progress) {}

  template <typename Operation>
  void Do(Operation operation) {
    try {
      operation(result_.sheet);
    } catch (const SheetOperationError& error) {
      if (result_.errorCode != kSheetOperationFailed) result_.errorText = error.what();
      result_.errorCode = kSheetOperationFailed;
    }
  }

  void Put(int column, const std::string& text) { Do([&](Sheet& s) { s.SetValue(row_, column, text); }); }
  void Put(int column, double number) { Do([&](Sheet& s) { s.SetValue(row_, column, number); }); }
  void PutFigure(int column, const Figure& figure) {
    std::visit([&](const auto& value) { Put(column, value); }, figure);
  }
  void PutIfPresent(int column, const std::optional<std::string>& text) {
    if (text) Put(column, *text);
  }
  void Merge(const std::string& address) { Do([&](Sheet& s) { s.Merge(address); }); }
  void Align(const std::string& address, int alignment) {
    Do([&](Sheet& s) { s.SetHorizontalAlignment(address, alignment); });
  }
  void Bold(const std::string& address, double size) {
    Do([&](Sheet& s) {
      s.SetFontSize(address, size);
      s.SetFontStyle(address, xl::kBold);
    });
  }
  // The amount and the caption of the current row, bold and a point larger.
  void Emphasise() {
    Bold("E" + Row(row_), kEmphasisSize);
    Bold("B" + Row(row_), kEmphasisSize);
  }
  void AllBorders(const std::string& address) {
    for (int index = xl::kEdgeLeft; index <= xl::kInsideHorizontal; ++index) {
      Do([&](Sheet& s) { s.SetBorder(address, index, xl::kContinuous); });
    }
  }

  int row() const { return row_; }
  void NextRow() {
    if (row_ >= kMaxRowCounter) throw std::overflow_error("Переполнение счетчика строк листа сметы.");
    ++row_;
  }

  void Caption(const std::string& caption) { progress_.SetCaption(caption); }
  void ProgressStep() { progress_.SetCaption(progress_.Caption() + ".."); }

 private:
  EstimateSheet& result_;
  Progress& progress_;
  int row_ = 1;
};

// Rows the estimate will take, so that the sheet-wide formatting reaches
// every written row also in a long estimate.
int ExpectedRows(const Estimate& estimate) {
  int rows = kFirstItemRow;
  for (const EstimateItem& item : estimate.items) rows += 2 + static_cast<int>(item.applied.size());
  return rows + 30;
}

std::string WholeSheet(const Estimate& estimate) {
  return "A1:H" + Row(std::max(kSheetWideRows, ExpectedRows(estimate)));
}

void SetUpSheet(SheetRun& run, const Estimate& estimate) {
  const double widths[] = {4, 19, 25, 25, 13};
  for (int column = kColumnA; column <= kColumnE; ++column) {
    run.Do([&](Sheet& s) { s.SetColumnWidth(ColumnLetters(column) + "1", widths[column - 1]); });
  }
  const std::string all = WholeSheet(estimate);
  run.Do([&](Sheet& s) {
    s.SetFontName(all, "Times New Roman");
    s.SetFontStyle(all, xl::kRegular);
    s.SetFontSize(all, 10);
  });
  run.Do([&](Sheet& s) {
    s.SetHorizontalAlignment(all, xl::kAlignGeneral);
    s.SetVerticalAlignment(all, xl::kAlignCenter);
  });
  run.Caption("Сохраняю результаты ...");
}

void WriteHeader(SheetRun& run, const HeaderTexts& header) {
  run.Put(kColumnE, "Приложение №1");
  run.NextRow();
  run.Put(kColumnE, "к договору №  " + header.contractNumber + " от " + header.contractDate);
  run.Caption("Сохраняю результаты ....");
  run.NextRow();
  run.Put(kColumnC, "Смета № " + header.contractNumber);
  run.NextRow();
  run.Put(kColumnC, "на проектно-изыскательские работы");
  run.NextRow();
  run.NextRow();
  run.Put(kColumnA, "Наименование предприятия, здания, сооружения, стадии проектирования, этапа, вида "
                    "проектных работ. ");
  run.Put(kColumnD, header.objectName);
  run.NextRow();
  run.Put(kColumnA, "Наименование проектной организации.");
  run.Put(kColumnD, header.designOrganisation);
  run.NextRow();
  run.Put(kColumnA, "Наименование организации заказчика.");
  run.Put(kColumnD, header.customerOrganisation);
  run.NextRow();
  run.NextRow();
  run.Put(kColumnA, "№ п/п");
  run.Put(kColumnB, "Наименование и характеристика работ");
  run.Put(kColumnC, "Сборник цен на проектно-изыскательские работы. № разделов, таблиц, пунктов");
  run.Put(kColumnD, "Расчет стоимости работ.");
  run.Put(kColumnE, "Стоимость, тыс.руб.");
  run.NextRow();
}

void FormatHeader(SheetRun& run) {
  for (const char* range : {"A1:E1", "A2:E2", "A3:E3", "A4:E4", "A6:C6", "A7:C7", "A8:C8", "D6:E6", "D7:E7", "D8:E8"}) {
    run.Merge(range);
  }
  run.Align("A1:E1", xl::kAlignRight);
  run.Align("A2:E2", xl::kAlignRight);
  run.Align("A3:E3", xl::kAlignCenter);
  run.Align("A4:E4", xl::kAlignCenter);
  run.Bold("A3:E3", kEmphasisSize);
  run.Bold("A4:E4", kEmphasisSize);
  run.AllBorders("A6:E8");
  run.Do([](Sheet& s) {
    s.SetRowHeight("A6:E6", 35);
    s.SetRowHeight("A7:E7", 25);
    s.SetRowHeight("A8:E8", 25);
  });
}

void WriteHeadLine(SheetRun& run, const ItemHeadLine& head) {
  run.Put(kColumnA, head.number);
  run.Put(kColumnB, head.title);
  run.PutIfPresent(kColumnC, head.reference);
  run.PutIfPresent(kColumnD, head.calculation);
  run.PutFigure(kColumnE, head.amount);
  run.NextRow();
}

void WriteCoefficientLine(SheetRun& run, const CoefficientLine& line) {
  run.Put(kColumnB, line.coefficient);
  run.Put(kColumnC, line.basis);
  run.Put(kColumnD, line.calculation);
  run.Put(kColumnE, line.amount);
  run.PutIfPresent(kColumnA, line.number);
  run.NextRow();
}

// The total line of an item; the item's number cell is merged from its
// first row down to this one.
void WriteItemTotal(SheetRun& run, const ItemTotalLine& total, int firstRow) {
  const std::string row = Row(run.row());
  run.Put(kColumnD, total.caption);
  run.Put(kColumnE, total.amount);
  run.Merge("A" + Row(firstRow) + ":A" + row);
  run.Merge("B" + row + ":D" + row);
  run.Align("B" + row + ":D" + row, xl::kAlignRight);
  run.Do([&](Sheet& s) { s.SetFontStyle("B" + row + ":E" + row, xl::kBold); });
  run.NextRow();
}

// The first row of a share of another item, which has no head line of its
// own: the item's number and name, as every other item's block begins, so
// that a reader can tell what the coefficient below is applied to.
void WriteShareNameLine(SheetRun& run, const std::optional<std::string>& number, const std::string& name) {
  run.PutIfPresent(kColumnA, number);
  run.Put(kColumnB, name);
  run.NextRow();
}

void WriteItem(SheetRun& run, const ItemFigures& item, const EstimateItem& record) {
  const int firstRow = run.row();
  if (item.head) {
    WriteHeadLine(run, *item.head);
  } else if (!item.coefficients.empty()) {
    WriteShareNameLine(run, item.coefficients.front().number, record.name);
  }
  for (CoefficientLine line : item.coefficients) {
    if (!item.head) line.number.reset();  // a share's number stands on its name line
    WriteCoefficientLine(run, line);
  }
  if (item.total) WriteItemTotal(run, *item.total, firstRow);
}

void WriteItems(SheetRun& run, const Estimate& estimate, const EstimateFigures& figures) {
  const std::size_t count = std::min(figures.items.size(), estimate.items.size());
  for (std::size_t i = 0; i < count; ++i) {
    run.ProgressStep();
    WriteItem(run, figures.items[i], estimate.items[i]);
  }
}

void WriteTotal(SheetRun& run, const EstimateTotalLine& total) {
  run.Put(kColumnA, total.number);
  run.Put(kColumnB, total.caption);
  run.Put(kColumnE, total.SumRazd);
  if (total.calculation) run.PutFigure(kColumnD, *total.calculation);
  run.Emphasise();
  run.NextRow();
}

// The spare rows make no progress step of their own.
bool StepsProgress(int chargeRow) { return chargeRow != charge_row::kSpare1 && chargeRow != charge_row::kSpare2; }

void WriteCharges(SheetRun& run, const std::vector<ChargeLine>& charges) {
  int previousRow = -1;
  for (const ChargeLine& line : charges) {
    if (line.chargeRow != previousRow && StepsProgress(line.chargeRow)) run.ProgressStep();
    previousRow = line.chargeRow;
    run.Put(kColumnA, line.number);
    run.Put(kColumnB, line.caption);
    run.PutFigure(kColumnD, line.calculation);
    if (line.amount) run.Put(kColumnE, *line.amount);
    if (line.emphasised) run.Emphasise();
    run.NextRow();
  }
  run.AllBorders("A" + Row(kEstimateHeadingRow) + ":E" + Row(run.row() - 1));
}

void WritePayOut(SheetRun& run, const std::vector<PayOutLine>& lines) {
  for (const PayOutLine& line : lines) {
    run.Put(kColumnB, line.caption);
    run.Put(kColumnD, line.calculation);
    run.Put(kColumnE, line.amount);
    run.NextRow();
  }
}

void WriteClosing(SheetRun& run, const EstimateFigures& figures) {
  run.Align("A" + Row(kFirstItemRow) + ":A" + Row(run.row() - 1), xl::kAlignCenter);
  run.NextRow();
  run.Put(kColumnA, figures.wordsLine);
  const int wordsRow = run.row();
  run.Do([&](Sheet& s) { s.SetRowHeight("A" + Row(wordsRow), 50); });
  run.NextRow();
  for (const SignatureLine& signature : figures.signatures) {
    run.Put(kColumnA, signature.post);
    run.Put(kColumnD, signature.name);
    run.Merge("A" + Row(run.row()) + ":C" + Row(run.row()));
    run.NextRow();
  }
  run.ProgressStep();
  run.Merge("A" + Row(wordsRow) + ":E" + Row(wordsRow));
}

void FinishPage(SheetRun& run, const Estimate& estimate) {
  const std::string all = WholeSheet(estimate);
  run.Do([&](Sheet& s) { s.SetWrapText(all, true); });
  // The spreadsheet application makes each row as high as its wrapped
  // texts need and keeps that height in the file.
  run.Do([](Sheet& s) { FitRowHeights(s); });
  run.Do([](Sheet& s) { s.SetDisplayGridlines(false); });
  run.Do([](Sheet& s) {
    const double wide = Sheet::InchesToPoints(0.78740157480315);
    const double narrow = Sheet::InchesToPoints(0.590551181102362);
    s.SetMargins(wide, narrow, narrow, narrow);
  });
}

void Build(SheetRun& run, const Estimate& estimate, const GeneralData& general, const EstimateFigures& figures,
           bool withoutCharges) {
  SetUpSheet(run, estimate);
  WriteHeader(run, general.header);
  FormatHeader(run);
  WriteItems(run, estimate, figures);
  WriteTotal(run, figures.total);
  if (withoutCharges) {
    WritePayOut(run, figures.payOut);
  } else {
    WriteCharges(run, figures.charges);
  }
  WriteClosing(run, figures);
  FinishPage(run, estimate);
  run.Do([](Sheet& s) { s.SetRepeatedRow(kEstimateHeadingRow); });
}

}  // namespace

EstimateSheet BuildEstimateSheet(const Estimate& estimate, const GeneralData& general, const EstimateFigures& figures,
                                 bool withoutCharges, Progress& progress) {
  EstimateSheet result;
  SheetRun run(result, progress);
  Build(run, estimate, general, figures, withoutCharges);
  return result;
}

EstimateSheet WriteEstimateSheet(const Estimate& estimate, const GeneralData& general, const EstimateFigures& figures,
                                 bool withoutCharges, const std::filesystem::path& chosenFile, Progress& progress) {
  EstimateSheet result;
  SheetRun run(result, progress);
  Build(run, estimate, general, figures, withoutCharges);
  const std::filesystem::path file = WorkbookPath(chosenFile);
  run.Do([&](Sheet& s) { SaveWorkbook(s, file); });
  run.ProgressStep();
  return result;
}

std::filesystem::path WorkbookPath(const std::filesystem::path& chosenFile) {
  // A name that already ends in ".xls", ".xlsx" or ".pdf" is the file's
  // own name, in the case the user wrote it.
  if (FormatOfName(chosenFile) != WorkbookFormat::None) return chosenFile;
  const std::string name = PathText(chosenFile);
  constexpr std::size_t kExtensionCharacters = 4;
  if (CharacterCount(name) < kExtensionCharacters) {
    throw std::invalid_argument("Имя файла сметы «" + ShowControlBytes(name) + "» слишком короткое.");
  }
  return PathFromText(std::string(WithoutLastCharacters(name, kExtensionCharacters)) + ".xls");
}

}  // namespace verdin
