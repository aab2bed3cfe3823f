// The main window's load, table and row selection, the calculate command,
// the share-of-an-item mode and the cost field of the entry without
// calculation, on a small database written by the test.
#include "forms/main_commands.h"

#include <gtest/gtest.h>

#include "core/norm_loader.h"
#include "core/text_forms.h"
#include "main_window_fixture.h"

namespace verdin {
namespace {

using testing::MainWindowTest;

TEST_F(MainWindowTest, StateRightAfterStart) {
  EXPECT_EQ(state().KolZd(), 0);
  EXPECT_EQ(state().NomRed, -1);
  EXPECT_EQ(state().NomProc, 0);
  EXPECT_EQ(state().NomTab, 3);
  EXPECT_EQ(state().folders.PathRez, state().folders.PathIsx);
  EXPECT_EQ(form().caption, "Расчет стоимости проектных работ по СБЦ (Беларусь). Версия  1.9");
  EXPECT_EQ(form().cmdAbToolTip, "Версия  1.9");
  EXPECT_EQ(form().cboTab.size(), 7U);
  EXPECT_EQ(form().cboTabIndex, 3);
  EXPECT_EQ(form().cboPIndex, 0);
  EXPECT_EQ(form().cboP[0], "3. Жилые дома");
  EXPECT_EQ(form().txtNp, "общая площадь, м2");
  EXPECT_EQ(form().txtV[1], "1000");
  EXPECT_EQ(form().txtSt[2], "83289,25");
  EXPECT_EQ(form().txtV[3], "");
  EXPECT_EQ(form().cboSMR, (std::vector<std::string>{"I", "II", "III", "IV", "V"}));
  EXPECT_EQ(form().cboSMRIndex, 0);
  EXPECT_EQ(form().lblPrim, "Примечание 4\rтекст 4");
  // The coefficient window: "Не жилье" for entry 3, its indexation value in row 0,
  // row 4 from the first industry coefficient.
  EXPECT_EQ(koeff().optGil, CoefficientForm::kOther);
  EXPECT_EQ(koeff().txtKoeffK[kIndexationRow], "1,291");
  EXPECT_EQ(koeff().txtKoeffK[kIndustryRow], "1,1");
  EXPECT_TRUE(messages_.entries.empty());
}

TEST_F(MainWindowTest, TableSelectionCascades) {
  auto ctx = Ctx();
  SelectTable(ctx, 0);  // user-entered table
  EXPECT_TRUE(form().cboP.empty());
  EXPECT_EQ(form().cboPIndex, -1);
  EXPECT_EQ(form().txtV[1], "");
  EXPECT_TRUE(form().fra1Enabled);

  SelectTable(ctx, 2);  // percentage of the construction cost
  EXPECT_EQ(form().lblZd[3], "Цсмр, млн.руб");
  EXPECT_EQ(form().lblSBC[0], "Цсмр");
  EXPECT_EQ(form().lblSBC[1], "Уд. вес %");
  EXPECT_EQ(form().txtNp, "млн.руб - стоимость СМР на 01.01.2006");
  EXPECT_TRUE(form().cboSMREnabled);

  SelectTable(ctx, 4);
  EXPECT_EQ(form().lblZd[3], "Количество");
  EXPECT_EQ(form().lblSBC[0], "Кол.");
  EXPECT_EQ(form().lblSBC[1], "Стоимость, тыс.р.");
  EXPECT_FALSE(form().cboSMREnabled);
  EXPECT_EQ(form().txtV[30], "300");  // a row of thirty points shows all of them
  EXPECT_EQ(form().lblPrim, "Примечание 5\rтекст 5");

  SelectTable(ctx, 1);  // entry without calculation
  EXPECT_FALSE(form().fra1Enabled);
  EXPECT_FALSE(form().cmdOkEnabled);
  EXPECT_FALSE(form().txtKolicEnabled);
  EXPECT_FALSE(form().cboPEnabled);
  SelectTable(ctx, 3);
  EXPECT_TRUE(form().fra1Enabled);
  EXPECT_TRUE(form().cmdOkEnabled);
  EXPECT_TRUE(form().txtKolicEnabled);
  EXPECT_TRUE(form().cmdSMREnabled);  // the construction-cost window stays reachable
}

TEST_F(MainWindowTest, HousingEntrySwitchesTheIndexationCoefficient) {
  auto ctx = Ctx();
  SelectTable(ctx, 5);
  EXPECT_EQ(koeff().optGil, CoefficientForm::kHousing);
  EXPECT_EQ(koeff().txtKoeffK[kIndexationRow], "1,312");
  SelectTable(ctx, 4);
  EXPECT_EQ(koeff().optGil, CoefficientForm::kOther);
  EXPECT_EQ(koeff().txtKoeffK[kIndexationRow], "1,291");
}

TEST_F(MainWindowTest, RowSelectionFillsTheGridAndTheUnit) {
  auto ctx = Ctx();
  SelectRow(ctx, 1, false);
  EXPECT_EQ(form().txtNp, "шт");
  EXPECT_EQ(form().txtV[1], "100");
  EXPECT_EQ(form().txtSt[1], "83,29");
  EXPECT_EQ(form().txtV[2], "");
  EXPECT_EQ(form().cboPToolTip, "4. Один пункт");
  EXPECT_EQ(form().cboTabToolTip, "2.1. Здания");
  // By program, the row already shown is left alone.
  form().txtNp = "свой текст";
  SelectRow(ctx, 1, true);
  EXPECT_EQ(form().txtNp, "свой текст");
  // A table without rows leaves the list and the grid empty.
  SelectTable(ctx, 6);
  EXPECT_TRUE(form().cboP.empty());
  EXPECT_EQ(form().txtV[1], "");
}

TEST_F(MainWindowTest, CalculateShowsTruncatedAmountsAndTheText) {
  UntickAll();
  auto ctx = Ctx();
  form().txtKolic = "3000";
  ASSERT_TRUE(CmdOk(ctx));
  CurrentItem current;
  ASSERT_FALSE(PriceCurrentItem(ctx, current));
  EXPECT_EQ(current.price.basePrice, 50920.634999999995);
  EXPECT_EQ(form().txtStBaz, "50920,635");
  EXPECT_EQ(form().txtStP, "50920,635");
  EXPECT_EQ(form().txtStPd, "18185");
  EXPECT_EQ(form().txtStB.rfind("Цб = Цмин + ((Цmax - Цмин)", 0), 0U);

  form().txtKolic = "500";
  CmdOk(ctx);
  EXPECT_EQ(form().txtStBaz, "12078,297");

  SelectRow(ctx, 1, false);
  form().txtKolic = "100";
  CmdOk(ctx);
  EXPECT_EQ(form().txtStP, "83,29");
  EXPECT_EQ(form().txtStPd, "29");
  EXPECT_TRUE(messages_.entries.empty());
}

TEST_F(MainWindowTest, CoefficientsAreMultipliedIn) {
  auto ctx = Ctx();
  UntickAll();
  koeff().chkKoeff[9] = true;
  koeff().chkKoeff[10] = true;
  SelectRow(ctx, 1, false);
  form().txtKolic = "100";
  CmdOk(ctx);
  EXPECT_EQ(form().txtStBaz, "83,29");
  EXPECT_EQ(form().txtStP, GeneralForm(TruncateToThousandths(83.29 * (0.15 * (1.15 * 1)))));
}

TEST_F(MainWindowTest, RowWithoutPointsShowsNoTextAndZero) {
  UntickAll();
  auto ctx = Ctx();
  SelectRow(ctx, 2, false);
  form().txtKolic = "10";
  form().txtStB = "старый текст";
  EXPECT_TRUE(CmdOk(ctx));
  EXPECT_EQ(form().txtStB, "");
  EXPECT_EQ(form().txtStBaz, "0");
  EXPECT_EQ(form().txtStP, "0");
  EXPECT_EQ(form().txtStPd, "0");
}

TEST_F(MainWindowTest, CalculateRefusesMissingOrWrongInputAndChangesNothing) {
  auto ctx = Ctx();
  form().txtKolic = "   ";
  EXPECT_FALSE(CmdOk(ctx));
  ExpectInputError("Не задан объем натурального показателя - графа Количество!!!");
  EXPECT_EQ(form().txtStBaz, "");

  form().txtKolic = "12a";
  EXPECT_FALSE(CmdOk(ctx));
  ExpectInputError("Значение «12a» в поле «Количество» не является числом. Введите число с десятичной запятой, например 1250,5.");

  form().txtKolic = "3000";
  form().txtStd = "0";
  EXPECT_FALSE(CmdOk(ctx));
  ExpectInputError("Курс доллара «0» в поле «То же в $ при 1$=» должен быть числом, отличным от нуля.");
  form().txtStd = "";
  EXPECT_FALSE(CmdOk(ctx));
  messages_.Clear();
  form().txtStd = "2800";

  koeff().chkKoeff[3] = true;
  koeff().txtKoeffK[3] = "";
  EXPECT_FALSE(CmdOk(ctx));
  ASSERT_EQ(messages_.Shown().size(), 1U);
  EXPECT_NE(messages_.Shown()[0].text.find("строке 4"), std::string::npos) << messages_.Shown()[0].text;
  EXPECT_EQ(form().txtStBaz, "");
  EXPECT_EQ(form().txtStP, "");
}

TEST_F(MainWindowTest, ShareOfAnItem) {
  auto ctx = Ctx();
  state().estimate.items.resize(1);
  state().estimate.items[0].cost = 1000;
  form().txtKolic = "3000";

  ClickChkProcent(ctx, true);
  EXPECT_EQ(state().NomTab, -1);
  EXPECT_EQ(form().cboTabIndex, -1);
  EXPECT_FALSE(form().cboTabEnabled);
  EXPECT_FALSE(form().cboPEnabled);
  EXPECT_FALSE(form().fra1Enabled);
  EXPECT_FALSE(form().txtKolicEnabled);
  EXPECT_EQ(form().txtKolic, "");
  EXPECT_TRUE(form().txtProcentVisible);
  EXPECT_EQ(koeff().optGil, CoefficientForm::kOther);

  EXPECT_FALSE(CmdOk(ctx));
  ExpectInputError("Не задан номер рассчитанного объекта!!!");
  form().txtProcent = "2";
  EXPECT_FALSE(CmdOk(ctx));
  ExpectInputError("Объект с таким номером не рассчитан!!!");
  EXPECT_EQ(state().NomProc, 2);
  form().txtProcent = "0";
  EXPECT_FALSE(CmdOk(ctx));
  ExpectInputError("Объект с таким номером не рассчитан!!!");

  UntickAll();
  koeff().chkKoeff[10] = true;  // К(т.р.) 0,15
  form().txtProcent = "1";
  ASSERT_TRUE(CmdOk(ctx));
  EXPECT_EQ(state().NomProc, 1);
  EXPECT_EQ(form().txtStB, "");
  EXPECT_EQ(form().txtStBaz, "1000");
  EXPECT_EQ(form().txtStP, "150");

  ClickChkProcent(ctx, false);
  EXPECT_EQ(state().NomProc, 0);
  EXPECT_FALSE(form().txtProcentVisible);
  EXPECT_EQ(form().txtProcent, "");
  EXPECT_TRUE(form().cboTabEnabled);
  EXPECT_TRUE(form().txtKolicEnabled);
  // The first norm table is chosen again, with its rows, as at the start.
  EXPECT_EQ(form().cboTabIndex, 3);
  EXPECT_FALSE(form().cboP.empty());
  form().txtKolic = "5";
  EXPECT_TRUE(CmdOk(ctx));
}

TEST_F(MainWindowTest, EntryWithoutCalculationFollowsTheCostField) {
  auto ctx = Ctx();
  SelectTable(ctx, 1);
  SetTxtStP(ctx, "83,29");
  EXPECT_EQ(form().txtStBaz, "83,29");
  EXPECT_EQ(form().txtStPd, "29");
  SetTxtStP(ctx, "83,2x");
  EXPECT_EQ(form().txtStBaz, "83,2x");
  EXPECT_EQ(form().txtStPd, "");
  // Selecting the same entry again by program still empties the amounts.
  SelectTable(ctx, 1);
  EXPECT_EQ(form().txtStP, "");
  EXPECT_EQ(form().txtStBaz, "");
  // In other entries the cost field is only a result.
  SelectTable(ctx, 3);
  SetTxtStP(ctx, "5");
  EXPECT_EQ(form().txtStBaz, "");
}

TEST_F(MainWindowTest, UserTableAndPercentageEntries) {
  UntickAll();
  auto ctx = Ctx();
  SelectTable(ctx, 0);
  form().txtV[1] = "100";
  form().txtSt[1] = "10";
  form().txtV[3] = "200";
  form().txtSt[3] = "30";
  form().txtKolic = "150";
  ASSERT_TRUE(CmdOk(ctx));
  EXPECT_EQ(form().txtStBaz, "20");

  SelectTable(ctx, 2);
  form().cboSMRIndex = 1;
  form().txtKolic = "3";
  ASSERT_TRUE(CmdOk(ctx));
  EXPECT_EQ(form().txtStBaz, GeneralForm(TruncateToThousandths((4.5 - (0.9 * 2) / 4) * 30)));
}

}  // namespace
}  // namespace verdin
