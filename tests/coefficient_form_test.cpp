#include "forms/coefficient_form.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/cost_chain.h"
#include "core/item_input.h"
#include "core/line_file.h"
#include "core/text_forms.h"
#include "tests/test_support.h"

namespace verdin {
namespace {

using Lines = std::vector<std::string>;
using testing::TempFolder;
using testing::WriteLines;

NormStore StoreWithIndustry() {
  NormStore norms;
  norms.Kotr = {{"Жилищно-гражданское строительство", "1"},
                {"Промышленность строительных материалов", "1,05"},
                {"Пищевая промышленность", "1,08"}};
  return norms;
}

// The lines of one record: row i gets name "Имя i", symbol "К(i)", value
// "1,i" and basis "Осн. i"; `ticked` rows are marked.
Lines RecordLines(const std::string& tag, const std::vector<int>& ticked = {}) {
  Lines lines;
  for (int i = 0; i < kCoefficientRows; ++i) {
    const bool on = std::find(ticked.begin(), ticked.end(), i) != ticked.end();
    lines.push_back(on ? " 1 " : " 0 ");
    lines.push_back(tag + " имя " + std::to_string(i));
    lines.push_back("К(" + std::to_string(i) + ")");
    lines.push_back("1," + std::to_string(i));
    lines.push_back(tag + " осн. " + std::to_string(i));
  }
  return lines;
}

Lines Concat(Lines a, const Lines& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

CoefficientForm FormWithTicks(const std::vector<std::pair<int, std::string>>& ticked) {
  CoefficientForm form = InitialCoefficientForm();
  form.chkKoeff.fill(false);
  for (const auto& [row, value] : ticked) {
    form.chkKoeff[static_cast<std::size_t>(row)] = true;
    form.txtKoeffK[static_cast<std::size_t>(row)] = value;
  }
  return form;
}

// ---- Initial contents and the window's events ---------------------------

TEST(CoefficientFormInitial, MatchesTheDesignedRows) {
  const CoefficientForm form = InitialCoefficientForm();
  EXPECT_EQ(form.txtKoeffI[0], "К(инд.)");
  EXPECT_EQ(form.txtKoeffK[0], " ");
  EXPECT_EQ(form.txtKoeffIm[7], " Кондиционирование");
  EXPECT_EQ(form.txtKoeffK[10], "0,15");
  EXPECT_EQ(form.txtKoeffIm[14] + form.txtKoeffI[14] + form.txtKoeffK[14] + form.txtKoeffP[14],
            "   ");
  for (std::size_t i = 0; i < kCoefficientRows; ++i) EXPECT_EQ(form.chkKoeff[i], i == 0) << i;
  EXPECT_EQ(form.optGil, CoefficientForm::kOther);
  EXPECT_EQ(form.txtKi, (std::array<std::string, 2>{"1,312", "1,291"}));
}

TEST(CoefficientFormEvents, OptionClicksPutTheirIndexationIntoRowZero) {
  CoefficientForm form = InitialCoefficientForm();
  ClickOptGil(form, CoefficientForm::kHousing);
  EXPECT_EQ(form.optGil, CoefficientForm::kHousing);
  EXPECT_EQ(form.txtKoeffK[kIndexationRow], "1,312");
  ClickOptGil(form, CoefficientForm::kOther);
  EXPECT_EQ(form.txtKoeffK[kIndexationRow], "1,291");
  EXPECT_EQ(form.txtKoeffK[1], "1,1");  // the regional row keeps its own value

  ClickOptGil(form, 7);  // no such option: nothing changes
  EXPECT_EQ(form.optGil, CoefficientForm::kOther);
  EXPECT_EQ(form.txtKoeffK[kIndexationRow], "1,291");
}

TEST(CoefficientFormEvents, TypingAnIndexationBoxFollowsTheSelectedOption) {
  CoefficientForm form = InitialCoefficientForm();
  form.txtKoeffK[kIndexationRow] = "9";
  ChangeTxtKi(form, 1, "1,3");  // PathFromText("Не жилье") is selected
  EXPECT_EQ(form.txtKi[1], "1,3");
  EXPECT_EQ(form.txtKoeffK[kIndexationRow], "1,3");

  // A change of the housing box also updates, with the selected option's text.
  ChangeTxtKi(form, 0, "1,4");
  EXPECT_EQ(form.txtKi[0], "1,4");
  EXPECT_EQ(form.txtKoeffK[kIndexationRow], "1,3");

  ClickOptGil(form, CoefficientForm::kHousing);
  ChangeTxtKi(form, 0, "1,45");
  EXPECT_EQ(form.txtKoeffK[kIndexationRow], "1,45");

  // Setting the same text is no change; an unknown box is ignored.
  form.txtKoeffK[kIndexationRow] = "typed";
  ChangeTxtKi(form, 0, "1,45");
  ChangeTxtKi(form, 2, "5");
  ChangeTxtKi(form, -1, "5");
  EXPECT_EQ(form.txtKoeffK[kIndexationRow], "typed");
}

TEST(CoefficientFormEvents, IndustrySelectionFillsRowFour) {
  const NormStore norms = StoreWithIndustry();
  CoefficientForm form = InitialCoefficientForm();
  form.cboKotr = {norms.Kotr[0].name, norms.Kotr[1].name, norms.Kotr[2].name};

  SelectKotr(form, norms, 2, false);
  EXPECT_EQ(form.cboKotrIndex, 2);
  EXPECT_EQ(form.txtKoeffK[kIndustryRow], "1,08");
  EXPECT_EQ(form.txtKoeffP[kIndustryRow], " табл. 2.66, п. 3");

  // By program, the same selection is no change; a click always updates.
  form.txtKoeffK[kIndustryRow] = "2";
  SelectKotr(form, norms, 2, true);
  EXPECT_EQ(form.txtKoeffK[kIndustryRow], "2");
  SelectKotr(form, norms, 2, false);
  EXPECT_EQ(form.txtKoeffK[kIndustryRow], "1,08");

  // Out of range is ignored; -1 clears the selection without an update.
  SelectKotr(form, norms, 3, false);
  SelectKotr(form, norms, -2, false);
  EXPECT_EQ(form.cboKotrIndex, 2);
  SelectKotr(form, norms, -1, false);
  EXPECT_EQ(form.cboKotrIndex, -1);
  EXPECT_EQ(form.txtKoeffK[kIndustryRow], "1,08");
  EXPECT_EQ(form.txtKoeffP[kIndustryRow], " табл. 2.66, п. 3");
}

// ---- Loading and saving the state file ----------------------------------

TEST(CoefficientFormFile, MissingOrEmptyFileGivesTheInitialContentsSilently) {
  TempFolder folder;
  RecordingMessages messages;
  const NormStore norms = StoreWithIndustry();
  const CoefficientForm form = LoadCoefficientForm(folder / PathFromText(kCoefficientFileName), norms, messages);
  EXPECT_TRUE(messages.entries.empty());
  const CoefficientForm initial = InitialCoefficientForm();
  EXPECT_EQ(form.txtKoeffIm, initial.txtKoeffIm);
  EXPECT_EQ(form.chkKoeff, initial.chkKoeff);
  EXPECT_EQ(form.txtKi, initial.txtKi);
  // The industry list is filled and its first entry selected all the same.
  EXPECT_EQ(form.cboKotr.size(), 3U);
  EXPECT_EQ(form.cboKotr[1], "Промышленность строительных материалов");
  EXPECT_EQ(form.cboKotrIndex, 0);
  EXPECT_EQ(form.txtKoeffK[kIndustryRow], "1");
  EXPECT_EQ(form.txtKoeffP[kIndustryRow], " табл. 2.66, п. 1");

  // An empty file reads nothing either.
  WriteLines(folder / PathFromText(kCoefficientFileName), {});
  const CoefficientForm empty = LoadCoefficientForm(folder / PathFromText(kCoefficientFileName), norms, messages);
  EXPECT_TRUE(messages.entries.empty());
  EXPECT_EQ(empty.txtKoeffIm, initial.txtKoeffIm);
}

TEST(CoefficientFormFile, RowFourComesFromTheFirstIndustryEntryWhateverTheFileHolds) {
  TempFolder folder;
  const auto file = folder / PathFromText(kCoefficientFileName);
  WriteLines(file, Concat(RecordLines("Ф"), {"1,5", "1,6"}));
  RecordingMessages messages;
  NormStore norms = StoreWithIndustry();
  norms.Kotr[0].value = "1,02";

  const CoefficientForm form = LoadCoefficientForm(file, norms, messages);
  EXPECT_EQ(form.txtKoeffK[kIndustryRow], "1,02");
  EXPECT_EQ(form.txtKoeffP[kIndustryRow], " табл. 2.66, п. 1");
  EXPECT_EQ(form.txtKoeffIm[kIndustryRow], "Ф имя 4");

  // Without industry coefficients nothing is selected and row 4 stays as read.
  const CoefficientForm bare = LoadCoefficientForm(file, NormStore{}, messages);
  EXPECT_TRUE(bare.cboKotr.empty());
  EXPECT_EQ(bare.cboKotrIndex, -1);
  EXPECT_EQ(bare.txtKoeffK[kIndustryRow], "1,4");
  EXPECT_EQ(bare.txtKoeffP[kIndustryRow], "Ф осн. 4");
  EXPECT_TRUE(messages.entries.empty());
}

TEST(CoefficientFormFile, SaveAndLoadRestoreEveryRowAndBothIndexationTexts) {
  TempFolder folder;
  const auto file = folder / PathFromText(kCoefficientFileName);
  const NormStore norms;  // no industry list: row 4 is kept as saved
  RecordingMessages messages;

  CoefficientForm saved = InitialCoefficientForm();
  ClickOptGil(saved, CoefficientForm::kHousing);
  ChangeTxtKi(saved, 0, "1,5");
  ChangeTxtKi(saved, 1, "1,25");
  saved.chkKoeff[0] = false;
  saved.chkKoeff[7] = true;
  saved.chkKoeff[14] = true;
  saved.txtKoeffIm[14] = "  Свой коэффициент ";
  saved.txtKoeffI[14] = " К(св.)";
  saved.txtKoeffK[14] = "0,9";
  saved.txtKoeffP[13] = "";
  ASSERT_TRUE(SaveCoefficientForm(saved, file, messages));

  const Lines written = ReadLineFile(file);
  ASSERT_EQ(written.size(), 77U);
  EXPECT_EQ(written[0], " 0 ");
  EXPECT_EQ(written[35], " 1 ");
  EXPECT_EQ(written[3], "1,5");  // row 0 value as the housing option set it
  EXPECT_EQ(written[75], "1,5");
  EXPECT_EQ(written[76], "1,25");

  const CoefficientForm loaded = LoadCoefficientForm(file, norms, messages);
  EXPECT_TRUE(messages.entries.empty());
  EXPECT_EQ(loaded.chkKoeff, saved.chkKoeff);
  EXPECT_EQ(loaded.txtKoeffIm, saved.txtKoeffIm);
  EXPECT_EQ(loaded.txtKoeffI, saved.txtKoeffI);
  EXPECT_EQ(loaded.txtKoeffP, saved.txtKoeffP);
  EXPECT_EQ(loaded.txtKi, saved.txtKi);
  EXPECT_EQ(loaded.optGil, CoefficientForm::kOther);
  // The indexation boxes changed while loading, so row 0 holds the
  // PathFromText("Не жилье") text; the other values are as saved.
  EXPECT_EQ(loaded.txtKoeffK[0], "1,25");
  for (std::size_t i = 1; i < kCoefficientRows; ++i) {
    EXPECT_EQ(loaded.txtKoeffK[i], saved.txtKoeffK[i]) << i;
  }
}

TEST(CoefficientFormFile, LineBreaksInsideTextsDoNotShiftTheLayout) {
  TempFolder folder;
  const auto file = folder / PathFromText(kCoefficientFileName);
  RecordingMessages messages;
  CoefficientForm form = InitialCoefficientForm();
  form.txtKoeffIm[2] = "две\r\nстроки";
  form.txtKoeffP[3] = "a\rb\nc";
  ASSERT_TRUE(SaveCoefficientForm(form, file, messages));
  const Lines written = ReadLineFile(file);
  ASSERT_EQ(written.size(), 77U);
  EXPECT_EQ(written[11], "две¶строки");
  EXPECT_EQ(written[19], "a¶b¶c");
  EXPECT_EQ(written[76], "1,291");
  // Read back, every stored break is a CR LF again.
  const CoefficientForm loaded = LoadCoefficientForm(file, NormStore{}, messages);
  EXPECT_EQ(loaded.txtKoeffIm[2], "две\r\nстроки");
  EXPECT_EQ(loaded.txtKoeffP[3], "a\r\nb\r\nc");
}

TEST(CoefficientFormFile, OlderFileWithoutIndexationLinesKeepsTheDefaults) {
  TempFolder folder;
  const auto file = folder / PathFromText(kCoefficientFileName);
  WriteLines(file, RecordLines("Стар", {3}));
  RecordingMessages messages;
  const CoefficientForm form = LoadCoefficientForm(file, NormStore{}, messages);
  EXPECT_TRUE(messages.entries.empty());
  EXPECT_EQ(form.txtKi[0], "1,312");
  EXPECT_EQ(form.txtKi[1], "1,291");
  EXPECT_EQ(form.txtKoeffK[0], "1,0");  // no indexation change happened
  EXPECT_EQ(form.txtKoeffIm[14], "Стар имя 14");
  EXPECT_TRUE(form.chkKoeff[3]);
  EXPECT_FALSE(form.chkKoeff[0]);

  // Blank lines after the last record are not taken for indexation lines.
  WriteLines(file, Concat(RecordLines("Стар"), {"", ""}));
  const CoefficientForm padded = LoadCoefficientForm(file, NormStore{}, messages);
  EXPECT_TRUE(messages.entries.empty());
  EXPECT_EQ(padded.txtKi[1], "1,291");
  EXPECT_EQ(padded.txtKoeffIm[0], "Стар имя 0");
}

TEST(CoefficientFormFile, OfSeveralRecordsTheLastOneWins) {
  TempFolder folder;
  const auto file = folder / PathFromText(kCoefficientFileName);
  WriteLines(file, Concat(Concat(RecordLines("Первая", {1}), {"1,1", "1,2"}),
                          Concat(RecordLines("Вторая", {2}), {"1,3", "1,4"})));
  RecordingMessages messages;
  const CoefficientForm form = LoadCoefficientForm(file, NormStore{}, messages);
  EXPECT_TRUE(messages.entries.empty());
  EXPECT_EQ(form.txtKoeffIm[0], "Вторая имя 0");
  EXPECT_FALSE(form.chkKoeff[1]);
  EXPECT_TRUE(form.chkKoeff[2]);
  EXPECT_EQ(form.txtKi[0], "1,3");
  EXPECT_EQ(form.txtKi[1], "1,4");
  EXPECT_EQ(form.txtKoeffK[0], "1,4");
}

TEST(CoefficientFormFile, BrokenFilesAreRefusedAndTheInitialContentsKept) {
  TempFolder folder;
  const auto file = folder / PathFromText(kCoefficientFileName);
  const NormStore norms = StoreWithIndustry();
  const CoefficientForm initial = InitialCoefficientForm();

  struct Case {
    Lines lines;
    std::string expected;
  };
  Lines cutInRow = RecordLines("Обрыв");
  cutInRow.resize(37);  // row 7 has its check state and name only
  Lines badCheck = RecordLines("Плохо");
  badCheck[10] = " 2 ";  // check state of row 2
  const std::vector<Case> cases{
      {cutInRow, "оборван после строки 37: в строке 38 ожидалось: обозначение коэффициента № 8"},
      {Concat(RecordLines("Без"), {"1,5"}),
       "в строке 77 ожидалось: коэффициент индексации для прочих объектов"},
      {Concat(Concat(RecordLines("Раз"), {"1", "2"}), {" 1 ", "хвост"}),
       "оборван после строки 79: в строке 80 ожидалось: обозначение коэффициента № 1"},
      {badCheck, "в строке 11 ожидалась отметка коэффициента № 3 (0 или 1), а записано « 2 »"},
  };
  for (const Case& c : cases) {
    WriteLines(file, c.lines);
    RecordingMessages messages;
    const CoefficientForm form = LoadCoefficientForm(file, norms, messages);
    const auto shown = messages.Shown();
    ASSERT_EQ(shown.size(), 1U) << c.expected;
    EXPECT_EQ(shown[0].title, "Ошибка чтения файла");
    EXPECT_EQ(shown[0].icon, MessageIcon::Exclamation);
    EXPECT_NE(shown[0].text.find(c.expected), std::string::npos) << shown[0].text;
    EXPECT_NE(shown[0].text.find(PathText(file)), std::string::npos);
    EXPECT_NE(shown[0].text.find("Загружены коэффициенты по умолчанию."), std::string::npos);
    EXPECT_EQ(form.txtKoeffIm, initial.txtKoeffIm);
    EXPECT_EQ(form.chkKoeff, initial.chkKoeff);
    EXPECT_EQ(form.txtKi, initial.txtKi);
    EXPECT_EQ(form.txtKoeffK[0], " ");
    EXPECT_EQ(form.cboKotrIndex, 0);  // the industry list is still filled
  }
}

TEST(CoefficientFormFile, RefusalsGiveTheWholeMessage) {
  TempFolder folder;
  const auto file = folder / PathFromText(kCoefficientFileName);
  Lines cut = RecordLines("Обрыв");
  cut.resize(3);
  Lines badCheck = RecordLines("Плохо");
  badCheck[5] = "да";
  const std::string name = "«" + PathText(file) + "»";
  const std::vector<std::pair<Lines, std::string>> cases{
      {cut, "Файл коэффициентов " + name + " оборван после строки 3: в строке 4 ожидалось: "
            "значение коэффициента № 1. Загружены коэффициенты по умолчанию."},
      {badCheck, "В файле коэффициентов " + name + " в строке 6 ожидалась отметка коэффициента № 2 "
                 "(0 или 1), а записано «да». Загружены коэффициенты по умолчанию."},
  };
  for (const auto& [lines, expected] : cases) {
    WriteLines(file, lines);
    RecordingMessages messages;
    LoadCoefficientForm(file, StoreWithIndustry(), messages);
    ASSERT_EQ(messages.Shown().size(), 1U) << expected;
    EXPECT_EQ(messages.Shown()[0].text, expected);
  }
}

TEST(CoefficientFormFile, UnreadableAndUnwritableFilesAreReported) {
  TempFolder folder;
  RecordingMessages messages;
  // A folder where the file should be can be neither read nor replaced.
  const auto file = folder / PathFromText(kCoefficientFileName);
  std::filesystem::create_directory(file);
  std::filesystem::create_directory(file / "inside");

  const CoefficientForm form = LoadCoefficientForm(file, NormStore{}, messages);
  ASSERT_EQ(messages.Shown().size(), 1U);
  EXPECT_EQ(messages.Shown()[0].title, "Ошибка чтения файла");
  EXPECT_NE(messages.Shown()[0].text.find(PathText(file)), std::string::npos);
  EXPECT_EQ(form.txtKi[0], "1,312");

  messages.Clear();
  EXPECT_FALSE(SaveCoefficientForm(form, folder / PathFromText("нет папки") / PathFromText(kCoefficientFileName), messages));
  ASSERT_EQ(messages.Shown().size(), 1U);
  EXPECT_EQ(messages.Shown()[0].title, "Ошибка записи!!");
  EXPECT_EQ(messages.Shown()[0].icon, MessageIcon::Exclamation);
  EXPECT_NE(messages.Shown()[0].text.find("нет папки"), std::string::npos);
}

TEST(CoefficientFormFile, ShippedDemoFileLoads) {
  RecordingMessages messages;
  const CoefficientForm form = LoadCoefficientForm(
      std::filesystem::path(VERDIN_DEMO_DATA_DIR) / PathFromText(kCoefficientFileName), NormStore{}, messages);
  EXPECT_TRUE(messages.entries.empty());
  EXPECT_EQ(form.txtKoeffI[0], "К(инд.)");
  EXPECT_EQ(form.txtKoeffK[0], "1,291");
  EXPECT_TRUE(std::find(form.chkKoeff.begin(), form.chkKoeff.end(), true) != form.chkKoeff.end());
  EXPECT_FALSE(CheckTickedCoefficients(form).has_value());  // every ticked row holds a number
}

// ---- The chain of the ticked coefficients and their record ---------------

// The cost of `base` with the form's ticked rows, as the item is priced.
double Chained(const CoefficientForm& form, double base) {
  return ChainedCost(base, AppliedCoefficients(CoefficientRowsOf(form)));
}

TEST(CoefficientFormProduct, AppliesTickedValuesFromRowZeroDownRoundingEachStep) {
  EXPECT_EQ(Chained(FormWithTicks({}), 123.456), 123.456);

  const CoefficientForm form = FormWithTicks({{9, "1,15"}, {10, "0,15"}});
  EXPECT_EQ(Chained(form, 1.0), 0.172);      // 1,15 then 0,15 x 1,15 = 0,1725
  EXPECT_EQ(Chained(form, 200.0), 34.5);     // 230 x 0,15

  // Each value multiplies the amount so far, rounded down to thousandths:
  // 10 x 1,291 = 12,91; x 1,1 = 14,201; x 1,3 = 18,4613 -> 18,461.
  const CoefficientForm three = FormWithTicks({{0, "1,291"}, {1, "1,1"}, {8, " 1,3 "}});
  EXPECT_EQ(Chained(three, 10.0), 18.461);
  // Rounding at every step, as the estimate sheet prints the steps, gives
  // a thousandth less than one product truncated once (197307,946).
  const CoefficientForm four = FormWithTicks({{0, "1,291"}, {1, "1,1"}, {8, "1,3"}, {9, "1,05"}});
  EXPECT_EQ(GeneralForm(Chained(four, 101787.16)), "197307,944");
}

TEST(CoefficientFormProduct, TickedRowWithoutANumberIsNamed) {
  // Row 0 of the design is ticked but holds one blank until an option fills it.
  const auto designProblem = CheckTickedCoefficients(InitialCoefficientForm());
  ASSERT_TRUE(designProblem.has_value());
  EXPECT_EQ(*designProblem,
            "Коэффициент в строке 1 («Индексация уровня цен», К(инд.)) отмечен, но его "
            "значение не задано. Введите значение или снимите отметку.");

  CoefficientForm form = FormWithTicks({{1, "abc"}, {3, ""}});
  EXPECT_EQ(*CheckTickedCoefficients(form),
            "Коэффициент в строке 2 («Областной», К(обл.)) отмечен, но его значение «abc» "
            "не является числом. Исправьте значение или снимите отметку.");
  EXPECT_THROW(CoefficientRowsOf(form), PricingError);

  form = FormWithTicks({{12, "1,,2"}});
  EXPECT_EQ(*CheckTickedCoefficients(form),
            "Коэффициент в строке 13 отмечен, но его значение «1,,2» не является числом. "
            "Исправьте значение или снимите отметку.");

  // The check of the ticked rows lets an unticked row hold anything.
  form = FormWithTicks({{2, "1,2"}});
  form.txtKoeffK[5] = "xyz";
  EXPECT_FALSE(CheckTickedCoefficients(form).has_value());
  form.txtKoeffK[5] = "";
  EXPECT_EQ(Chained(form, 10.0), 12);
}

TEST(CoefficientFormRecord, RecordsTickedRowsInOrder) {
  const std::vector<AppliedCoefficient> applied =
      AppliedCoefficients(CoefficientRowsOf(FormWithTicks({{1, "1,1"}, {10, "0,15"}})));
  ASSERT_EQ(applied.size(), 2u);
  EXPECT_EQ(applied[0].symbol, "К(обл.)");
  EXPECT_EQ(applied[0].value, 1.1);
  EXPECT_EQ(applied[0].basis, "Общие и методические указания. Раздел III, п.1.14");
  EXPECT_EQ(applied[1].symbol, "К(т.р.)");
  EXPECT_EQ(applied[1].value, 0.15);
  EXPECT_TRUE(AppliedCoefficients(CoefficientRowsOf(FormWithTicks({}))).empty());
}

}  // namespace
}  // namespace verdin
