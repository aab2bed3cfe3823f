// The «Нормативная база» window through its real buttons: export to a
// workbook, a price edited there by another program, import back, and the
// open estimate priced again; a damaged workbook lists its problems and
// changes nothing.
#include "ui/norm_base_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QListWidget>
#include <QTest>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "core/line_file.h"
#include "core/norm_collection.h"
#include "core/text_forms.h"
#include "ui/main_window.h"
#include "window_fixtures.h"
#include "window_test_support.h"

namespace verdin {
namespace {

using testing::WriteLines;
using testing::windows::Find;
using testing::windows::Q;
using testing::windows::WhenModal;

std::string Bytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class NormBaseWindowTest : public testing::windows::MainWindowWidgetTest {
 protected:
  void SetUp() override {
    MainWindowWidgetTest::SetUp();
    normBase_ = std::make_unique<NormBaseWindow>(*program_, messages_, [this] { window_->Refresh(); });
    normBase_->show();
  }

  // The button clicked with the mouse; the file chooser it opens gets the
  // workbook's name typed and Enter.
  void ClickChoosing(const char* button, const std::string& workbook) {
    WhenModal([workbook](QDialog* chooser) {
      auto* name = Find<QLineEdit>(chooser, "NameFile");
      name->selectAll();
      testing::windows::TypeText(name, Q(workbook.c_str()));
      QTest::keyClick(name, Qt::Key_Return);
    });
    QTest::mouseClick(Find<QPushButton>(normBase_.get(), button), Qt::LeftButton);
  }

  // Sets the price of table `table`, row `row`, point `x` (as the sheet
  // «Таблицы» numbers them) in the workbook with openpyxl.
  void EditPrice(const std::string& workbook, int table, int row, int x, const std::string& price) {
    const std::string script =
        "import openpyxl,sys\n"
        "wb=openpyxl.load_workbook(sys.argv[1]); ws=wb['Таблицы']; t=None\n"
        "for r in ws.iter_rows(min_row=2):\n"
        "  t=r[0].value if r[0].value is not None else t\n"
        "  if t==" + std::to_string(table) + " and r[2].value==" + std::to_string(row) +
        " and r[4].value==" + std::to_string(x) + ": r[5].value=" + price + "\n"
        "wb.save(sys.argv[1])\n";
    std::ofstream(folder_ / "edit.py", std::ios::binary) << script;
    const std::string command =
        "/usr/bin/python3 '" + PathText(folder_ / "edit.py") + "' '" + PathText(folder_ / workbook) + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
  }

  std::filesystem::path TablesFile() const { return folder_ / "data" / PathFromText(kTablesFileName); }

  std::unique_ptr<NormBaseWindow> normBase_;
};

TEST_F(NormBaseWindowTest, EditedPriceComesBackAndTheEstimateIsPricedAgain) {
  Calculate(3, 0, "3000");  // halfway between the points 1000 and 5000
  Add("Дом");
  const double before = state().estimate.items[0].cost;
  EXPECT_EQ(Find<QLabel>(normBase_.get(), "lblTables")->text(), "7");

  ClickChoosing("cmdExport", "база");
  ASSERT_TRUE(std::filesystem::exists(folder_ / "база.xlsx"));
  EditPrice("база.xlsx", 4, 1, 1000, "20000.02");
  ClickChoosing("cmdImport", "база.xlsx");

  // The point at 1000 rose by 1448, which moves the price at 3000 by half.
  EXPECT_NEAR(state().estimate.items[0].cost - before, 724, 1e-9);
  EXPECT_EQ(state().norms.Table(3).rows[0].points[0].price, 20000.02);
  EXPECT_TRUE(Find<QListWidget>(window_.get(), "lstZd(1)")->item(0)->text().contains(
      QString::fromStdString(GeneralForm(state().estimate.items[0].cost))));
  EXPECT_TRUE(Find<QLabel>(normBase_.get(), "lblResult")->text().startsWith(Q("База загружена")));
  EXPECT_FALSE(Find<QListWidget>(normBase_.get(), "lstProblems")->isVisible());
  EXPECT_TRUE(std::filesystem::exists(folder_ / "data" / PathFromText(std::string(kTablesFileName) + ".bak")));
  EXPECT_FALSE(program_->history.CanUndo());  // no step back to figures of the old tables
}

TEST_F(NormBaseWindowTest, DamagedWorkbookListsItsProblemsAndChangesNothing) {
  Calculate(3, 0, "3000");
  Add("Дом");
  const double cost = state().estimate.items[0].cost;
  ClickChoosing("cmdExport", "база.xlsx");
  EditPrice("база.xlsx", 4, 1, 1000, "-5");
  const std::string tables = Bytes(TablesFile());
  messages_.Clear();

  ClickChoosing("cmdImport", "база.xlsx");

  auto* problems = Find<QListWidget>(normBase_.get(), "lstProblems");
  ASSERT_EQ(problems->count(), 1);
  EXPECT_TRUE(problems->item(0)->text().contains(Q("«-5» отрицательна"))) << problems->item(0)->text().toStdString();
  EXPECT_TRUE(Find<QLabel>(normBase_.get(), "lblResult")->text().startsWith(Q("База норм не изменена")));
  EXPECT_TRUE(messages_.entries.empty());  // no question: nothing to replace
  EXPECT_EQ(Bytes(TablesFile()), tables);
  EXPECT_EQ(state().estimate.items[0].cost, cost);
  EXPECT_EQ(state().norms.Table(3).rows[0].points[0].price, 18552.02);

  // Ctrl+C in the list and the «Копировать» button both copy the problem.
  QApplication::clipboard()->clear();
  problems->setFocus();
  QTest::keyClick(problems, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), problems->item(0)->text() + "\n");
  QApplication::clipboard()->clear();
  QTest::mouseClick(Find<QPushButton>(normBase_.get(), "cmdCopy"), Qt::LeftButton);
  EXPECT_EQ(QApplication::clipboard()->text(), problems->item(0)->text() + "\n");
}

TEST_F(NormBaseWindowTest, ImportDeclinedOrUnreadableLeavesTheDatabase) {
  ClickChoosing("cmdExport", "база.xlsx");
  const std::string tables = Bytes(TablesFile());
  messages_.Answer(false);  // Cancel on the question before the database is replaced
  ClickChoosing("cmdImport", "база.xlsx");
  ASSERT_EQ(messages_.entries.size(), 1U);
  EXPECT_EQ(messages_.entries[0].kind, RecordingMessages::Kind::OkCancel);
  EXPECT_EQ(messages_.entries[0].enter, DefaultButton::LeaveAsIs);
  WriteLines(folder_ / "не книга.xlsx", {"просто текст"});
  ClickChoosing("cmdImport", "не книга.xlsx");
  ASSERT_EQ(messages_.Shown().size(), 1U);
  EXPECT_EQ(messages_.Shown()[0].title, "Загрузка нормативной базы");
  EXPECT_EQ(Bytes(TablesFile()), tables);
  EXPECT_EQ(Find<QLabel>(normBase_.get(), "lblResult")->text(), Q("База норм не изменена."));
}

TEST_F(NormBaseWindowTest, AboutBoxNamesTheDatabaseAndLeadsToTheWindow) {
  QString base;
  bool opened = false;
  WhenModal([&](QDialog* about) {
    base = Find<QLabel>(about, "lblBase")->text();
    WhenModal([&](QDialog* normBase) { opened = normBase->objectName() == "frmNormBase"; });
    QTest::mouseClick(Find<QPushButton>(about, "cmdNormBase"), Qt::LeftButton);
    QTest::keyClick(about, Qt::Key_Escape);
  });
  window_->ShowAbout();
  EXPECT_TRUE(base.startsWith(Q("Нормативная база: файлы от "))) << base.toStdString();
  EXPECT_TRUE(base.endsWith(Q(", таблиц: 7"))) << base.toStdString();
  EXPECT_TRUE(opened);
}

}  // namespace
}  // namespace verdin
