#include "forms/general_data_form.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/line_file.h"
#include "tests/test_support.h"

namespace verdin {
namespace {

using Lines = std::vector<std::string>;
using testing::TempFolder;
using testing::WriteLines;

constexpr CalendarDate kDay{2026, 12, 6};

// The lines of one record whose texts all carry `tag`; charge row i is
// checked when `checked` says so, signatory rows are all checked.
Lines RecordLines(const std::string& tag, bool checked = true) {
  Lines lines;
  for (int i = 0; i < kChargeRows; ++i) {
    lines.push_back(checked ? " 1 " : " 0 ");
    lines.push_back(tag + " отчисление " + std::to_string(i));
    lines.push_back(std::to_string(i) + ",5");
  }
  for (int i = 0; i < kSignatoryRows; ++i) {
    lines.push_back(" 1 ");
    lines.push_back(tag + " должность " + std::to_string(i));
    lines.push_back(tag + " фамилия " + std::to_string(i));
  }
  lines.push_back(tag + " объект");
  lines.push_back(tag + " проектировщик");
  lines.push_back(tag + " заказчик");
  lines.push_back(tag + " договор");
  return lines;
}

Lines First(const Lines& lines, std::size_t count) {
  return Lines(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(count));
}

Lines Concat(Lines a, const Lines& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Compares every stored box of two forms.
void ExpectSameStoredContents(const GeneralDataForm& a, const GeneralDataForm& b) {
  EXPECT_EQ(a.chkK, b.chkK);
  EXPECT_EQ(a.txtK, b.txtK);
  EXPECT_EQ(a.txtKc, b.txtKc);
  EXPECT_EQ(a.chk1, b.chk1);
  EXPECT_EQ(a.txt1, b.txt1);
  EXPECT_EQ(a.txt2, b.txt2);
  EXPECT_EQ(a.txtShapka, b.txtShapka);
  EXPECT_EQ(a.txtNdog, b.txtNdog);
}

// ---- Initial contents and the date ---------------------------------------

// The texts of the signatories and the first rows are checked through the
// saved file's layout below.
TEST(GeneralDataInitial, MatchesTheDesignedWindow) {
  const GeneralDataForm form = InitialGeneralDataForm(kDay);
  EXPECT_EQ(form.txtDataDog, "06.12.2026");
  EXPECT_EQ(form.txtShapka[0], "Строительный проект\r\n");
  EXPECT_EQ(form.chkK, (std::array<bool, 8>{true, true, true, true, true, false, false, true}));
  EXPECT_EQ(form.chkKEnabled,
            (std::array<bool, 8>{false, false, true, true, true, true, true, false}));
  EXPECT_EQ(form.txtK[4], "Отчисления в фонд под. с/х, %");
  EXPECT_EQ(form.txtK[7], "НДС, %");
  EXPECT_EQ(form.txtKc, (std::array<std::string, 8>{"33,6", " Расчет", "4,5", "0,5", "2", " ",
                                                    " ", "20"}));
  EXPECT_EQ(form.txtKcToolTip[1], "=Общ.стоим.-(Общ.стоим*Рент/(100+Рент))");
  EXPECT_EQ(form.txtKcToolTip[3], "=БазаДряРасч. х %Отчисл./100");
  EXPECT_EQ(form.txtKcToolTip[0], "");
  EXPECT_EQ(form.chk1, (std::array<bool, 3>{true, true, false}));
}

TEST(GeneralDataDate, IsDayMonthYearWithPoints) {
  EXPECT_EQ(ContractDateText({2026, 12, 8}), "08.12.2026");
  EXPECT_EQ(ContractDateText({2009, 1, 31}), "31.01.2009");
  const CalendarDate today = Today();
  EXPECT_TRUE(today.year >= 2024 && today.month >= 1 && today.month <= 12 && today.day >= 1 &&
              today.day <= 31);
}

// ---- The state file ------------------------------------------------------

TEST(GeneralDataFile, MissingAndShippedFilesLoadSilentlyWithTodaysDate) {
  TempFolder folder;
  RecordingMessages messages;
  const GeneralDataForm missing =
      LoadGeneralDataForm(folder / PathFromText(kGeneralDataFileName), kDay, messages);
  ExpectSameStoredContents(missing, InitialGeneralDataForm(kDay));
  EXPECT_EQ(missing.txtDataDog, "06.12.2026");

  const GeneralDataForm shipped = LoadGeneralDataForm(
      std::filesystem::path(VERDIN_DEMO_DATA_DIR) / PathFromText(kGeneralDataFileName), {2027, 3, 9}, messages);
  EXPECT_TRUE(messages.entries.empty());
  EXPECT_EQ(shipped.txtK, InitialGeneralDataForm(kDay).txtK);
  EXPECT_EQ(shipped.txtDataDog, "09.03.2027");
  EXPECT_EQ(shipped.txtKc[7], "20");  // VAT has been 20 % since 2010
  EXPECT_FALSE(CheckChargeRates(shipped).has_value());
}

TEST(GeneralDataFile, SavedFileHasThirtySevenLinesInTheirOrder) {
  TempFolder folder;
  RecordingMessages messages;
  const auto file = folder / PathFromText(kGeneralDataFileName);
  ASSERT_TRUE(SaveGeneralDataForm(InitialGeneralDataForm(kDay), file, messages));
  EXPECT_TRUE(messages.entries.empty());
  const Lines lines = ReadLineFile(file);
  ASSERT_EQ(lines.size(), 37U);
  const Lines charges{" 1 ", "Сложившийся уровень рентабельности, %", "33,6", " 1 ",
                      "База для расчета в инновационный фонд", " Расчет"};
  EXPECT_EQ(First(lines, 6), charges);
  EXPECT_EQ(Lines(lines.begin() + 15, lines.begin() + 18), (Lines{" 0 ", "", " "}));  // spare row
  EXPECT_EQ(Lines(lines.begin() + 24, lines.end()),
            (Lines{" 1 ", "ГИП", "Р.Т Бельчар", " 1 ", "Зам. директора по экономике",
                   "О.К. Дорсинская", " 0 ", " ", " ", "Строительный проект¶",
                   "ООО \"Кварцтехлит\"", "ОАО \"Зеленовка\"", "2008/11"}));
}

TEST(GeneralDataFile, SaveAndLoadRestoreEveryBox) {
  TempFolder folder;
  RecordingMessages messages;
  const auto file = folder / PathFromText(kGeneralDataFileName);
  GeneralDataForm form = InitialGeneralDataForm(kDay);
  form.chkK = {false, true, false, true, false, true, false, true};
  for (std::size_t i = 0; i < form.txtK.size(); ++i) {
    form.txtK[i] = "Отчисление " + std::to_string(i);
    form.txtKc[i] = std::to_string(i) + ",25";
  }
  form.txtKc[3] = "0,5";     // stays a text, not a number
  form.txtKc[4] = "   7,5";  // leading blanks stay
  form.txtK[6] = "";
  form.chk1 = {false, true, false};
  form.txt1 = {"Директор", "  Главный инженер", ""};
  form.txt2 = {"И.И. Иванов", "П.П. Петров", "С.С. Сидоров"};
  form.txtShapka = {"Жилой дом\r\nпо ул. Ленина, 5\r\nСтадия «С»", " ООО «Проект»", "ОАО \"Заказ\""};
  form.txtNdog = " 2026/7";

  ASSERT_TRUE(SaveGeneralDataForm(form, file, messages));
  EXPECT_EQ(ReadLineFile(file).at(33), "Жилой дом¶по ул. Ленина, 5¶Стадия «С»");

  const GeneralDataForm loaded = LoadGeneralDataForm(file, {2027, 3, 9}, messages);
  EXPECT_TRUE(messages.entries.empty());
  ExpectSameStoredContents(loaded, form);
  EXPECT_EQ(loaded.txtDataDog, "09.03.2027");  // the date is always today's
  // What the file does not hold stays as designed.
  EXPECT_EQ(loaded.chkKEnabled, InitialGeneralDataForm(kDay).chkKEnabled);
  EXPECT_EQ(loaded.txtKcToolTip, InitialGeneralDataForm(kDay).txtKcToolTip);
}

TEST(GeneralDataFile, OfSeveralRecordsTheLastOneWinsAndTrailingBlankLinesAreIgnored) {
  TempFolder folder;
  RecordingMessages messages;
  const auto file = folder / PathFromText(kGeneralDataFileName);
  Lines lines = Concat(RecordLines("первая", true), RecordLines("вторая", false));
  lines.push_back("");
  lines.push_back("  ");
  WriteLines(file, lines);

  const GeneralDataForm form = LoadGeneralDataForm(file, kDay, messages);
  EXPECT_TRUE(messages.entries.empty());
  EXPECT_EQ(form.txtK[0], "вторая отчисление 0");
  EXPECT_EQ(form.chkK[7], false);
  EXPECT_EQ(form.txt2[2], "вторая фамилия 2");
  EXPECT_EQ(form.txtShapka[0], "вторая объект");
  EXPECT_EQ(form.txtNdog, "вторая договор");
}

TEST(GeneralDataFile, BrokenFilesAreRefusedAndTheInitialContentsKept) {
  struct Case {
    const char* what;
    Lines lines;
    std::string expected;
  };
  Lines badCheck = RecordLines("x");
  badCheck[24] = " да ";
  Lines twoDigits = RecordLines("x");
  twoDigits[3] = " 2 ";
  const std::vector<Case> cases{
      {"cut inside the charges", First(RecordLines("x"), 10),
       "оборван после строки 10: в строке 11 ожидалось: наименование отчисления № 4."},
      {"cut before the contract number", First(RecordLines("x"), 36),
       "оборван после строки 36: в строке 37 ожидалось: номер договора."},
      {"cut inside a second record",
       Concat(RecordLines("x"), First(RecordLines("y"), 1)),
       "оборван после строки 38: в строке 39 ожидалось: наименование отчисления № 1."},
      {"signatory mark not a digit", badCheck,
       "в строке 25 ожидалась отметка подписанта № 1 (0 или 1), а записано « да »."},
      {"charge mark out of range", twoDigits,
       "в строке 4 ожидалась отметка отчисления № 2 (0 или 1), а записано « 2 »."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempFolder folder;
    RecordingMessages messages;
    const auto file = folder / PathFromText(kGeneralDataFileName);
    WriteLines(file, c.lines);
    const GeneralDataForm form = LoadGeneralDataForm(file, kDay, messages);
    const auto shown = messages.Shown();
    ASSERT_EQ(shown.size(), 1U);
    EXPECT_EQ(shown[0].title, "Ошибка чтения файла");
    EXPECT_EQ(shown[0].icon, MessageIcon::Exclamation);
    EXPECT_NE(shown[0].text.find("«" + PathText(file) + "»"), std::string::npos) << shown[0].text;
    EXPECT_NE(shown[0].text.find(c.expected), std::string::npos) << shown[0].text;
    EXPECT_NE(shown[0].text.find("Загружены данные по умолчанию."), std::string::npos);
    ExpectSameStoredContents(form, InitialGeneralDataForm(kDay));
    EXPECT_EQ(form.txtDataDog, "06.12.2026");
  }
}

TEST(GeneralDataFormFile, RefusalsGiveTheWholeMessage) {
  TempFolder folder;
  const auto file = folder / PathFromText(kGeneralDataFileName);
  Lines badCheck = RecordLines("x");
  badCheck[3] = "2";
  const std::string name = "«" + PathText(file) + "»";
  const std::vector<std::pair<Lines, std::string>> cases{
      {First(RecordLines("x"), 2), "Файл общих данных " + name + " оборван после строки 2: в строке 3 "
                                   "ожидалось: значение отчисления № 1. Загружены данные по умолчанию."},
      {badCheck, "В файле общих данных " + name + " в строке 4 ожидалась отметка отчисления № 2 (0 или 1), "
                 "а записано «2». Загружены данные по умолчанию."},
  };
  for (const auto& [lines, expected] : cases) {
    WriteLines(file, lines);
    RecordingMessages messages;
    LoadGeneralDataForm(file, kDay, messages);
    ASSERT_EQ(messages.Shown().size(), 1U) << expected;
    EXPECT_EQ(messages.Shown()[0].text, expected);
  }
}

TEST(GeneralDataFile, UnreadableAndUnwritableFilesAreReported) {
  TempFolder folder;
  RecordingMessages messages;
  // A folder where the file should be can be neither read nor replaced.
  const auto file = folder / PathFromText(kGeneralDataFileName);
  std::filesystem::create_directory(file);
  std::filesystem::create_directory(file / "inside");

  const GeneralDataForm form = LoadGeneralDataForm(file, kDay, messages);
  ASSERT_EQ(messages.Shown().size(), 1U);
  EXPECT_EQ(messages.Shown()[0].title, "Ошибка чтения файла");
  EXPECT_NE(messages.Shown()[0].text.find(PathText(file)), std::string::npos);
  ExpectSameStoredContents(form, InitialGeneralDataForm(kDay));

  messages.Clear();
  EXPECT_FALSE(SaveGeneralDataForm(form, folder / PathFromText("нет папки") / PathFromText(kGeneralDataFileName), messages));
  ASSERT_EQ(messages.Shown().size(), 1U);
  EXPECT_EQ(messages.Shown()[0].title, "Ошибка записи!!");
  EXPECT_EQ(messages.Shown()[0].icon, MessageIcon::Exclamation);
  EXPECT_NE(messages.Shown()[0].text.find("нет папки"), std::string::npos);
}

// ---- Checking the rates --------------------------------------------------

TEST(GeneralDataRates, CheckedRowsMustHoldNumbers) {
  GeneralDataForm form = InitialGeneralDataForm(kDay);
  EXPECT_FALSE(CheckChargeRates(form).has_value());

  // Blanks only in a row that had a rate, an unchecked empty row and the
  // computed row are not errors.
  form.txtKc[4] = " ";
  form.chkK[5] = false;  // holds one blank
  form.chkK[6] = false;
  form.txtKc[1] = "что угодно";
  form.txtKc[2] = " 4.5 ";  // a period is taken kindly
  EXPECT_FALSE(CheckChargeRates(form).has_value());

  // An unchecked row is saved with its rate all the same: it is checked too.
  form.txtKc[6] = "abc";
  form.txtK[6] = "Прочие, %";
  EXPECT_EQ(CheckChargeRates(form),
            "Отчисление в строке 7 («Прочие, %») не включено, но его значение «abc» не является "
            "числом и было бы сохранено в смете. Исправьте значение или очистите поле.");

  form.chkK[6] = true;
  form.txtK[6] = "Прочие, %";
  EXPECT_EQ(CheckChargeRates(form),
            "Отчисление в строке 7 («Прочие, %») включено, но его значение «abc» не является "
            "числом. Исправьте значение или снимите отметку.");

  form.txtKc[3] = "0,5%";  // the first bad row is named
  EXPECT_EQ(CheckChargeRates(form),
            "Отчисление в строке 4 («Отчисления в фонд стройнауки, %») включено, но его значение "
            "«0,5%» не является числом. Исправьте значение или снимите отметку.");

  // A ticked spare row without a rate is named before the rows below it.
  form.txtKc[3] = "0,5";
  form.chkK[5] = true;
  EXPECT_EQ(CheckChargeRates(form),
            "Отчисление в строке 6 включено, но его значение не задано. Введите значение или снимите отметку.");

  GeneralDataForm noCaption = InitialGeneralDataForm(kDay);
  noCaption.chkK[5] = true;
  noCaption.txtKc[5] = "1,2,3";
  EXPECT_EQ(CheckChargeRates(noCaption),
            "Отчисление в строке 6 включено, но его значение «1,2,3» не является числом. "
            "Исправьте значение или снимите отметку.");
}

// The spare rows 6 and 7 ship without caption and rate: ticked, they need a
// rate, or the estimate would carry a charge of 0 under an empty caption.
TEST(GeneralDataRates, ATickedSpareRowNeedsARate) {
  struct Case {
    std::size_t row;
    bool ticked;
    std::string caption;
    std::string rate;
    std::optional<std::string> problem;
  };
  const std::string fill = " включено, но его значение не задано. Введите значение или снимите отметку.";
  const std::vector<Case> cases{
      {5, true, "", " ", "Отчисление в строке 6" + fill},
      {5, true, "", "", "Отчисление в строке 6" + fill},
      {6, true, "Прочие расходы, %", "  ", "Отчисление в строке 7 («Прочие расходы, %»)" + fill},
      {6, true, "Прочие расходы, %", "3", std::nullopt},
      {6, true, "", "0", std::nullopt},  // a rate of 0 typed on purpose
      {5, false, "", " ", std::nullopt},
      {2, true, "Отчисления в инновационный фонд, %", "", std::nullopt},  // keeps its earlier rate
  };
  for (const Case& c : cases) {
    GeneralDataForm form = InitialGeneralDataForm(kDay);
    form.chkK[c.row] = c.ticked;
    form.txtK[c.row] = c.caption;
    form.txtKc[c.row] = c.rate;
    EXPECT_EQ(CheckChargeRates(form), c.problem) << "row " << c.row + 1 << " «" << c.rate << "»";
  }
}

// A rate read from an input-data file shows in the window in the general
// form, with the zero in front of a rate below one.
TEST(GeneralDataShow, RatesShowInTheGeneralForm) {
  struct Case {
    double rate;
    std::string shown;
  };
  const std::vector<Case> cases{{0.5, "0,5"}, {0.25, "0,25"}, {33.6, "33,6"}, {18, "18"}, {-0.75, "-0,75"}, {0, ""}};
  for (const Case& c : cases) {
    GeneralData general;
    general.charges[3] = {true, c.rate, "Отчисления в фонд стройнауки, %"};
    GeneralDataForm form = InitialGeneralDataForm(kDay);
    ShowGeneralData(general, form);
    EXPECT_EQ(form.txtKc[3], c.shown) << c.rate;
    EXPECT_EQ(form.txtKc[1], "Расчет");
  }
}

// ---- Copying into the tables ---------------------------------------------

GeneralData TablesWithOldRates() {
  GeneralData tables;
  for (std::size_t row = 1; row <= 8; ++row) tables.charges[row - 1].rate = 100.0 + row;
  return tables;
}

TEST(GeneralDataTakeObD, CopiesChargesAndSignatories) {
  const GeneralDataForm form = InitialGeneralDataForm(kDay);
  GeneralData tables = TablesWithOldRates();
  TakeObD(form, tables);

  EXPECT_EQ(tables.charges[0].included, true);
  EXPECT_DOUBLE_EQ(tables.charges[0].rate, 33.6);
  EXPECT_EQ(tables.charges[1].rate, 102.0);  // the computed row keeps its rate
  EXPECT_DOUBLE_EQ(tables.charges[2].rate, 4.5);
  EXPECT_DOUBLE_EQ(tables.charges[3].rate, 0.5);
  EXPECT_DOUBLE_EQ(tables.charges[4].rate, 2.0);
  EXPECT_EQ(tables.charges[5].included, false);
  EXPECT_EQ(tables.charges[5].rate, 106.0);  // unchecked: earlier rate stays
  EXPECT_DOUBLE_EQ(tables.charges[7].rate, 20.0);
  EXPECT_EQ(tables.charges[5].caption, "");
  EXPECT_EQ(tables.charges[7].caption, "НДС, %");

  EXPECT_EQ(tables.signatories[0].on, true);
  EXPECT_EQ(tables.signatories[1].name, "О.К. Дорсинская");
  // Signatory row 2 unchecked, and its texts are still copied.
  EXPECT_EQ(tables.signatories[2].on, false);
  EXPECT_EQ(tables.signatories[2].post, " ");
  EXPECT_EQ(tables.signatories[2].name, " ");
}

// The file keeps the rate the window shows, ticked or not, however the
// window got it (typed or opened).
TEST(GeneralDataTakeObD, RatesAreTakenFromEveryRowHoldingAPercentage) {
  GeneralDataForm form = InitialGeneralDataForm(kDay);
  form.txtKc[1] = "7";  // row 1 never gives a rate, even with a number
  form.chkK[5] = true;
  form.txtK[5] = "  Прочие, %";
  form.txtKc[5] = "3";
  form.chkK[6] = true;  // checked, but blanks only
  form.txtKc[6] = "   ";
  form.chkK[2] = false;  // unchecked with a number: taken
  form.chkK[7] = false;
  form.txtKc[7] = "150";  // unchecked, not a percentage: earlier rate
  form.txtKc[3] = "";    // checked and empty
  form.txtKc[4] = "oops";  // not a number: earlier rate, no crash
  GeneralData tables = TablesWithOldRates();
  TakeObD(form, tables);

  EXPECT_EQ(tables.charges[1].included, true);
  EXPECT_EQ(tables.charges[1].rate, 102.0);
  EXPECT_EQ(tables.charges[5].included, true);
  EXPECT_EQ(tables.charges[5].rate, 3.0);
  EXPECT_EQ(tables.charges[5].caption, "  Прочие, %");  // not trimmed
  EXPECT_EQ(tables.charges[6].included, true);
  EXPECT_EQ(tables.charges[6].rate, 107.0);
  EXPECT_EQ(tables.charges[2].included, false);
  EXPECT_EQ(tables.charges[2].rate, 4.5);
  EXPECT_EQ(tables.charges[7].rate, 108.0);
  EXPECT_EQ(tables.charges[3].rate, 104.0);
  EXPECT_EQ(tables.charges[4].rate, 105.0);
}

}  // namespace
}  // namespace verdin
