// The file chooser windows on the offscreen platform: their controls, a
// click on a file, typing a name, the folder tree, the input-data box, OK
// and Cancel, and the adapters that the save and open commands call, run
// as modal dialogs driven from a timer.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileSystemModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QTest>
#include <QTreeView>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "ui/file_chooser_window.h"
#include "forms/program.h"
#include "test_support.h"
#include "windows/window_test_support.h"

namespace verdin {
namespace {

using testing::TempFolder;
using namespace verdin::testing::windows;

QString Q(const std::string& text) { return QString::fromStdString(text); }

QStringList Items(QListWidget* list) {
  QStringList names;
  for (int row = 0; row < list->count(); ++row) names << list->item(row)->text();
  return names;
}



// Selects `folder` in the folder tree as a click would.
void ChooseFolder(QWidget* window, const std::filesystem::path& folder) {
  auto* tree = Find<QTreeView>(window, "Tree");
  ASSERT_NE(tree, nullptr);
  auto* model = qobject_cast<QFileSystemModel*>(tree->model());
  ASSERT_NE(model, nullptr);
  const QModelIndex index = model->index(Q(folder.string()));
  ASSERT_TRUE(index.isValid()) << folder;
  tree->setCurrentIndex(index);
  QApplication::processEvents();
}



// Folders of a run: input data in Isx with two files, results in Rez, and
// a sub-folder of Isx.
class FileChooserWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    isx = temp / "Isx";
    rez = temp / "Rez";
    std::filesystem::create_directories(isx / "Архив");
    std::filesystem::create_directories(rez);
    testing::WriteLines(isx / "смета.isx", {"Жилой дом на 40 квартир", " 0 "});
    testing::WriteLines(isx / "data.ISX", {"x"});
    testing::WriteLines(isx / "книга.xls", {"x"});
    testing::WriteLines(isx / "Архив" / "старая.isx", {"Архивная смета", " 0 "});
    program->state.folders.PathIsx = isx;
    program->state.folders.PathRez = rez;
    program->frmObD.txtNdog = "2008/11";
    program->frmObD.txtDataDog = "10.12.2008";
  }

  FileSaveForm SaveForm() { return LoadFileSave(program->state.folders, program->frmObD, ""); }
  FileLoadForm LoadForm() { return LoadFileLoad(program->state.folders); }
  MainContext Ctx() { return program->Context(messages); }

  TempFolder temp;
  std::filesystem::path isx;
  std::filesystem::path rez;
  std::unique_ptr<Program> program = NewProgram();
  RecordingMessages messages;
};

// ---------------------------------------------------------------- FileSave

TEST_F(FileChooserWindows, FileSaveShowsEveryControl) {
  FileSaveWindow window(SaveForm(), messages);
  window.show();
  ExpectWindow(window, "FileSave", "Сохранить данные в файле");
  EXPECT_TRUE(window.isModal());
  Find<QTreeView>(&window, "Tree");
  auto* files = Find<QListWidget>(&window, "Files");
  auto* gmbSpec = Find<QComboBox>(&window, "gmbSpec");
  auto* nameFile = Find<QLineEdit>(&window, "NameFile");
  auto* txtActDir = Find<QLabel>(&window, "txtActDir");
  auto* lblIsx = Find<QLabel>(&window, "lblNameFileIsx");
  auto* lblOut = Find<QLabel>(&window, "lblNameFileOut");
  auto* chk = Find<QCheckBox>(&window, "chkIsxDan");
  auto* sv = Find<QPlainTextEdit>(&window, "Sv");
  ASSERT_TRUE(files && gmbSpec && nameFile && txtActDir && lblIsx && lblOut && chk && sv);
  EXPECT_EQ(Find<QPushButton>(&window, "cmdOk")->text(), Q("ОК"));
  EXPECT_EQ(Find<QPushButton>(&window, "cmdCancel")->text(), Q("Отмена"));
  EXPECT_EQ(chk->text(), Q("Сохранить рез."));
  EXPECT_TRUE(chk->isChecked());
  const QStringList labels = LabelTexts(&window);
  for (const char* text : {"расчета", "Сводка", "Исходные данные :", "Результаты расчета :", "Имя файла:",
                           "Каталог:", "Выбрать файлы:"}) {
    EXPECT_TRUE(labels.contains(Q(text))) << text;
  }
  ASSERT_EQ(gmbSpec->count(), 5);
  EXPECT_EQ(gmbSpec->itemText(0), Q("Все файлы(*.*)"));
  EXPECT_EQ(gmbSpec->itemText(2), Q("Результаты(*.xlsx)"));
  EXPECT_EQ(gmbSpec->currentIndex(), kSaveTypeIsx);
  EXPECT_EQ(nameFile->text(), Q("Смета к дог 2008_11 от 10-12-2008"));
  EXPECT_EQ(lblIsx->text(), Q((isx / "Смета к дог 2008_11 от 10-12-2008.isx").string()));
  EXPECT_EQ(lblOut->text(), Q((isx / "Смета к дог 2008_11 от 10-12-2008.xls").string()));
  EXPECT_LE(txtActDir->text().size(), 23);
  EXPECT_EQ(Items(files), (QStringList{"data.ISX", Q("смета.isx")}));
  // The folder tree starts on the input-data folder.
  auto* tree = Find<QTreeView>(&window, "Tree");
  auto* model = qobject_cast<QFileSystemModel*>(tree->model());
  ASSERT_NE(model, nullptr);
  EXPECT_EQ(model->filePath(tree->currentIndex()), Q(isx.string()));
  // The input-data folder is the tree's one top entry: the folders beside
  // it (Rez) are not shown.
  const QModelIndex top = tree->rootIndex();
  EXPECT_EQ(model->filePath(top), Q(isx.parent_path().string()));
  for (int wait = 0; wait < 300 && model->rowCount(top) < 2; ++wait) QTest::qWait(10);
  ASSERT_EQ(model->rowCount(top), 2);
  for (int row = 0; row < 2; ++row) {
    const QModelIndex folder = model->index(row, 0, top);
    EXPECT_EQ(tree->isRowHidden(row, top), folder != model->index(Q(isx.string()))) << model->filePath(folder).toStdString();
  }
}

TEST_F(FileChooserWindows, FileSaveClickOnAFileAndOk) {
  FileSaveWindow window(SaveForm(), messages);
  window.show();
  QApplication::processEvents();
  messages.Answer(true);
  ClickFile(&window, "смета.isx");
  ASSERT_EQ(messages.Questions().size(), 1u);
  EXPECT_EQ(messages.Questions()[0].title, "Подтверждение записи");
  EXPECT_EQ(Find<QLineEdit>(&window, "NameFile")->text(), Q("смета.isx"));
  EXPECT_EQ(Find<QLabel>(&window, "lblNameFileIsx")->text(), Q((isx / "смета.isx").string()));
  EXPECT_EQ(Find<QLabel>(&window, "lblNameFileOut")->text(), Q((rez / "смета.xls").string()));
  EXPECT_EQ(Find<QPlainTextEdit>(&window, "Sv")->toPlainText(), Q("Жилой дом на 40 квартир"));
  Click(&window, "cmdOk");
  EXPECT_EQ(window.result(), QDialog::Accepted);
  ASSERT_TRUE(window.choice());
  EXPECT_EQ(window.choice()->FileIsx, (isx / "смета.isx").string());
  EXPECT_EQ(window.choice()->FileXls, rez / "смета.xls");
  EXPECT_EQ(window.choice()->Svodka, "Жилой дом на 40 квартир");
  EXPECT_EQ(window.form().OkSave, 1);
}

TEST_F(FileChooserWindows, FileSaveCancelToTheQuestionShowsNotSavedInRed) {
  FileSaveWindow window(SaveForm(), messages);
  window.show();
  messages.Answer(false);
  ClickFile(&window, "смета.isx");
  auto* lblIsx = Find<QLabel>(&window, "lblNameFileIsx");
  EXPECT_EQ(lblIsx->text(), Q("Данные не сохраняются"));
  EXPECT_EQ(lblIsx->palette().color(QPalette::WindowText), QColor(Qt::red));
  EXPECT_FALSE(Find<QCheckBox>(&window, "chkIsxDan")->isChecked());
  EXPECT_FALSE(Find<QPlainTextEdit>(&window, "Sv")->isEnabled());
  EXPECT_EQ(Find<QPlainTextEdit>(&window, "Sv")->toPlainText(), QString());
  ASSERT_EQ(messages.Shown().size(), 1u);
  EXPECT_EQ(messages.Shown()[0].text, "Будут записаны только результаты расчета");

  // Ticking the box again brings the input data back, in blue.
  Find<QCheckBox>(&window, "chkIsxDan")->click();
  EXPECT_EQ(lblIsx->text(), Q((isx / "смета.isx").string()));
  EXPECT_EQ(lblIsx->palette().color(QPalette::WindowText), QColor(Qt::blue));
  EXPECT_TRUE(Find<QPlainTextEdit>(&window, "Sv")->isEnabled());
}

TEST_F(FileChooserWindows, FileSaveTypedNameAndSummary) {
  FileSaveWindow window(SaveForm(), messages);
  window.show();
  TypeInto(Find<QLineEdit>(&window, "NameFile"), Q("гараж"));
  EXPECT_EQ(Find<QLabel>(&window, "lblNameFileIsx")->text(), Q((isx / "гараж.isx").string()));
  EXPECT_EQ(Find<QLabel>(&window, "lblNameFileOut")->text(), Q((isx / "гараж.xls").string()));
  Find<QPlainTextEdit>(&window, "Sv")->setPlainText(Q("Гараж на 2 машины"));
  Click(&window, "cmdOk");
  ASSERT_TRUE(window.choice());
  EXPECT_EQ(window.choice()->Svodka, "Гараж на 2 машины");
  EXPECT_EQ(window.choice()->FileXls, isx / "гараж.xls");
}

TEST_F(FileChooserWindows, FileSaveTypeAndFolderChoices) {
  FileSaveWindow window(SaveForm(), messages);
  window.show();
  auto* files = Find<QListWidget>(&window, "Files");
  // The proposed name stays; only its extension follows the type.
  window.ChooseType(1);
  EXPECT_EQ(Find<QLineEdit>(&window, "NameFile")->text(), Q("Смета к дог 2008_11 от 10-12-2008.xls"));
  EXPECT_EQ(Find<QLabel>(&window, "lblNameFileOut")->text(), Q((isx / "Смета к дог 2008_11 от 10-12-2008.xls").string()));
  EXPECT_EQ(Items(files), (QStringList{Q("книга.xls")}));
  window.ChooseType(kSaveTypeIsx);
  ChooseFolder(&window, isx / "Архив");
  EXPECT_EQ(Find<QLineEdit>(&window, "NameFile")->text(), Q("?.xls"));
  EXPECT_EQ(Find<QLabel>(&window, "lblNameFileIsx")->text(), Q("?.isx"));
  EXPECT_EQ(Items(files), (QStringList{Q("старая.isx")}));
  // Nothing named: OK is refused and the window stays open.
  Click(&window, "cmdOk");
  EXPECT_TRUE(window.isVisible());
  EXPECT_FALSE(window.choice());
  EXPECT_EQ(messages.Shown().size(), 1u);
}

// The proposed name is already taken: OK asks once, naming both files;
// Cancel keeps the window open with nothing chosen, OK then accepts.
TEST_F(FileChooserWindows, FileSaveOkOverExistingFilesAsksFirst) {
  const std::string base = "Смета к дог 2008_11 от 10-12-2008";
  testing::WriteLines(isx / (base + ".isx"), {"Прежняя смета", " 0 "});
  testing::WriteLines(isx / (base + ".xls"), {"x"});
  FileSaveWindow window(SaveForm(), messages);
  window.show();
  QApplication::processEvents();
  messages.Answer(false);
  Click(&window, "cmdOk");
  ASSERT_EQ(messages.Questions().size(), 1u);
  EXPECT_EQ(messages.Questions()[0].text,
            ReplaceFilesQuestion({(isx / (base + ".isx")).string(), (isx / (base + ".xls")).string()}));
  EXPECT_TRUE(window.isVisible());
  EXPECT_FALSE(window.choice());
  EXPECT_EQ(window.form().OkSave, 0);

  messages.Answer(true);
  Click(&window, "cmdOk");
  EXPECT_EQ(messages.Questions().size(), 2u);
  EXPECT_EQ(window.result(), QDialog::Accepted);
  ASSERT_TRUE(window.choice());
  EXPECT_EQ(window.choice()->FileXls, isx / (base + ".xls"));
}

TEST_F(FileChooserWindows, FileSaveCancel) {
  FileSaveWindow window(SaveForm(), messages);
  window.show();
  Click(&window, "cmdCancel");
  EXPECT_EQ(window.result(), QDialog::Rejected);
  EXPECT_FALSE(window.choice());
  EXPECT_EQ(window.form().OkSave, 0);
}

TEST_F(FileChooserWindows, QtSaveDialogReturnsTheChoice) {
  QtSaveDialog dialog;
  auto ctx = Ctx();
  messages.Answer(true);
  WhenModal([](QDialog* shown) {
    EXPECT_EQ(shown->objectName(), "FileSave");
    ClickFile(shown, "смета.isx");
    Click(shown, "cmdOk");
  });
  const auto choice = dialog.Ask(ctx);
  ASSERT_TRUE(choice);
  EXPECT_EQ(choice->FileIsx, (isx / "смета.isx").string());
  EXPECT_EQ(choice->FileXls, rez / "смета.xls");
  EXPECT_EQ(choice->Svodka, "Жилой дом на 40 квартир");
}

TEST_F(FileChooserWindows, QtSaveDialogCancelled) {
  QtSaveDialog dialog;
  auto ctx = Ctx();
  WhenModal([](QDialog* shown) { Click(shown, "cmdCancel"); });
  EXPECT_FALSE(dialog.Ask(ctx));
}

// ---------------------------------------------------------------- FileLoad

TEST_F(FileChooserWindows, FileLoadShowsEveryControl) {
  FileLoadWindow window(LoadForm(), messages);
  window.show();
  ExpectWindow(window, "FileLoad", "Взять данные из файла");
  Find<QTreeView>(&window, "Tree");
  auto* gmbSpec = Find<QComboBox>(&window, "gmbSpec");
  ASSERT_NE(gmbSpec, nullptr);
  ASSERT_EQ(gmbSpec->count(), 3);
  EXPECT_EQ(gmbSpec->itemText(0), Q("Все файлы (*.*)"));
  EXPECT_EQ(gmbSpec->currentIndex(), 2);
  EXPECT_EQ(Find<QLabel>(&window, "lblNameFile")->text(), Q("*.isx"));
  EXPECT_EQ(Find<QLabel>(&window, "lblS")->text(), QString());
  EXPECT_LE(Find<QLabel>(&window, "txtActDir")->text().size(), 50);
  EXPECT_EQ(Find<QPushButton>(&window, "CmdOk")->text(), Q("ОК"));
  EXPECT_EQ(Find<QPushButton>(&window, "CmdCancel")->text(), Q("Отмена"));
  EXPECT_EQ(Items(Find<QListWidget>(&window, "Files")), (QStringList{"data.ISX", Q("смета.isx")}));
}

TEST_F(FileChooserWindows, FileLoadClickAndOk) {
  FileLoadWindow window(LoadForm(), messages);
  window.show();
  ClickFile(&window, "смета.isx");
  EXPECT_EQ(Find<QLabel>(&window, "lblNameFile")->text(), Q("смета.isx"));
  EXPECT_EQ(Find<QLabel>(&window, "lblS")->text(), Q("Жилой дом на 40 квартир"));
  Click(&window, "CmdOk");
  EXPECT_EQ(window.result(), QDialog::Accepted);
  ASSERT_TRUE(window.choice());
  EXPECT_EQ(window.choice()->FileIsx, isx / "смета.isx");
  EXPECT_EQ(window.choice()->Svodka, "Жилой дом на 40 квартир");
  EXPECT_EQ(window.form().OkLoad, 1);
}

TEST_F(FileChooserWindows, FileLoadRefusesAnUpperCaseExtension) {
  FileLoadWindow window(LoadForm(), messages);
  window.show();
  window.ChooseType(0);
  EXPECT_EQ(Find<QLabel>(&window, "lblNameFile")->text(), Q("*.*"));
  EXPECT_EQ(Find<QListWidget>(&window, "Files")->count(), 3);
  ClickFile(&window, "data.ISX");
  EXPECT_EQ(Find<QLabel>(&window, "lblS")->text(), Q("Это не файл исходных данных!!"));
  EXPECT_EQ(Find<QLabel>(&window, "lblNameFile")->text(), Q("*.isx"));
  EXPECT_EQ(Find<QComboBox>(&window, "gmbSpec")->currentIndex(), 2);
  EXPECT_EQ(messages.Beeps(), 1);
  EXPECT_FALSE(window.form().FileIsx);
  // The list follows the input-data type again once the click is over.
  QApplication::processEvents();
  EXPECT_EQ(Find<QListWidget>(&window, "Files")->count(), 2);
  Click(&window, "CmdOk");
  EXPECT_TRUE(window.isVisible());
  EXPECT_FALSE(window.choice());
}

TEST_F(FileChooserWindows, FileLoadFolderChoice) {
  FileLoadWindow window(LoadForm(), messages);
  window.show();
  ClickFile(&window, "смета.isx");
  ChooseFolder(&window, isx / "Архив");
  EXPECT_EQ(Find<QLabel>(&window, "lblNameFile")->text(), Q("*.isx"));
  EXPECT_EQ(Find<QLabel>(&window, "lblS")->text(), QString());
  EXPECT_EQ(Items(Find<QListWidget>(&window, "Files")), (QStringList{Q("старая.isx")}));
  ClickFile(&window, "старая.isx");
  Click(&window, "CmdOk");
  ASSERT_TRUE(window.choice());
  EXPECT_EQ(window.choice()->FileIsx, isx / "Архив" / "старая.isx");
  EXPECT_EQ(window.choice()->Svodka, "Архивная смета");
}

TEST_F(FileChooserWindows, FileLoadDoubleClickOpens) {
  FileLoadWindow window(LoadForm(), messages);
  window.show();
  ClickFile(&window, "data.ISX");
  emit Find<QListWidget>(&window, "Files")->itemDoubleClicked(Find<QListWidget>(&window, "Files")->item(0));
  EXPECT_TRUE(window.isVisible());
  EXPECT_TRUE(messages.Shown().empty());
  ClickFile(&window, "смета.isx");
  auto* files = Find<QListWidget>(&window, "Files");
  emit files->itemDoubleClicked(files->findItems(Q("смета.isx"), Qt::MatchExactly).front());
  EXPECT_EQ(window.result(), QDialog::Accepted);
  ASSERT_TRUE(window.choice());
  EXPECT_EQ(window.choice()->FileIsx, isx / "смета.isx");
}

TEST_F(FileChooserWindows, QtOpenDialogReturnsTheChoice) {
  QtOpenDialog dialog;
  auto ctx = Ctx();
  WhenModal([](QDialog* shown) {
    EXPECT_EQ(shown->objectName(), "FileLoad");
    ClickFile(shown, "смета.isx");
    Click(shown, "CmdOk");
  });
  const auto choice = dialog.Ask(ctx);
  ASSERT_TRUE(choice);
  EXPECT_EQ(choice->FileIsx, isx / "смета.isx");
  EXPECT_EQ(choice->Svodka, "Жилой дом на 40 квартир");
}

TEST_F(FileChooserWindows, QtOpenDialogCancelled) {
  QtOpenDialog dialog;
  auto ctx = Ctx();
  WhenModal([](QDialog* shown) {
    ClickFile(shown, "смета.isx");
    Click(shown, "CmdCancel");
  });
  EXPECT_FALSE(dialog.Ask(ctx));
}

// Lets the folder tree read its folders in the background.
void Settle() {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < 400) QApplication::processEvents(QEventLoop::AllEvents, 50);
}

// Pictures of both windows after a file was chosen, for a person to look
// at. Runs only when VERDIN_SCREENSHOTS names a folder for the PNG files.
TEST_F(FileChooserWindows, FileChooserScreenshots) {
  const char* folder = std::getenv("VERDIN_SCREENSHOTS");
  if (folder == nullptr) GTEST_SKIP() << "set VERDIN_SCREENSHOTS to a folder to take the pictures";
  FileSaveWindow save(SaveForm(), messages);
  save.show();
  messages.Answer(true);
  ClickFile(&save, "смета.isx");
  Settle();
  EXPECT_TRUE(save.grab().save(Q(std::string(folder) + "/file-save.png")));
  messages.Answer(false);
  ClickFile(&save, "смета.isx");
  QApplication::processEvents();
  EXPECT_TRUE(save.grab().save(Q(std::string(folder) + "/file-save-not-saved.png")));
  save.EditNameFile(Q("гараж"));
  save.ChooseType(kSaveTypePdf);
  QApplication::processEvents();
  EXPECT_TRUE(save.grab().save(Q(std::string(folder) + "/file-save-pdf.png")));

  FileLoadWindow load(LoadForm(), messages);
  load.show();
  ClickFile(&load, "смета.isx");
  Settle();
  EXPECT_TRUE(load.grab().save(Q(std::string(folder) + "/file-load.png")));
}

}  // namespace
}  // namespace verdin
