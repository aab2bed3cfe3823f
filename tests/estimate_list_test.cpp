// The estimate list: add and write back, delete, delete all, take back,
// move, the selection rule, the autosave, and the records behind the lines.
#include "forms/estimate_list.h"

#include <gtest/gtest.h>

#include "core/line_file.h"
#include "core/text_forms.h"
#include "main_window_fixture.h"

namespace verdin {
namespace {

using Kind = RecordingMessages::Kind;

class EstimateListTest : public testing::MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    UntickAll();
  }

  // Prices row `row` of the first norm table at `quantity` and adds it.
  void AddItem(const std::string& name, int row, const std::string& quantity) {
    form().txtZd = name;
    Calculate(3, row, quantity);
    auto ctx = Ctx();
    ASSERT_TRUE(CmdDob(ctx));
  }

  void AddThree() {
    AddItem("Первый", 0, "3000");  // 50920,635
    AddItem("Второй", 1, "100");   // 83,29
    AddItem("Третий", 1, "200");   // 166,58
    messages_.Clear();
  }

  void Select(int line) {
    auto ctx = Ctx();
    ClickLstZd(ctx, 0, line);
  }

  std::vector<std::string> Names() const { return program_->frm1.lstZd[0]; }
};

TEST_F(EstimateListTest, AddingAnUncalculatedItemIsRefused) {
  auto ctx = Ctx();
  for (const std::string cost : {"", "0", "abc"}) {
    form().txtStP = cost;
    EXPECT_FALSE(CmdDob(ctx));
    ASSERT_EQ(messages_.Shown().size(), 1U);
    EXPECT_EQ(messages_.Shown()[0].title, "Ошибка записи!!");
    EXPECT_EQ(messages_.Shown()[0].text, "Текущий пункт сметы не рассчитан. Добавлять нечего");
    messages_.Clear();
  }
  EXPECT_EQ(state().KolZd(), 0);
  EXPECT_TRUE(Names().empty());
}

TEST_F(EstimateListTest, AddAppendsTheItemWithItsRecord) {
  AddThree();
  EXPECT_EQ(state().KolZd(), 3);
  EXPECT_EQ(Names(), (std::vector<std::string>{"Первый", "Второй", "Третий"}));
  EXPECT_EQ(form().lstZd[1], (std::vector<std::string>{"50920,635", "83,29", "166,58"}));
  EXPECT_EQ(form().txtSym, GeneralForm(50920.635 + 83.29 + 166.58));
  const EstimateItem& first = state().estimate.items[0];
  EXPECT_EQ(first.reference, "Табл. 2.1, п. 3");
  EXPECT_EQ(first.quantityText, "3000");
  EXPECT_EQ(first.unit, "общая площадь, м2");
  EXPECT_EQ(first.TableListEntry(), 3);
  EXPECT_EQ(first.basePrice, 50920.635);
  EXPECT_EQ(first.baseAmount, 50920.634999999995);  // the untruncated base
  EXPECT_EQ(first.TableListEntry(), 3);
  EXPECT_EQ(first.quantity, 3000);
  EXPECT_EQ(first.tableTitle, "2.1. Здания");
  EXPECT_EQ(state().estimate.items[1].reference, "Табл. 2.1, п. 4");
  EXPECT_EQ(state().NomRed, -1);
}

TEST_F(EstimateListTest, ReferenceRules) {
  struct Case {
    PricingMode mode;
    std::string table;
    std::string row;
    std::string reference;
  };
  const std::vector<Case> cases = {
      {PricingMode::NormTable, "2.1. Здания", "3. Жилые дома", "Табл. 2.1, п. 3"},
      // The character before the first blank is dropped whole.
      {PricingMode::NormTable, "Таблица5 без номера", "п3б Отделка", "Табл. Таблица, п. п3"},
      {PricingMode::NormTable, "Безпробелов", "п3б Отделка", "Табл. , п. п3"},
      {PricingMode::TypedCost, "1. Без расчета", "", "1. Без расчета "},
      {PricingMode::ShareOfItem, "", "", ""},
      // The user's own table: only texts typed for it, never «Табл. 0, п.».
      {PricingMode::UserTable, "0. Таблица пользователя", "", ""},
      {PricingMode::UserTable, "Обмеры по акту", "№ 5", "Обмеры по акту № 5"},
  };
  for (const Case& c : cases) {
    EstimateItem item;
    item.mode = c.mode;
    item.tableTitle = c.table;
    item.rowTitle = c.row;
    EXPECT_EQ(ItemReference(item, state().norms), c.reference) << c.table;
  }
}

TEST_F(EstimateListTest, TakeBackAndWriteBackOverTheSameItem) {
  AddThree();
  Select(1);
  auto ctx = Ctx();
  CmdRed(ctx);
  EXPECT_EQ(state().NomRed, 1);
  EXPECT_EQ(form().txtZd, "Второй");
  EXPECT_EQ(form().cboPIndex, 1);
  EXPECT_EQ(form().txtKolic, "100");
  EXPECT_EQ(form().txtStB, "");

  form().txtKolic = "300";
  ASSERT_TRUE(CmdOk(ctx));
  messages_.Answer(true);
  ASSERT_TRUE(CmdDob(ctx));
  const auto questions = messages_.Questions();
  ASSERT_EQ(questions.size(), 1U);
  EXPECT_EQ(questions[0].title, "Подтверждение записи данных");
  EXPECT_EQ(questions[0].text,
            "Вы редактировали, либо просматривали элемент Второй.\r"
            "Если Вы отредактировали данный элемент и после расчета хотите \r"
            "его записать на то же место, нажмите кнопку Да. Если Вы хотите создать\r"
            " новый элемент  и поместить его в конец списка - нажмите кнопку  Нет.\r"
            "Кнопка Отмена ничего не записывает.");
  EXPECT_EQ(state().KolZd(), 3);
  EXPECT_EQ(form().lstZd[1][1], "249,87");
  EXPECT_EQ(state().estimate.items[1].cost, 249.87);
  EXPECT_EQ(state().NomRed, -1);
}

TEST_F(EstimateListTest, TakeBackAndCancelAppendsANewItem) {
  AddThree();
  Select(2);
  auto ctx = Ctx();
  CmdRed(ctx);
  form().txtKolic = "300";
  CmdOk(ctx);
  messages_.Answer(false);
  ASSERT_TRUE(CmdDob(ctx));
  EXPECT_EQ(state().KolZd(), 4);
  EXPECT_EQ(form().lstZd[1][2], "166,58");
  EXPECT_EQ(form().lstZd[1][3], "249,87");
  EXPECT_EQ(state().estimate.items[2].cost, 166.58);
}

TEST_F(EstimateListTest, MovingKeepsWholeItemsAndTheSelection) {
  AddThree();
  auto ctx = Ctx();
  Select(0);
  CmdVerx(ctx, 0);
  EXPECT_EQ(messages_.Shown().at(0).text, "Первый элемент в списке!!!");
  EXPECT_EQ(messages_.Shown().at(0).title, "Ошибка перемещения!!");
  Select(2);
  CmdVerx(ctx, 1);
  EXPECT_EQ(messages_.Shown().at(1).text, "Последний элемент в списке!!!");
  EXPECT_EQ(Names(), (std::vector<std::string>{"Первый", "Второй", "Третий"}));

  Select(1);
  CmdVerx(ctx, 0);
  EXPECT_EQ(Names(), (std::vector<std::string>{"Второй", "Первый", "Третий"}));
  EXPECT_EQ(form().lstZd[1][0], "83,29");
  EXPECT_EQ(state().estimate.items[0].name, "Второй");
  EXPECT_EQ(state().estimate.items[0].reference, "Табл. 2.1, п. 4");
  EXPECT_EQ(state().estimate.items[1].quantity, 3000);
  EXPECT_EQ(form().lstZdIndex, (std::array<int, 2>{0, 0}));
}

TEST_F(EstimateListTest, DeletingShiftsTheItemsAndLowersTheTotal) {
  AddThree();
  const double total = *ParseTypedNumber(form().txtSym);
  auto ctx = Ctx();
  Select(0);
  messages_.Answer(true);
  CmdDel(ctx);
  EXPECT_EQ(messages_.Questions().at(0).text, "Данные по выделенному в списке объекту будут удалены");
  EXPECT_EQ(messages_.Questions().at(0).title, "Подтверждение удаления данных");
  EXPECT_EQ(state().KolZd(), 2);
  EXPECT_EQ(Names(), (std::vector<std::string>{"Второй", "Третий"}));
  EXPECT_EQ(state().estimate.items[0].name, "Второй");
  EXPECT_EQ(state().estimate.items[1].cost, 166.58);
  EXPECT_NEAR(*ParseTypedNumber(form().txtSym), total - 50920.635, 1e-9);
  EXPECT_EQ(form().txtSym, "249,87");

  // Cancel keeps everything.
  Select(0);
  messages_.Answer(false);
  CmdDel(ctx);
  EXPECT_EQ(state().KolZd(), 2);
}

TEST_F(EstimateListTest, NothingSelectedIsReportedWithABeep) {
  AddThree();
  auto ctx = Ctx();
  Select(-1);
  messages_.Clear();
  CmdDel(ctx);
  CmdRed(ctx);
  CmdVerx(ctx, 0);
  ASSERT_EQ(messages_.entries.size(), 6U);
  EXPECT_EQ(messages_.entries[0].kind, Kind::Beep);
  EXPECT_EQ(messages_.entries[1].text, "Не выбран объект  для удаления!!!");
  EXPECT_EQ(messages_.entries[1].title, "Ошибка удаления данных!!");
  EXPECT_EQ(messages_.entries[3].text, "Не выбран объект  для редактирования!!!");
  EXPECT_EQ(messages_.entries[3].title, "Ошибка редактирования!!");
  EXPECT_EQ(messages_.entries[5].text, "Не выбран объект  для перемещения!!!");
  EXPECT_EQ(state().KolZd(), 3);
}

TEST_F(EstimateListTest, DeleteAllEmptiesTheListAndTheNextAddIsItemOne) {
  AddThree();
  auto ctx = Ctx();
  messages_.Answer(true);
  CmdDelZd(ctx);
  EXPECT_EQ(messages_.Questions().at(0).text, "Все введенные данные будут удалены!!! Вы уверены?");
  EXPECT_EQ(form().txtSym, "");
  EXPECT_TRUE(Names().empty());
  EXPECT_EQ(state().KolZd(), 0);
  AddItem("Новый", 1, "100");
  EXPECT_EQ(state().KolZd(), 1);
  EXPECT_EQ(form().txtSym, "83,29");
}

TEST_F(EstimateListTest, PendingWriteBackFollowsItsItemOrEnds) {
  AddThree();
  auto ctx = Ctx();
  Select(2);
  CmdRed(ctx);
  ASSERT_EQ(state().NomRed, 2);
  Select(0);
  messages_.Answer(true);
  CmdDel(ctx);  // the item under edit moves to number 2
  EXPECT_EQ(state().NomRed, 1);
  Select(1);
  CmdVerx(ctx, 0);
  EXPECT_EQ(state().NomRed, 0);
  Select(0);
  messages_.Answer(true);
  CmdDel(ctx);  // the item under edit is deleted: nothing to write back to
  EXPECT_EQ(state().NomRed, -1);
}

TEST_F(EstimateListTest, TheCostListShowsTheSelectionOfTheNameList) {
  AddThree();
  auto ctx = Ctx();
  ClickLstZd(ctx, 0, 2);
  ClickLstZd(ctx, 1, 0);
  EXPECT_EQ(form().lstZdIndex, (std::array<int, 2>{2, 2}));
}

TEST_F(EstimateListTest, AFiftyFirstItemIsRefused) {
  for (int i = 1; i <= kMaxItems; ++i) AddItem("Объект " + std::to_string(i), 1, "100");
  messages_.Clear();
  auto ctx = Ctx();
  EXPECT_FALSE(CmdDob(ctx));
  ASSERT_EQ(messages_.Shown().size(), 1U);
  EXPECT_NE(messages_.Shown()[0].text.find("50"), std::string::npos);
  EXPECT_EQ(state().KolZd(), kMaxItems);
  EXPECT_EQ(Names().size(), static_cast<std::size_t>(kMaxItems));
}

TEST_F(EstimateListTest, ShareOfAnItemIsStoredWithoutReference) {
  AddThree();
  auto ctx = Ctx();
  ClickChkProcent(ctx, true);
  koeff().chkKoeff[10] = true;
  form().txtProcent = "2";
  ASSERT_TRUE(CmdOk(ctx));
  ASSERT_TRUE(CmdDob(ctx));
  const EstimateItem& share = state().estimate.items[3];
  EXPECT_EQ(share.TableListEntry(), -1);
  EXPECT_EQ(share.reference, "");
  EXPECT_EQ(share.shareSource, 1);
  ASSERT_EQ(share.applied.size(), 1u);
  EXPECT_EQ(share.applied[0].symbol, "К(т.р.)");
}

TEST_F(EstimateListTest, AutosaveWritesTheInputDataToTheTemporaryFolder) {
  EXPECT_EQ(AutosaveFileName("2008/11", "01.10.2008 г."), "Смета к дог 2008_11 от 01-10-2008 г-_tmp.isx");
  EXPECT_EQ(AutosaveFileName("a\\b/c", "x"), "Смета к дог a_b_c от x_tmp.isx");
  form().chkAsave = true;
  obd().txtNdog = "7/1";
  obd().txtDataDog = "12.08.2026";
  AddItem("Первый", 0, "3000");
  const auto file = state().folders.PathTemp / PathFromText("Смета к дог 7_1 от 12-08-2026_tmp.isx");
  ASSERT_TRUE(std::filesystem::exists(file));
  EXPECT_EQ(ReadLineFile(file).size(), 40U + 352U);
  EXPECT_TRUE(messages_.Shown().empty());
}

}  // namespace
}  // namespace verdin
