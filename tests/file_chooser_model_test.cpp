// The models of the two file chooser windows: the type list and its
// patterns, the file list, the folder display, the proposed name, every
// event of the save window with its labels and the overwrite question,
// and the file-type test, summary and results of the open window.
#include "forms/file_chooser_model.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <functional>
#include <string>

#include "core/line_file.h"
#include "isx/isx_file.h"
#include "test_support.h"

namespace verdin {
namespace {

using testing::NativeText;
using testing::TempFolder;
using Kind = RecordingMessages::Kind;

constexpr const char* kProposed = "Смета к дог 2008_11 от 10-12-2008";

// Number of characters (code points) of a UTF-8 text.
std::size_t CharacterCount(const std::string& text) {
  std::size_t count = 0;
  for (const char c : text) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
  }
  return count;
}

// A folder for input data, another for results and a third the user
// browses to, with an input-data file "старая.isx" in the first.
class FileChooserSave : public ::testing::Test {
 protected:
  void SetUp() override {
    folders.PathIsx = temp / "Isx";
    folders.PathRez = temp / "Rez";
    std::filesystem::create_directories(folders.PathIsx);
    std::filesystem::create_directories(folders.PathRez);
    std::filesystem::create_directories(temp / PathFromText("Другая"));
    testing::WriteLines(folders.PathIsx / PathFromText("старая.isx"), {"Старая смета: 3 пункта", " 0 "});
    frmObD.txtNdog = "2008/11";
    frmObD.txtDataDog = "10.12.2008";
    form = LoadFileSave(folders, frmObD, "");
  }

  std::string Isx(const std::string& name) const { return PathText(folders.PathIsx / PathFromText(name)); }
  std::string Rez(const std::string& name) const { return PathText(folders.PathRez / PathFromText(name)); }
  std::string Other(const std::string& name) const {
    return PathText(temp / PathFromText("Другая") / PathFromText(name));
  }

  TempFolder temp;
  Folders folders;
  GeneralDataForm frmObD;
  FileSaveForm form;
  RecordingMessages messages;
};

// ------------------------------------------------------------ shared rules

TEST(FileChooserTypes, ListsInTheirOrder) {
  EXPECT_EQ(FileSaveTypes(), (std::vector<std::string>{"Все файлы(*.*)", "Результаты(*.xls)",
                                                       "Результаты(*.xlsx)", "PDF(*.pdf)", "Исх. данные(*.isx)"}));
  EXPECT_EQ(FileLoadTypes(),
            (std::vector<std::string>{"Все файлы (*.*)", "Результаты(*.xls)", "Исх. данные(*.isx)"}));
  EXPECT_EQ(FileSaveTypes()[kSaveTypeIsx], "Исх. данные(*.isx)");
  EXPECT_EQ(FileLoadTypes()[kLoadTypeIsx], "Исх. данные(*.isx)");
}

TEST(FileChooserTypes, PatternOfAnEntry) {
  EXPECT_EQ(PatternOf("Все файлы(*.*)"), "*.*");
  EXPECT_EQ(PatternOf("Все файлы (*.*)"), "*.*");
  EXPECT_EQ(PatternOf("Результаты(*.xls)"), "*.xls");
  EXPECT_EQ(PatternOf("Результаты(*.xlsx)"), "*.xlsx");
  EXPECT_EQ(PatternOf("Исх. данные(*.isx)"), "*.isx");
  EXPECT_EQ(PatternOf("Без шаблона"), "");
}

TEST(FileChooserPattern, MatchesLikeTheFileList) {
  EXPECT_TRUE(MatchesPattern("смета.isx", "*.isx"));
  EXPECT_TRUE(MatchesPattern("data.ISX", "*.isx"));
  EXPECT_TRUE(MatchesPattern("a.b.isx", "*.isx"));
  EXPECT_FALSE(MatchesPattern("a.isx.bak", "*.isx"));
  EXPECT_FALSE(MatchesPattern("book.xlsx", "*.xls"));
  EXPECT_TRUE(MatchesPattern("book.xlsx", "*.xlsx"));
  EXPECT_TRUE(MatchesPattern("README", "*.*"));
  EXPECT_TRUE(MatchesPattern("a1.isx", "a?.isx"));
  EXPECT_FALSE(MatchesPattern("a12.isx", "a?.isx"));
  EXPECT_TRUE(MatchesPattern("abcabcabd", "*abd"));
  EXPECT_FALSE(MatchesPattern("", "?"));
  EXPECT_TRUE(MatchesPattern("", "*"));
}

TEST(FileChooserPattern, FilesInFolderAreFilteredAndSorted) {
  TempFolder temp;
  for (const char* name : {"б.isx", "а.isx", "книга.xls", "data.ISX", "заметки.txt"}) {
    testing::WriteLines(temp / name, {"x"});
  }
  std::filesystem::create_directories(temp / PathFromText("папка.isx"));
  EXPECT_EQ(FilesInFolder(temp.path(), "*.isx"), (std::vector<std::string>{"data.ISX", "а.isx", "б.isx"}));
  EXPECT_EQ(FilesInFolder(temp.path(), "*.*").size(), 5u);
  EXPECT_EQ(FilesInFolder(temp.path(), "*.xls"), (std::vector<std::string>{"книга.xls"}));
  EXPECT_TRUE(FilesInFolder(temp / PathFromText("нет такой"), "*.*").empty());
}

TEST(FileChooserFolderText, ShortFolderUnchanged) {
  EXPECT_EQ(ShortFolderText("/home/user/Isx", kSaveFolderLimit), "/home/user/Isx");
  const std::string exactly23 = "/home/user/abcdefghijkl";
  ASSERT_EQ(exactly23.size(), 23u);
  EXPECT_EQ(ShortFolderText(exactly23, kSaveFolderLimit), exactly23);
}

TEST(FileChooserFolderText, LongFolderKeepsItsStartAndATailFromASlash) {
  // The last 17 characters are "rojects/smety/isx"; the tail starts at "/".
  EXPECT_EQ(ShortFolderText("/home/kostya/projects/smety/isx", kSaveFolderLimit), "/ho.../smety/isx");
  // A folder as this system shows it («\» on Windows) is cut at its own separator.
  EXPECT_EQ(ShortFolderText(PathText(PathFromText("/home/kostya/projects/smety/isx")), kSaveFolderLimit),
            PathText(PathFromText("/ho.../smety/isx")));
  // Without a "/" in the last 17 characters the tail stays whole.
  const std::string noSlash = "/data/abcdefghijklmnopqrstuvwxyz";
  EXPECT_EQ(ShortFolderText(noSlash, kSaveFolderLimit), "/da...jklmnopqrstuvwxyz");
  EXPECT_EQ(CharacterCount(ShortFolderText(noSlash, kSaveFolderLimit)), 23u);
}

TEST(FileChooserFolderText, CountsCharactersNotBytes) {
  const std::string folder = "/home/Пользователь/Документы/Сметы/2008";
  const std::string shown = ShortFolderText(folder, kSaveFolderLimit);
  EXPECT_LE(CharacterCount(shown), 23u);
  EXPECT_EQ(shown, "/ho.../Сметы/2008");
  const std::string longer = "/home/Пользователь/Документы/Сметы проектного отдела/2008/декабрь";
  const std::string loadShown = ShortFolderText(longer, kLoadFolderLimit);
  EXPECT_LE(CharacterCount(loadShown), 50u);
  EXPECT_EQ(loadShown, "/ho.../Сметы проектного отдела/2008/декабрь");
  // A folder of 40 Cyrillic letters is shown whole in the open window.
  std::string cyrillic = "/";
  for (int i = 0; i < 39; ++i) cyrillic += "ж";
  EXPECT_EQ(ShortFolderText(cyrillic, kLoadFolderLimit), cyrillic);
}

TEST(FileChooserName, ProposedName) {
  EXPECT_EQ(ProposedFileName("2008/11", "10.12.2008"), kProposed);
  EXPECT_EQ(ProposedFileName("7\\2", "01.02.2009"), "Смета к дог 7_2 от 01-02-2009");
  // Compared as paths: Windows puts its own separator between.
  EXPECT_EQ(PathFromText(FolderFile("/a/b", "c.isx")), PathFromText("/a/b/c.isx"));
  EXPECT_EQ(PathFromText(FolderFile("/a/b/", "c.isx")), PathFromText("/a/b/c.isx"));
  EXPECT_EQ(PathFromText(FolderFile("/", "c.isx")), PathFromText("/c.isx"));
}

TEST(FileChooserName, OverwriteQuestionText) {
  EXPECT_EQ(OverwriteQuestion("смета"),
            "Файл с исходными данными -смета.isx -\rСуществует на диске. \rВы хотите его перезаписать?");
}

// ---------------------------------------------------------------- FileSave

TEST_F(FileChooserSave, LoadProposesTheContractName) {
  EXPECT_EQ(form.gmbSpec, kSaveTypeIsx);
  EXPECT_EQ(form.gmbSpecItems.size(), 5u);
  EXPECT_EQ(form.filePattern, "*.isx");
  EXPECT_EQ(form.folder, folders.PathIsx);
  EXPECT_EQ(form.txtActDir, ShortFolderText(folders.PathIsx.string(), 23));
  EXPECT_LE(CharacterCount(form.txtActDir), 23u);
  EXPECT_EQ(form.NameFile, kProposed);
  EXPECT_EQ(form.lblNameFileIsx, Isx(std::string(kProposed) + ".isx"));
  EXPECT_EQ(form.lblNameFileOut, Isx(std::string(kProposed) + ".xls"));
  EXPECT_TRUE(form.chkIsxDan);
  EXPECT_FALSE(form.lblNameFileIsxRed);
  EXPECT_TRUE(form.SvEnabled);
  EXPECT_EQ(form.OkSave, 0);
}

TEST_F(FileChooserSave, LoadStartsWithTheSummaryInMemory) {
  form = LoadFileSave(folders, frmObD, "Смета гаража");
  EXPECT_EQ(form.Sv, "Смета гаража");
}

TEST_F(FileChooserSave, InitialCaptionsOfTheLabels) {
  const FileSaveForm fresh;
  EXPECT_EQ(fresh.lblNameFileIsx, "?.isx");
  EXPECT_EQ(fresh.lblNameFileOut, "?.out");
}

TEST_F(FileChooserSave, ChoosingATypeWhileNothingIsNamedPutsItsPatternIntoTheName) {
  ChangeNameFile(form, "");
  ChooseSaveType(form, kSaveTypeXls);
  EXPECT_EQ(form.gmbSpec, kSaveTypeXls);
  EXPECT_EQ(form.NameFile, "*.xls");
  EXPECT_EQ(form.filePattern, "*.xls");
  EXPECT_EQ(form.lblNameFileIsx, "?.isx");
  EXPECT_EQ(form.lblNameFileOut, "?.xls");
  ChooseSaveType(form, kSaveTypeAll);
  EXPECT_EQ(form.NameFile, "*.*");
  EXPECT_EQ(form.filePattern, "*.*");
}

TEST_F(FileChooserSave, TheXlsxTypeNamesAnXlsxWorkbook) {
  ChangeNameFile(form, "");
  ChooseSaveType(form, kSaveTypeXlsx);
  EXPECT_EQ(form.NameFile, "*.xlsx");
  EXPECT_EQ(form.lblNameFileOut, "?.xlsx");
  ChangeNameFile(form, "гараж");
  EXPECT_EQ(form.lblNameFileOut, Isx("гараж.xlsx"));
  EXPECT_EQ(form.lblNameFileIsx, Isx("гараж.isx"));
}

TEST_F(FileChooserSave, ChoosingATypeKeepsNotSavedInputData) {
  ChangeNameFile(form, "");
  ClickChkIsxDan(form, false);
  ChooseSaveType(form, kSaveTypeXls);
  EXPECT_EQ(form.lblNameFileIsx, kInputDataNotSaved);
  EXPECT_EQ(form.lblNameFileOut, "?.xls");
}

// A type chosen after a name is typed keeps the name and changes only its
// extension; the file list always shows the type's files.
TEST_F(FileChooserSave, ChoosingATypeKeepsTheTypedName) {
  struct Case {
    std::string typed;
    int type;
    std::string name;  // NameFile afterwards
    std::string out;   // lblNameFileOut afterwards
  };
  const Case cases[] = {
      {"гараж", kSaveTypePdf, "гараж.pdf", Isx("гараж.pdf")},
      {"гараж.xls", kSaveTypeXlsx, "гараж.xlsx", Isx("гараж.xlsx")},
      {"гараж.xlsx", kSaveTypeXls, "гараж.xls", Isx("гараж.xls")},
      {"дом 2.1", kSaveTypeXls, "дом 2.1.xls", Isx("дом 2.1.xls")},
      {"гараж.pdf", kSaveTypeIsx, "гараж.isx", Isx("гараж.xls")},
      {"гараж.xlsx", kSaveTypeAll, "гараж.xlsx", Isx("гараж.xlsx")},
      {"отчет.txt", kSaveTypePdf, "отчет.txt.pdf", Isx("отчет.txt.pdf")},
      {"", kSaveTypePdf, "*.pdf", "?.pdf"},
      {"*.txt", kSaveTypeXls, "*.xls", "?.xls"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed + " → " + std::to_string(c.type));
    form = LoadFileSave(folders, frmObD, "");
    ChangeNameFile(form, c.typed);
    ChooseSaveType(form, c.type);
    EXPECT_EQ(form.NameFile, c.name);
    EXPECT_EQ(form.lblNameFileOut, c.out);
    EXPECT_EQ(form.filePattern, PatternOf(FileSaveTypes()[static_cast<std::size_t>(c.type)]));
  }
}

// Printing to a file proposes the estimate's own file as a PDF document;
// the autosave copy is not the estimate's own file.
TEST_F(FileChooserSave, PrintingToAFileProposesTheEstimatesOwnName) {
  AppState state;
  state.folders = folders;
  state.folders.PathTemp = temp / "Temp";
  const std::pair<std::filesystem::path, std::filesystem::path> cases[] = {
      {{}, folders.PathIsx / PathFromText(std::string(kProposed) + ".pdf")},
      {temp / "Архив/гараж.isx", temp / "Архив/гараж.pdf"},
      {temp / "Архив/дом 2.1.isx", temp / "Архив/дом 2.1.pdf"},
      {temp / "Temp" / "autosave.isx", folders.PathIsx / PathFromText(std::string(kProposed) + ".pdf")},
  };
  for (const auto& [own, proposed] : cases) {
    state.estimateFile = own;
    EXPECT_EQ(ProposedPrintFile(state, frmObD), proposed) << own;
  }
}

TEST_F(FileChooserSave, ATypedPatternFiltersTheListOnly) {
  ChangeNameFile(form, "*.txt");
  EXPECT_EQ(form.filePattern, "*.txt");
  EXPECT_EQ(form.NameFile, "*.txt");
  EXPECT_EQ(form.lblNameFileIsx, Isx(std::string(kProposed) + ".isx"));
}

TEST_F(FileChooserSave, ATypedNameUsesPathIsxAndTheCurrentFolder) {
  ChangeSaveFolder(form, temp / PathFromText("Другая"));
  // The name as typed; the input-data file and the workbook it names.
  const std::array<std::array<const char*, 3>, 5> names = {{
      {"гараж", "гараж.isx", "гараж.xls"},
      {"гараж.isx", "гараж.isx", "гараж.xls"},
      {"гараж.xls", "гараж.isx", "гараж.xls"},
      {"гараж.xlsx", "гараж.isx", "гараж.xlsx"},
      {"дом 2.1", "дом 2.1.isx", "дом 2.1.xls"},
  }};
  for (const auto& [typed, isx, workbook] : names) {
    SCOPED_TRACE(typed);
    ChangeNameFile(form, typed);
    EXPECT_EQ(form.lblNameFileIsx, Isx(isx));
    EXPECT_EQ(form.lblNameFileOut, Other(workbook));
  }
}

TEST_F(FileChooserSave, AnEmptyNameNamesNothing) {
  ChangeNameFile(form, "");
  EXPECT_EQ(form.lblNameFileIsx, "?.isx");
  EXPECT_EQ(form.lblNameFileOut, "?.xls");
  ChangeNameFile(form, "   ");
  EXPECT_EQ(form.lblNameFileOut, "?.xls");
  ChangeNameFile(form, ".isx");
  EXPECT_EQ(form.lblNameFileOut, "?.xls");
  ChangeNameFile(form, "?.xls");
  EXPECT_EQ(form.lblNameFileIsx, "?.isx");
  EXPECT_EQ(form.lblNameFileOut, "?.xls");
}

TEST_F(FileChooserSave, ATypedNameDoesNotBringBackNotSavedInputData) {
  ClickChkIsxDan(form, false);
  ChangeNameFile(form, "гараж");
  EXPECT_EQ(form.lblNameFileIsx, kInputDataNotSaved);
  EXPECT_EQ(form.lblNameFileOut, Isx("гараж.xls"));
}

TEST_F(FileChooserSave, AnotherFolderResetsTheName) {
  ChangeSaveFolder(form, temp / PathFromText("Другая"));
  EXPECT_EQ(form.folder, temp / PathFromText("Другая"));
  EXPECT_EQ(form.txtActDir, ShortFolderText((temp / PathFromText("Другая")).string(), 23));
  EXPECT_LE(CharacterCount(form.txtActDir), 23u);
  EXPECT_EQ(form.lblNameFileIsx, "?.isx");
  EXPECT_EQ(form.lblNameFileOut, "?.xls");
  EXPECT_EQ(form.NameFile, "?.xls");
  EXPECT_EQ(form.filePattern, "*.isx");
}

TEST_F(FileChooserSave, TheSameFolderAgainChangesNothing) {
  ChangeSaveFolder(form, folders.PathIsx);
  EXPECT_EQ(form.NameFile, kProposed);
  EXPECT_EQ(form.lblNameFileOut, Isx(std::string(kProposed) + ".xls"));
}

TEST_F(FileChooserSave, AnotherFolderKeepsNotSavedInputData) {
  ClickChkIsxDan(form, false);
  ChangeSaveFolder(form, temp / PathFromText("Другая"));
  EXPECT_EQ(form.lblNameFileIsx, kInputDataNotSaved);
}

TEST_F(FileChooserSave, ClickingANewFileAsksNothing) {
  ChangeSaveFolder(form, temp / PathFromText("Другая"));
  form.Sv = "Моя сводка";
  ClickSaveFile(form, "новая.книга.xls", messages);
  EXPECT_EQ(form.NameFile, "новая.книга.xls");
  EXPECT_EQ(form.lblNameFileIsx, Isx("новая.isx"));
  EXPECT_EQ(form.lblNameFileOut, Rez("новая.xls"));
  EXPECT_EQ(form.Sv, "Моя сводка");
  EXPECT_TRUE(messages.entries.empty());
  EXPECT_TRUE(form.chkIsxDan);
}

TEST_F(FileChooserSave, ClickingAnXlsxFileNamesAnXlsxWorkbook) {
  ClickSaveFile(form, "книга.xlsx", messages);
  EXPECT_EQ(form.lblNameFileOut, Rez("книга.xlsx"));
  EXPECT_EQ(form.lblNameFileIsx, Isx("книга.isx"));
}

TEST_F(FileChooserSave, ClickingAFileWithExistingInputDataAsksAndOkKeepsAll) {
  messages.Answer(true);
  ClickSaveFile(form, "старая.isx", messages);
  ASSERT_EQ(messages.entries.size(), 1u);
  const auto& question = messages.entries[0];
  EXPECT_EQ(question.kind, Kind::OkCancel);
  EXPECT_EQ(question.title, "Подтверждение записи");
  EXPECT_EQ(question.text,
            "Файл с исходными данными -старая.isx -\rСуществует на диске. \rВы хотите его перезаписать?");
  EXPECT_EQ(form.Sv, "Старая смета: 3 пункта");
  EXPECT_TRUE(form.chkIsxDan);
  EXPECT_EQ(form.lblNameFileIsx, Isx("старая.isx"));
  EXPECT_EQ(form.lblNameFileOut, Rez("старая.xls"));
  const auto choice = ConfirmFileSave(form, messages);
  ASSERT_TRUE(choice);
  EXPECT_EQ(choice->FileIsx, Isx("старая.isx"));
  EXPECT_EQ(PathText(choice->FileXls), Rez("старая.xls"));
  EXPECT_EQ(choice->Svodka, "Старая смета: 3 пункта");
}

TEST_F(FileChooserSave, CancelToTheOverwriteQuestionSavesOnlyTheResults) {
  messages.Answer(false);
  // The workbook of the same name is clicked: the question is about the
  // input-data file of the same base name.
  ClickSaveFile(form, "старая.xls", messages);
  ASSERT_EQ(messages.entries.size(), 2u);
  EXPECT_EQ(messages.entries[0].kind, Kind::OkCancel);
  EXPECT_EQ(messages.entries[1].kind, Kind::Message);
  EXPECT_EQ(messages.entries[1].title, "Запись данных");
  EXPECT_EQ(messages.entries[1].text, "Будут записаны только результаты расчета");
  EXPECT_EQ(messages.entries[1].icon, MessageIcon::Warning);
  EXPECT_EQ(form.Sv, "");
  EXPECT_FALSE(form.chkIsxDan);
  EXPECT_EQ(form.lblNameFileIsx, "Данные не сохраняются");
  EXPECT_TRUE(form.lblNameFileIsxRed);
  EXPECT_FALSE(form.SvEnabled);
  const auto choice = ConfirmFileSave(form, messages);
  ASSERT_TRUE(choice);
  EXPECT_EQ(choice->FileIsx, kInputDataNotSaved);
  EXPECT_EQ(PathText(choice->FileXls), Rez("старая.xls"));
  EXPECT_EQ(choice->Svodka, "");
  EXPECT_EQ(form.OkSave, 1);
}

TEST_F(FileChooserSave, WithInputDataNotSavedAClickAsksNothing) {
  ClickChkIsxDan(form, false);
  ClickSaveFile(form, "старая.isx", messages);
  EXPECT_TRUE(messages.entries.empty());
  EXPECT_EQ(form.lblNameFileIsx, kInputDataNotSaved);
  EXPECT_EQ(form.lblNameFileOut, Rez("старая.xls"));
}

TEST_F(FileChooserSave, SelectSaveFileTellsWhetherToAsk) {
  EXPECT_TRUE(SelectSaveFile(form, "старая.isx"));
  EXPECT_FALSE(SelectSaveFile(form, "другая.isx"));
  EXPECT_FALSE(SelectSaveFile(form, ".скрытый"));
  EXPECT_EQ(form.lblNameFileOut, "?.xls");
}

TEST_F(FileChooserSave, UntickingAndTickingTheInputDataBox) {
  ChangeSaveFolder(form, temp / PathFromText("Другая"));
  ChangeNameFile(form, "дом.2009.isx");
  ClickChkIsxDan(form, false);
  EXPECT_EQ(form.lblNameFileIsx, "Данные не сохраняются");
  EXPECT_TRUE(form.lblNameFileIsxRed);
  EXPECT_FALSE(form.SvEnabled);
  ClickChkIsxDan(form, true);
  // Ticked again, the input-data file goes to the folder shown.
  EXPECT_EQ(form.lblNameFileIsx, Other("дом.isx"));
  EXPECT_FALSE(form.lblNameFileIsxRed);
  EXPECT_TRUE(form.SvEnabled);
  EXPECT_TRUE(form.chkIsxDan);
}

TEST_F(FileChooserSave, TickingWithAPatternOrNothingNamed) {
  ChangeNameFile(form, "");
  ChooseSaveType(form, kSaveTypeXls);
  ClickChkIsxDan(form, false);
  ClickChkIsxDan(form, true);
  EXPECT_EQ(form.lblNameFileIsx, "?.isx");
  ChangeSaveFolder(form, temp / PathFromText("Другая"));
  ClickChkIsxDan(form, false);
  ClickChkIsxDan(form, true);
  EXPECT_EQ(form.lblNameFileIsx, "?.isx");
}

TEST_F(FileChooserSave, OkWithTheProposedName) {
  form.Sv = "Сводка сметы";
  const auto choice = ConfirmFileSave(form, messages);
  ASSERT_TRUE(choice);
  EXPECT_EQ(choice->FileIsx, Isx(std::string(kProposed) + ".isx"));
  EXPECT_EQ(PathText(choice->FileXls), Isx(std::string(kProposed) + ".xls"));
  EXPECT_EQ(choice->Svodka, "Сводка сметы");
  EXPECT_EQ(form.OkSave, 1);
  EXPECT_TRUE(messages.entries.empty());
}

TEST_F(FileChooserSave, OkWithNothingNamedIsRefused) {
  ChangeSaveFolder(form, temp / PathFromText("Другая"));
  EXPECT_FALSE(ConfirmFileSave(form, messages));
  EXPECT_EQ(form.OkSave, 0);
  EXPECT_EQ(messages.Beeps(), 1);
  ASSERT_EQ(messages.Shown().size(), 1u);
  EXPECT_EQ(messages.Shown()[0].title, "Ошибка ввода!!");
  EXPECT_EQ(messages.Shown()[0].text.rfind("Не задано имя файла!!", 0), 0u);

  messages.Clear();
  ChooseSaveType(form, kSaveTypeXlsx);
  EXPECT_FALSE(ConfirmFileSave(form, messages));
  ClickChkIsxDan(form, false);
  EXPECT_FALSE(ConfirmFileSave(form, messages));
  EXPECT_EQ(messages.Shown().size(), 2u);

  // Naming the workbook is then enough.
  ChangeNameFile(form, "только книга");
  const auto choice = ConfirmFileSave(form, messages);
  ASSERT_TRUE(choice);
  EXPECT_EQ(choice->FileIsx, kInputDataNotSaved);
  EXPECT_EQ(PathText(choice->FileXls), Other("только книга.xlsx"));
}

TEST_F(FileChooserSave, OkWithTheWorkbookNamedButTheInputDataNotIsRefused) {
  ChooseSaveType(form, kSaveTypeXls);
  ClickChkIsxDan(form, false);
  ChangeNameFile(form, "книга");
  ClickChkIsxDan(form, true);
  EXPECT_EQ(form.lblNameFileIsx, Isx("книга.isx"));
  ChangeNameFile(form, "");
  EXPECT_FALSE(ConfirmFileSave(form, messages));
}

// The input-data box unticked and ticked again while no input-data file is
// named: OK is refused, whether or not the workbook has a name, and
// nothing is chosen for writing, neither "?.isx" nor the text of the
// unticked label.
TEST_F(FileChooserSave, RetickedInputDataBoxWithNoNameIsRefused) {
  struct Case {
    const char* what;
    std::function<void()> prepare;
  };
  const Case cases[] = {
      {"a type chosen",
       [this] {
         ChangeNameFile(form, "");
         ChooseSaveType(form, kSaveTypeXls);
         ClickChkIsxDan(form, false);
         ClickChkIsxDan(form, true);
       }},
      {"another folder",
       [this] {
         ChangeSaveFolder(form, temp / PathFromText("Другая"));
         ClickChkIsxDan(form, false);
         ClickChkIsxDan(form, true);
       }},
      {"a typed name, then a pattern with the box unticked",
       [this] {
         ChangeNameFile(form, "гараж");
         ClickChkIsxDan(form, false);
         ChangeNameFile(form, "*.isx");
         ClickChkIsxDan(form, true);
       }},
      {"a clicked file, then a pattern with the box unticked",
       [this] {
         ClickChkIsxDan(form, false);
         ClickSaveFile(form, "новая.xls", messages);
         ChangeNameFile(form, "*.*");
         ClickChkIsxDan(form, true);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    form = LoadFileSave(folders, frmObD, "");
    messages.Clear();
    c.prepare();
    ASSERT_TRUE(form.chkIsxDan);
    EXPECT_EQ(form.lblNameFileIsx, "?.isx");
    messages.Clear();

    const auto choice = ConfirmFileSave(form, messages);
    EXPECT_FALSE(choice.has_value()) << "accepted " << (choice ? choice->FileIsx : "");
    EXPECT_EQ(form.OkSave, 0);
    EXPECT_EQ(messages.Beeps(), 1);
    ASSERT_EQ(messages.Shown().size(), 1u);
    EXPECT_EQ(messages.Shown()[0].title, "Ошибка ввода!!");
    EXPECT_EQ(messages.Shown()[0].text.rfind("Не задано имя файла!!", 0), 0u);
  }
}

TEST_F(FileChooserSave, CancelLeavesOkSaveAtZero) {
  CancelFileSave(form);
  EXPECT_EQ(form.OkSave, 0);
}

TEST(FileChooserName, ReplaceFilesQuestionText) {
  EXPECT_EQ(ReplaceFilesQuestion({"/isx/дом.xls"}),
            "Файл уже существует на диске:\r/isx/дом.xls\rВы хотите его перезаписать?");
  EXPECT_EQ(ReplaceFilesQuestion({"/isx/дом.isx", "/isx/дом.xls"}),
            "Файлы уже существуют на диске:\r/isx/дом.isx\r/isx/дом.xls\rВы хотите их перезаписать?");
}

// OK with files that already exist: one question names every file the
// save would replace, however the name was chosen; Cancel writes nothing
// and keeps the window open.
TEST_F(FileChooserSave, OkAsksOnceBeforeReplacingExistingFiles) {
  const std::string proposed = kProposed;
  struct Case {
    const char* what;
    std::vector<std::string> existing;  // files put on the disk first
    std::function<void()> choose;       // how the name is chosen
    std::vector<bool> answers;          // to the questions, in order
    std::vector<std::string> named;     // the files the OK question names; empty: no question on OK
    bool accepted;
  };
  const Case cases[] = {
      {"proposed name, both exist, Cancel", {Isx(proposed + ".isx"), Isx(proposed + ".xls")}, [] {},
       {false}, {Isx(proposed + ".isx"), Isx(proposed + ".xls")}, false},
      {"proposed name, both exist, OK", {Isx(proposed + ".isx"), Isx(proposed + ".xls")}, [] {},
       {true}, {Isx(proposed + ".isx"), Isx(proposed + ".xls")}, true},
      {"proposed name, only the workbook exists", {Isx(proposed + ".xls")}, [] {},
       {false}, {Isx(proposed + ".xls")}, false},
      {"typed name, only the input data exist", {Isx("дом.isx")},
       [this] { ChangeNameFile(form, "дом"); }, {false}, {Isx("дом.isx")}, false},
      {"typed .xlsx name", {Isx("дом.xlsx")},
       [this] { ChangeNameFile(form, "дом.xlsx"); }, {true}, {Isx("дом.xlsx")}, true},
      {"input data not saved: only the workbook counts", {Isx("дом.isx")},
       [this] {
         ChangeNameFile(form, "дом");
         ClickChkIsxDan(form, false);
       },
       {}, {}, true},
      {"clicked file, input data agreed at the click: nothing more to ask", {},
       [this] { ClickSaveFile(form, "старая.xls", messages); }, {true}, {}, true},
      {"clicked file, its workbook exists too: OK asks about the workbook", {Rez("старая.xls")},
       [this] { ClickSaveFile(form, "старая.xls", messages); }, {true, false}, {Rez("старая.xls")}, false},
      {"clicked file, input data declined, workbook exists", {Rez("старая.xls")},
       [this] { ClickSaveFile(form, "старая.xls", messages); }, {false, true}, {Rez("старая.xls")}, true},
      {"nothing exists", {}, [this] { ChangeNameFile(form, "новая"); }, {}, {}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (const std::string& file : c.existing) testing::WriteLines(file, {"прежнее"});
    form = LoadFileSave(folders, frmObD, "");
    messages = RecordingMessages();
    for (const bool answer : c.answers) messages.Answer(answer);
    c.choose();
    const std::size_t before = messages.Questions().size();

    const auto choice = ConfirmFileSave(form, messages);
    EXPECT_EQ(choice.has_value(), c.accepted);
    EXPECT_EQ(form.OkSave, c.accepted ? 1 : 0);
    const auto questions = messages.Questions();
    if (c.named.empty()) {
      EXPECT_EQ(questions.size(), before);
    } else {
      ASSERT_EQ(questions.size(), before + 1);
      EXPECT_EQ(questions.back().kind, Kind::OkCancel);
      EXPECT_EQ(questions.back().title, "Подтверждение записи");
      EXPECT_EQ(questions.back().text, ReplaceFilesQuestion(c.named));
    }
    for (const std::string& file : c.existing) {
      EXPECT_EQ(ReadLineFile(PathFromText(file)), std::vector<std::string>{"прежнее"});
      std::filesystem::remove(PathFromText(file));
    }
  }
}

// The PDF type: the estimate file becomes a PDF document, named by the same
// rules as a workbook, and the input data stay as they are.
TEST_F(FileChooserSave, ThePdfTypeNamesAPdfDocument) {
  struct Case {
    const char* what;
    std::function<void()> choose;
    std::string isx;  // lblNameFileIsx afterwards
    std::string out;  // lblNameFileOut afterwards
  };
  const Case cases[] = {
      {"type chosen", [this] { ChooseSaveType(form, kSaveTypePdf); }, Isx(std::string(kProposed) + ".isx"),
       Isx(std::string(kProposed) + ".pdf")},
      {"type chosen, then a name", [this] {
         ChooseSaveType(form, kSaveTypePdf);
         ChangeNameFile(form, "гараж");
       }, Isx("гараж.isx"), Isx("гараж.pdf")},
      {"a typed name ending in .pdf keeps it", [this] { ChangeNameFile(form, "гараж.pdf"); },
       Isx("гараж.isx"), Isx("гараж.pdf")},
      {"a typed .pdf name in another folder", [this] {
         ChangeSaveFolder(form, temp / PathFromText("Другая"));
         ChangeNameFile(form, "дом 2.1.pdf");
       }, Isx("дом 2.1.isx"), Other("дом 2.1.pdf")},
      {"a typed .xls name under the PDF type is a workbook", [this] {
         ChooseSaveType(form, kSaveTypePdf);
         ChangeNameFile(form, "гараж.xls");
       }, Isx("гараж.isx"), Isx("гараж.xls")},
      {"a clicked .pdf file", [this] { ClickSaveFile(form, "отчет.pdf", messages); }, Isx("отчет.isx"),
       Rez("отчет.pdf")},
      {"a clicked input-data file under the PDF type", [this] {
         ChooseSaveType(form, kSaveTypePdf);
         ClickSaveFile(form, "новая.isx", messages);
       }, Isx("новая.isx"), Rez("новая.pdf")},
      {"another folder under the PDF type", [this] {
         ChooseSaveType(form, kSaveTypePdf);
         ChangeSaveFolder(form, temp / PathFromText("Другая"));
       }, "?.isx", "?.pdf"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    form = LoadFileSave(folders, frmObD, "");
    c.choose();
    EXPECT_EQ(form.lblNameFileIsx, c.isx);
    EXPECT_EQ(form.lblNameFileOut, c.out);
  }
  EXPECT_EQ(FileSaveTypes()[kSaveTypePdf], "PDF(*.pdf)");
  ChooseSaveType(form, kSaveTypePdf);
  EXPECT_EQ(form.NameFile, "*.pdf");
  EXPECT_EQ(form.filePattern, "*.pdf");
}

TEST_F(FileChooserSave, OkWithAPdfNameHandsItBackAndAsksAboutAnExistingOne) {
  ChangeNameFile(form, "дом.pdf");
  testing::WriteLines(Isx("дом.pdf"), {"прежний"});
  messages.Answer(false);
  EXPECT_FALSE(ConfirmFileSave(form, messages));
  ASSERT_EQ(messages.Questions().size(), 1u);
  EXPECT_EQ(messages.Questions()[0].text, ReplaceFilesQuestion({Isx("дом.pdf")}));

  messages.Answer(true);
  const auto choice = ConfirmFileSave(form, messages);
  ASSERT_TRUE(choice);
  EXPECT_EQ(PathText(choice->FileXls), Isx("дом.pdf"));
  EXPECT_EQ(choice->FileIsx, Isx("дом.isx"));
  EXPECT_EQ(ReadLineFile(PathFromText(Isx("дом.pdf"))), std::vector<std::string>{"прежний"});
}

// ---------------------------------------------------------------- FileLoad

class FileChooserLoad : public ::testing::Test {
 protected:
  void SetUp() override {
    folders.PathIsx = temp.path();
    testing::WriteLines(temp / PathFromText("смета.isx"), {"Жилой дом, 2 пункта", " 2 "});
    testing::WriteLines(temp / PathFromText("пустая.isx"), {});
    testing::WriteLines(temp / "data.ISX", {"x"});
    testing::WriteLines(temp / "a.b.isx", {"x"});
    form = LoadFileLoad(folders);
  }

  TempFolder temp;
  Folders folders;
  FileLoadForm form;
  RecordingMessages messages;
};

TEST_F(FileChooserLoad, LoadSelectsTheInputDataType) {
  EXPECT_EQ(form.gmbSpecItems.size(), 3u);
  EXPECT_EQ(form.gmbSpec, kLoadTypeIsx);
  EXPECT_EQ(form.lblNameFile, "*.isx");
  EXPECT_EQ(form.filePattern, "*.isx");
  EXPECT_EQ(form.folder, temp.path());
  EXPECT_EQ(form.txtActDir, ShortFolderText(temp.path().string(), 50));
  EXPECT_EQ(form.lblS, "");
  EXPECT_FALSE(form.FileIsx);
  EXPECT_EQ(form.OkLoad, 0);
}

TEST_F(FileChooserLoad, ClickingAnInputDataFileShowsItsSummary) {
  ClickLoadFile(form, "смета.isx", messages);
  EXPECT_EQ(form.lblNameFile, "смета.isx");
  ASSERT_TRUE(form.FileIsx);
  EXPECT_EQ(form.FileIsx->string(), (temp / PathFromText("смета.isx")).string());
  EXPECT_EQ(form.lblS, "Жилой дом, 2 пункта");
  EXPECT_TRUE(messages.entries.empty());
  const auto choice = ConfirmFileLoad(form, messages);
  ASSERT_TRUE(choice);
  EXPECT_EQ(choice->FileIsx, temp / PathFromText("смета.isx"));
  EXPECT_EQ(choice->Svodka, "Жилой дом, 2 пункта");
  EXPECT_EQ(form.OkLoad, 1);
}

TEST_F(FileChooserLoad, AnEmptyFileHasAnEmptySummary) {
  ClickLoadFile(form, "пустая.isx", messages);
  EXPECT_EQ(form.lblS, "");
  EXPECT_TRUE(form.FileIsx);
}

TEST_F(FileChooserLoad, UpperCaseExtensionIsRefused) {
  ChooseLoadType(form, 0);
  ClickLoadFile(form, "data.ISX", messages);
  EXPECT_EQ(form.lblS, "Это не файл исходных данных!!");
  EXPECT_EQ(messages.Beeps(), 1);
  EXPECT_EQ(form.lblNameFile, "*.isx");
  EXPECT_EQ(form.gmbSpec, kLoadTypeIsx);
  EXPECT_EQ(form.filePattern, "*.isx");
  EXPECT_FALSE(form.FileIsx);
  EXPECT_TRUE(messages.Shown().empty());
}

TEST_F(FileChooserLoad, TwoDotsAreRefusedAndFileIsxStaysAsItWas) {
  ClickLoadFile(form, "смета.isx", messages);
  ClickLoadFile(form, "a.b.isx", messages);
  EXPECT_EQ(form.lblS, "Это не файл исходных данных!!");
  EXPECT_EQ(messages.Beeps(), 1);
  ASSERT_TRUE(form.FileIsx);
  EXPECT_EQ(*form.FileIsx, temp / PathFromText("смета.isx"));
  // The window no longer shows a chosen file: OK is refused rather than
  // opening the file clicked before.
  EXPECT_FALSE(ConfirmFileLoad(form, messages));
  EXPECT_EQ(form.OkLoad, 0);
}

TEST_F(FileChooserLoad, AFileThatCannotBeReadSaysWhy) {
  ClickLoadFile(form, "пропавшая.isx", messages);
  EXPECT_EQ(form.lblNameFile, "пропавшая.isx");
  EXPECT_FALSE(form.lblS.empty());
  EXPECT_NE(form.lblS.find("пропавшая.isx"), std::string::npos) << form.lblS;
  // The open command reads the file again and reports it.
  EXPECT_TRUE(form.FileIsx);
}

TEST_F(FileChooserLoad, ChoosingATypeShowsItsPattern) {
  ChooseLoadType(form, 0);
  EXPECT_EQ(form.lblNameFile, "*.*");
  EXPECT_EQ(form.filePattern, "*.*");
  ChooseLoadType(form, 1);
  EXPECT_EQ(form.lblNameFile, "*.xls");
  EXPECT_EQ(form.filePattern, "*.xls");
  ChooseLoadType(form, 7);
  EXPECT_EQ(form.gmbSpec, 1);
}

TEST_F(FileChooserLoad, AnotherFolderForgetsTheChoice) {
  ClickLoadFile(form, "смета.isx", messages);
  ChooseLoadType(form, 0);
  ChangeLoadFolder(form, temp / PathFromText("Подпапка"));
  EXPECT_EQ(form.lblNameFile, "*.isx");
  EXPECT_EQ(form.lblS, "");
  EXPECT_EQ(form.gmbSpec, kLoadTypeIsx);
  EXPECT_EQ(form.filePattern, "*.isx");
  EXPECT_FALSE(ConfirmFileLoad(form, messages));
}

TEST_F(FileChooserLoad, OkWithoutAFileIsRefused) {
  EXPECT_FALSE(ConfirmFileLoad(form, messages));
  EXPECT_EQ(form.OkLoad, 0);
  EXPECT_EQ(messages.Beeps(), 1);
  ASSERT_EQ(messages.Shown().size(), 1u);
  EXPECT_EQ(messages.Shown()[0].title, "Ошибка ввода!!");
  EXPECT_EQ(messages.Shown()[0].text.rfind("Не выбран файл исходных данных!!", 0), 0u);
}

TEST_F(FileChooserLoad, CancelLeavesOkLoadAtZero) {
  ClickLoadFile(form, "смета.isx", messages);
  CancelFileLoad(form);
  EXPECT_EQ(form.OkLoad, 0);
}

TEST_F(FileChooserLoad, LongFolderFitsFiftyCharacters) {
  const std::filesystem::path deep =
      temp / PathFromText("очень длинное имя папки со сметами") / PathFromText("проектный отдел номер два") / "2008";
  ChangeLoadFolder(form, deep);
  EXPECT_LE(CharacterCount(form.txtActDir), 50u);
  EXPECT_EQ(form.txtActDir.substr(0, 6), deep.string().substr(0, 3) + "...");
  EXPECT_EQ(form.txtActDir.substr(form.txtActDir.size() - 5), NativeText("/2008"));
}

}  // namespace
}  // namespace verdin
