#include "workbook/estimate_workbook.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "core/index.h"
#include "core/text_forms.h"
#include "core/amount_in_words.h"
#include "workbook/row_heights.h"
#include "workbook/save_workbook.h"

namespace verdin {

namespace {

constexpr int kErrorOfOperation = 1004;
constexpr int kColumnA = 1;
constexpr int kColumnB = 2;
constexpr int kColumnC = 3;
constexpr int kColumnD = 4;
constexpr int kColumnE = 5;
constexpr int kFirstItemRow = 11;
constexpr int kMaxRowCounter = 32767;
constexpr int kSheetWideRows = 200;

// r(x): rounded down to three decimals.
double r(double value) { return RoundDownToThousandths(value); }

std::string Num(double value) { return GeneralForm(value); }

std::string Row(int row) { return std::to_string(row); }

std::string RemoveLeadingBlank(std::string text) {
  if (!text.empty() && text.front() == ' ') text.erase(0, 1);
  return text;
}

// The sheet operations of one run under the error rule: an operation that
// fails notes error 1004 and the run goes on; anything else propagates.
class SheetRun {
 public:
  SheetRun(Sheet& sheet, AppState& state, Progress& progress)
      : sheet_(sheet), state_(state), progress_(progress) {}

  template <typename Operation>
  void Do(Operation operation) {
    try {
      operation(sheet_);
    } catch (const SheetOperationError& error) {
      if (state_.ErrRez != kErrorOfOperation) state_.ErrRezText = error.what();
      state_.ErrRez = kErrorOfOperation;
    }
  }

  void Put(int column, const std::string& text) { Do([&](Sheet& s) { s.SetValue(row_, column, text); }); }
  void Put(int column, double number) { Do([&](Sheet& s) { s.SetValue(row_, column, number); }); }
  void PutAt(int row, int column, const std::string& text) { Do([&](Sheet& s) { s.SetValue(row, column, text); }); }
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
  Sheet& sheet_;
  AppState& state_;
  Progress& progress_;
  int row_ = 1;
};

// Amounts of the totals section of one run.
struct Totals {
  double SumRazd = 0;
  double SumAll = 0;
  double SumNds = 0;
  double SumOtch3 = 0;
  double SumOtch4 = 0;
  double SumOtch5 = 0;
};

// Rows the estimate will take, so that the sheet-wide formatting reaches
// every written row also in a long estimate.
int ExpectedRows(const AppState& state) {
  int rows = kFirstItemRow;
  for (int i = 1; i <= state.KolZd; ++i) {
    const EstimateItem& item = state.items[At(i)];
    const int n = static_cast<int>(LeadingNumber(item.ZdKoeffS[0][0]));
    rows += 2 + std::max(n, 0);
  }
  return rows + 30;
}

void SetUpSheet(SheetRun& run, const AppState& state) {
  const double widths[] = {4, 19, 25, 25, 13};
  for (int column = kColumnA; column <= kColumnE; ++column) {
    run.Do([&](Sheet& s) { s.SetColumnWidth(ColumnLetters(column) + "1", widths[column - 1]); });
  }
  const std::string all = "A1:H" + Row(std::max(kSheetWideRows, ExpectedRows(state)));
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

void StoreHeaderTexts(AppState& state, const GeneralDataForm& frmObD) {
  auto& header = state.items[0].ZdS;
  header[1] = Trim(frmObD.txtNdog);
  header[2] = Trim(frmObD.txtDataDog);
  header[3] = HeaderObjectName(frmObD.txtShapka[0]);
  header[4] = Trim(frmObD.txtShapka[1]);
  header[5] = Trim(frmObD.txtShapka[2]);
}

void WriteHeader(SheetRun& run, const AppState& state) {
  const auto& header = state.items[0].ZdS;
  run.Put(kColumnE, "Приложение №1");
  run.NextRow();
  run.Put(kColumnE, "к договору №  " + header[1] + " от " + header[2]);
  run.Caption("Сохраняю результаты ....");
  run.NextRow();
  run.Put(kColumnC, "Смета № " + header[1]);
  run.NextRow();
  run.Put(kColumnC, "на проектно-изыскательские работы");
  run.NextRow();
  run.NextRow();
  run.Put(kColumnA, "Наименование предприятия, здания, сооружения, стадии проектирования, этапа, вида "
                    "проектных работ. ");
  run.Put(kColumnD, header[3]);
  run.NextRow();
  run.Put(kColumnA, "Наименование проектной организации.");
  run.Put(kColumnD, header[4]);
  run.NextRow();
  run.Put(kColumnA, "Наименование организации заказчика.");
  run.Put(kColumnD, header[5]);
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
  run.Bold("A3:E3", 11);
  run.Bold("A4:E4", 11);
  run.AllBorders("A6:E8");
  run.Do([](Sheet& s) {
    s.SetRowHeight("A6:E6", 35);
    s.SetRowHeight("A7:E7", 25);
    s.SetRowHeight("A8:E8", 25);
  });
}

// One item block; returns the item's cost as the sheet computes it.
void WriteItem(SheetRun& run, EstimateItem& item, int& N) {
  const int kind = static_cast<int>(item.ZdD[col::kNomTab]);
  if (kind == 1) {
    ++N;
    run.Put(kColumnA, StrForm(N));
    run.Put(kColumnB, item.ZdS[col::kName]);
    run.Put(kColumnE, RemoveLeadingBlank(StrForm(item.ZdD[col::kCost])));
    run.NextRow();
    return;
  }
  if (kind != -1) {
    ++N;
    run.Put(kColumnA, StrForm(N));
    run.Put(kColumnB, item.ZdS[col::kName] + ", " + item.ZdS[col::kQuantity] + " " + item.ZdS[col::kUnit]);
    run.Put(kColumnC, kind == 2 ? std::string("Общие и методические указания. Раздел Б. Табл. А.1 ")
                                : "СБЦ № 20-2008 на общестр. работы. " + item.ZdS[col::kReference]);
    run.Put(kColumnD, item.ZdS[col::kCalculation]);
    run.Put(kColumnE, r(item.ZdBaz[1]));
    run.NextRow();
  }
  const int R0 = item.ZdD[10] == -1 ? run.row() : run.row() - 1;
  const int n = std::clamp(static_cast<int>(LeadingNumber(item.ZdKoeffS[0][0])), 0, kMaxItemCoefficients);
  double P = item.ZdBaz[1];
  for (int j = 1; j <= n; ++j) {
    if (j == 1 && kind == -1) ++N;
    const double value = item.ZdKoeffD[At(j)][1];
    run.Put(kColumnB, item.ZdKoeffS[At(j)][1] + "=" + Num(value));
    run.Put(kColumnC, item.ZdKoeffS[At(j)][3]);
    const double Q = r(P);
    P = value * Q;
    run.Put(kColumnD, Num(Q) + " x " + Num(value) + " =");
    run.Put(kColumnE, r(P));
    if (j == 1 && kind == -1) run.Put(kColumnA, StrForm(N));
    run.NextRow();
    if (j == n) {
      const std::string row = Row(run.row());
      run.Put(kColumnD, "ИТОГО по п." + Trim(std::to_string(N)));
      run.Put(kColumnE, r(P));
      run.Merge("A" + Row(R0) + ":A" + row);
      run.Merge("B" + row + ":D" + row);
      run.Align("B" + row + ":D" + row, xl::kAlignRight);
      run.Do([&](Sheet& s) { s.SetFontStyle("B" + row + ":E" + row, xl::kBold); });
      run.NextRow();
    }
  }
  item.ZdD[col::kCost] = P;
}

// A share of an item without coefficients would get no row at all while
// its cost counts in the total: it gets one row with its number, its name
// and its cost.
void WriteShareWithoutCoefficients(SheetRun& run, EstimateItem& item, int& N) {
  ++N;
  run.Put(kColumnA, StrForm(N));
  run.Put(kColumnB, item.ZdS[col::kName]);
  run.Put(kColumnE, r(item.ZdBaz[1]));
  run.NextRow();
  item.ZdD[col::kCost] = item.ZdBaz[1];
}

void WriteItems(SheetRun& run, AppState& state) {
  int N = 0;
  for (int i = 1; i <= state.KolZd; ++i) {
    run.ProgressStep();
    EstimateItem& item = state.items[At(i)];
    const bool share = item.ZdD[col::kNomTab] == -1;
    if (share && LeadingNumber(item.ZdKoeffS[0][0]) < 1) {
      WriteShareWithoutCoefficients(run, item, N);
    } else {
      WriteItem(run, item, N);
    }
  }
}

void WriteTotal(SheetRun& run, const AppState& state, Totals& totals, int& m) {
  std::string formula;
  for (int i = 1; i <= state.KolZd; ++i) {
    const double cost = r(state.items[At(i)].ZdD[col::kCost]);
    totals.SumRazd += cost;
    formula += (i == 1 ? "" : " + ") + Num(cost);
  }
  m = state.KolZd + 1;
  run.Put(kColumnA, StrForm(m));
  run.Put(kColumnB, "Стоимость в текущих ценах по п.п. 1-" + StrForm(state.KolZd));
  run.Put(kColumnE, totals.SumRazd);
  if (state.KolZd == 1) {
    run.Put(kColumnD, r(state.items[1].ZdD[col::kCost]));
  } else if (state.KolZd > 1) {
    run.Put(kColumnD, formula + " = ");
  }
  run.Bold("E" + Row(run.row()), 11);
  run.Bold("B" + Row(run.row()), 11);
  run.NextRow();
}

// One charge line: its number, caption, formula and amount.
void ChargeLine(SheetRun& run, int& m, const std::string& caption, const std::string& formula) {
  ++m;
  run.Put(kColumnA, StrForm(m));
  run.Put(kColumnB, caption);
  run.Put(kColumnD, formula);
}

// The three lines of the VAT row: the cost without VAT, the VAT, the
// total cost.
void WriteVat(SheetRun& run, const AppState& state, Totals& totals, int& m) {
  const auto& rates = state.general.Otchisl;
  double W = totals.SumRazd;
  std::string formula = Num(r(totals.SumRazd));
  for (int j = 3; j <= 7; ++j) {
    if (rates[At(j)][1] == 0) continue;
    W += r(state.OtchislSum[At(j)]);
    formula += " + " + Num(r(state.OtchislSum[At(j)]));
  }
  ChargeLine(run, m, "Стоимость проектных работ без НДС", formula + "=");
  run.Put(kColumnE, W);
  run.Bold("E" + Row(run.row()), 11);
  run.Bold("B" + Row(run.row()), 11);
  run.NextRow();
  const double R8 = rates[8][2];
  totals.SumNds = W * R8 / 100;
  ChargeLine(run, m, "НДС, " + Num(R8) + " %", Num(r(W)) + " x " + Num(R8) + " / 100 =");
  run.Put(kColumnE, r(totals.SumNds));
  run.NextRow();
  totals.SumAll = W + r(totals.SumNds);
  ChargeLine(run, m, "Общая стоимость проектных работ", Num(r(W)) + " + " + Num(r(totals.SumNds)) + " =");
  run.Put(kColumnE, totals.SumAll);
  run.Bold("E" + Row(run.row()), 11);
  run.Bold("B" + Row(run.row()), 11);
}

void WriteCharges(SheetRun& run, AppState& state, Totals& totals, int& m) {
  const auto& rates = state.general.Otchisl;
  const auto& names = state.general.OtchislName;
  const auto included = [&](int k) { return rates[At(k)][1] != 0; };
  const double T = r(totals.SumRazd);
  const double R1 = rates[1][2];
  double Bz = 0;
  for (int k = 1; k <= kChargeRows; ++k) {
    if (rates[At(k)][1] != 1) continue;
    if (k <= 5 || k == 8) run.ProgressStep();
    const double R = rates[At(k)][2];
    if (k == 1) {
      ++m;
      run.Put(kColumnA, StrForm(m));
      run.Put(kColumnB, names[1][1]);
      run.Put(kColumnD, R1);
    } else if (k == 2) {
      ChargeLine(run, m, names[2][1], Num(T) + "  - (" + Num(T) + " x " + Num(R1) + ") / (100 + " + Num(R1) + ")");
      Bz = totals.SumRazd - totals.SumRazd * R1 / (R1 + 100);
      run.Put(kColumnE, r(Bz));
    } else if (k == 5) {
      std::string sum = Num(T);
      if (included(3)) sum += " + " + Num(r(totals.SumOtch3));
      if (included(4)) sum += " + " + Num(r(totals.SumOtch4));
      if (included(3) || included(4)) sum = "(" + sum + ")";
      ChargeLine(run, m, names[5][1] + " - " + Num(R), sum + " x " + Num(R) + " / (100 - " + Num(R) + ") =");
      totals.SumOtch5 = (totals.SumRazd + totals.SumOtch3 + totals.SumOtch4) * R / (100 - R);
      run.Put(kColumnE, r(totals.SumOtch5));
      state.OtchislSum[5] = totals.SumOtch5;
    } else if (k == 8) {
      WriteVat(run, state, totals, m);
    } else {
      // Rows 3, 4, 6 and 7: a share of the base. Only row 3 writes its
      // rate with a period; row 3 keeps its own amount, the others share one.
      const std::string rate = k == 3 ? StrForm(R) : Num(R);
      ChargeLine(run, m, names[At(k)][1] + " - " + rate, Num(r(Bz)) + " x " + rate + " / 100 =");
      double& amount = k == 3 ? totals.SumOtch3 : totals.SumOtch4;
      amount = Bz * R / 100;
      run.Put(kColumnE, r(amount));
      state.OtchislSum[At(k)] = amount;
    }
    run.NextRow();
  }
  run.AllBorders("A10:E" + Row(run.row() - 1));
}

double PayOutPercentage(const std::string& text) {
  const auto value = ParseTypedNumber(text);
  if (!value) {
    throw std::invalid_argument("Процент в окне расчета выплаты «" + text + "» не является числом.");
  }
  return *value;
}

void WritePayOut(SheetRun& run, const Totals& totals, const PayOutBoxes& frmW) {
  const double p1 = PayOutPercentage(frmW.kopecks);
  const double p2 = PayOutPercentage(frmW.section);
  run.Put(kColumnB, "Стоимость раздела ");
  run.Put(kColumnD, Num(p2 / 100) + " x " + Num(r(totals.SumRazd)));
  const double V1 = totals.SumRazd * p2 / 100;
  run.Put(kColumnE, r(V1));
  run.NextRow();
  run.Put(kColumnB, "Зарплата ");
  run.Put(kColumnD, Num(p1 / 100) + " x " + Num(r(V1)));
  run.Put(kColumnE, r(V1 * p1 / 100));
  run.NextRow();
}

// Whole roubles of an amount in thousands. The amounts are sums of whole
// thousandths, which binary arithmetic may leave a hair below the exact
// value; the words must name the same roubles the sheet shows.
double WholeRoubles(double thousands) { return std::floor(thousands * 1000 + 1e-6); }

void WriteClosing(SheetRun& run, const AppState& state, const Totals& totals) {
  run.Align("A" + Row(kFirstItemRow) + ":A" + Row(run.row() - 1), xl::kAlignCenter);
  std::string words;
  if (!state.BezOtchisl) {
    words = AmountInWords(WholeRoubles(totals.SumAll)) + ", в том числе НДС  - " +
            AmountInWords(WholeRoubles(totals.SumNds));
  }
  run.NextRow();
  run.Put(kColumnA, "Всего по смете: " + words);
  const int RW = run.row();
  run.Do([&](Sheet& s) { s.SetRowHeight("A" + Row(RW), 50); });
  run.NextRow();
  const auto& signatures = state.general.Podpis;
  for (int s = 1; s <= kSignatoryRows; ++s) {
    if (signatures[At(s)][1] != "1") continue;
    run.Put(kColumnA, signatures[At(s)][2]);
    run.Put(kColumnD, signatures[At(s)][3]);
    run.Merge("A" + Row(run.row()) + ":C" + Row(run.row()));
    run.NextRow();
  }
  run.ProgressStep();
  run.Merge("A" + Row(RW) + ":E" + Row(RW));
}

void FinishPage(SheetRun& run, const AppState& state) {
  const std::string all = "A1:H" + Row(std::max(kSheetWideRows, ExpectedRows(state)));
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

}  // namespace

EstimateWorkbook WriteEstimateWorkbook(AppState& state, const GeneralDataForm& frmObD, const PayOutBoxes& frmW,
                                       Progress& progress) {
  EstimateWorkbook result;
  Sheet& sheet = result.sheet;
  SheetRun run(sheet, state, progress);
  state.ErrRez = -1;
  state.ErrRezText.clear();
  SetUpSheet(run, state);
  Totals totals;
  StoreHeaderTexts(state, frmObD);
  WriteHeader(run, state);
  FormatHeader(run);
  WriteItems(run, state);
  int m = 0;
  WriteTotal(run, state, totals, m);
  if (state.BezOtchisl) {
    WritePayOut(run, totals, frmW);
  } else {
    WriteCharges(run, state, totals, m);
  }
  WriteClosing(run, state, totals);
  FinishPage(run, state);
  const auto file = WorkbookFileName(state.FileXls);
  run.Do([&](Sheet& s) { SaveWorkbook(s, file); });
  run.ProgressStep();
  result.SumRazd = totals.SumRazd;
  result.SumNds = totals.SumNds;
  result.SumAll = totals.SumAll;
  return result;
}

std::string HeaderObjectName(const std::string& txtShapka0) {
  std::string text = Trim(txtShapka0);
  for (const char lineEnd : {'\n', '\r'}) {
    for (std::size_t p; (p = text.find(lineEnd)) != std::string::npos;) {
      text = Trim(text.substr(0, p)) + Trim(text.substr(p + 1));
    }
  }
  return text;
}

std::filesystem::path WorkbookFileName(const std::filesystem::path& FileXls) {
  const std::string name = FileXls.string();
  if (name.size() >= 5 && name.compare(name.size() - 5, 5, ".xlsx") == 0) return FileXls;
  if (name.size() < 4) {
    throw std::invalid_argument("Имя файла сметы «" + name + "» слишком короткое.");
  }
  return name.substr(0, name.size() - 4) + ".xls";
}

}  // namespace verdin
