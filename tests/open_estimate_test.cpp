// Saving an estimate of every item kind to an input-data file and opening
// it again: every item is priced anew and the file written back is the
// same, byte for byte.
#include "forms/open_estimate.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "core/line_file.h"
#include "isx/isx_file.h"
#include "main_window_fixture.h"
#include "forms/estimate_list.h"

namespace verdin {
namespace {

class OpenEstimateTest : public testing::MainWindowTest {
 protected:
  // An estimate with one item of every kind.
  void ComposeEstimate() {
    UntickAll();
    koeff().chkKoeff[1] = true;  // К(обл.) 1,1
    koeff().chkKoeff[9] = true;  // К(п.п.) 1,15
    Calculate(3, 0, "3000");
    Add("Здание\r\nсклада");

    UntickAll();
    auto ctx = Ctx();
    SelectTable(ctx, 0);
    for (int j = 1; j <= 5; ++j) {
      form().txtV[static_cast<std::size_t>(j)] = std::to_string(j * 100);
      form().txtSt[static_cast<std::size_t>(j)] = std::to_string(j * 7) + ",5";
    }
    form().txtNp = "м2 по таблице заказчика";
    form().txtKolic = "450";
    ASSERT_TRUE(CmdOk(ctx));
    Add("По таблице пользователя");

    SelectTable(ctx, 1);
    SetTxtStP(ctx, "1234,5");
    Add("Готовая стоимость");

    koeff().chkKoeff[2] = true;  // К(м.к.) 1,2
    Calculate(2, -1, "3");
    form().cboSMRIndex = 2;
    ASSERT_TRUE(CmdOk(ctx));
    Add("От стоимости СМР, категория III");

    UntickAll();
    koeff().chkKoeff[10] = true;  // К(т.р.) 0,15
    ClickChkProcent(ctx, true);
    form().txtProcent = "1";
    ASSERT_TRUE(CmdOk(ctx));
    Add("Доля от первого объекта");
    ClickChkProcent(ctx, false);
  }

  // What the save does before writing the file: the general data into the
  // tables and the header texts into row 0.
  static void PrepareSave(Program& program) {
    TakeObD(program.frmObD, program.state.general);
    auto& header = program.state.items[0].ZdS;
    header[1] = program.frmObD.txtNdog;
    header[2] = program.frmObD.txtDataDog;
    for (std::size_t k = 0; k < 3; ++k) header[3 + k] = program.frmObD.txtShapka[k];
  }

  std::unique_ptr<Program> StartAnother() {
    auto other = NewProgram();
    SettingsLocation location;
    location.iniOverride = folder_ / "vb_prog.ini";
    Main(*other, location, messages_);
    return other;
  }
};

TEST_F(OpenEstimateTest, EveryItemKindSurvivesSaveAndOpen) {
  ComposeEstimate();
  ASSERT_EQ(state().KolZd, 5);
  EXPECT_TRUE(messages_.Shown().empty()) << messages_.Shown()[0].text;
  obd().txtShapka[0] = "Склад\r\nготовой продукции";
  PrepareSave(*program_);
  const auto first = folder_ / "смета.isx";
  WriteIsx(state(), first);

  auto reopened = StartAnother();
  auto ctx = reopened->Context(messages_);
  ASSERT_TRUE(OpenEstimate(ctx, first));
  EXPECT_TRUE(messages_.Shown().empty());
  EXPECT_EQ(reopened->state.KolZd, 5);
  EXPECT_EQ(reopened->frm1.lstZd, program_->frm1.lstZd);
  EXPECT_EQ(reopened->frm1.txtSym, program_->frm1.txtSym);
  EXPECT_EQ(reopened->state.NomRed, -1);
  for (int k = 1; k <= 5; ++k) {
    const auto& before = state().items[static_cast<std::size_t>(k)];
    const auto& after = reopened->state.items[static_cast<std::size_t>(k)];
    EXPECT_EQ(after.ZdD[col::kCost], before.ZdD[col::kCost]) << k;
    EXPECT_EQ(after.ZdS[col::kName], before.ZdS[col::kName]) << k;
    EXPECT_EQ(after.ZdS[col::kReference], before.ZdS[col::kReference]) << k;
    EXPECT_EQ(after.ZdS[col::kCalculation], before.ZdS[col::kCalculation]) << k;
    EXPECT_EQ(after.ZdBaz[1], before.ZdBaz[1]) << k;
  }
  // The share item takes the rebuilt cost of item 1 as its base.
  EXPECT_EQ(reopened->state.items[5].ZdBaz[1], reopened->state.items[1].ZdD[col::kCost]);
  EXPECT_EQ(reopened->frmObD.txtShapka[0], "Склад\r\nготовой продукции");

  PrepareSave(*reopened);
  const auto second = folder_ / "снова.isx";
  WriteIsx(reopened->state, second);
  EXPECT_EQ(testing::Bytes(second), testing::Bytes(first));
}

TEST_F(OpenEstimateTest, TablesAreFoundByTitleWhenTheDatabaseChangedOrder) {
  ComposeEstimate();
  PrepareSave(*program_);
  const auto file = folder_ / "смета.isx";
  WriteIsx(state(), file);
  // Swap the two first norm tables in the database.
  auto lines = ReadLineFile(folder_ / "data" / kTablesFileName);
  const auto second = std::find(lines.begin(), lines.end(), "\\2.2. Сети");
  const auto third = std::find(lines.begin(), lines.end(), "\\2.18. Жилые дома");
  std::vector<std::string> swapped(lines.begin(), lines.begin() + 3);
  swapped.insert(swapped.end(), second, third);
  swapped.insert(swapped.end(), lines.begin() + 3, second);
  swapped.insert(swapped.end(), third, lines.end());
  WriteLineFile(folder_ / "data" / kTablesFileName, swapped);

  auto reopened = StartAnother();
  ASSERT_EQ(reopened->state.norms.Table(5).title, "2.1. Здания");
  auto ctx = reopened->Context(messages_);
  ASSERT_TRUE(OpenEstimate(ctx, file));
  EXPECT_EQ(reopened->state.items[1].ZdD[10], 4);
  EXPECT_EQ(reopened->state.items[1].ZdD[col::kCost], state().items[1].ZdD[col::kCost]);
}

TEST_F(OpenEstimateTest, OpeningReplacesTheListAndEndsAPendingEdit) {
  ComposeEstimate();
  PrepareSave(*program_);
  const auto file = folder_ / "смета.isx";
  WriteIsx(state(), file);
  auto ctx = Ctx();
  ClickLstZd(ctx, 0, 1);
  CmdRed(ctx);
  ASSERT_EQ(state().NomRed, 2);
  ASSERT_TRUE(OpenEstimate(ctx, file));
  EXPECT_EQ(state().NomRed, -1);
  EXPECT_EQ(state().KolZd, 5);
  EXPECT_EQ(form().lstZd[0].size(), 5U);
}

TEST_F(OpenEstimateTest, AMalformedFileLeavesTheEstimateAsItWas) {
  ComposeEstimate();
  const auto names = form().lstZd;
  const auto total = form().txtSym;
  const auto file = folder_ / "испорчен.isx";
  WriteLineFile(file, {"сводка", " 2 ", "договор"});
  auto ctx = Ctx();
  messages_.Clear();
  EXPECT_FALSE(OpenEstimate(ctx, file));
  ASSERT_EQ(messages_.Shown().size(), 1U);
  EXPECT_NE(messages_.Shown()[0].text.find("испорчен.isx"), std::string::npos);
  EXPECT_EQ(form().lstZd, names);
  EXPECT_EQ(form().txtSym, total);
  EXPECT_EQ(state().KolZd, 5);
}

TEST_F(OpenEstimateTest, AShareOfALaterItemIsReportedNotGuessed) {
  ComposeEstimate();
  auto ctx = Ctx();
  ClickLstZd(ctx, 0, 4);
  CmdVerx(ctx, 0);  // the share of item 1 moves up…
  ClickLstZd(ctx, 0, 0);
  CmdVerx(ctx, 1);  // …and item 1 moves below the other one
  PrepareSave(*program_);
  const auto file = folder_ / "смета.isx";
  WriteIsx(state(), file);
  messages_.Clear();
  ASSERT_TRUE(OpenEstimate(ctx, file));
  EXPECT_EQ(messages_.Shown().size(), 0U);  // item 1 is still first: nothing to report

  state().items[1].ZdD[14] = 3;  // a share item now pointing below itself
  state().items[1].ZdD[10] = -1;
  WriteIsx(state(), file);
  ASSERT_TRUE(OpenEstimate(ctx, file));
  ASSERT_EQ(messages_.Shown().size(), 1U);
  EXPECT_NE(messages_.Shown()[0].text.find("объект № 1"), std::string::npos) << messages_.Shown()[0].text;
}

}  // namespace
}  // namespace verdin
