// Saving an estimate of every item kind to an input-data file and opening
// it again: every item is priced anew and the file written back is the
// same, byte for byte.
#include "forms/open_estimate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/line_file.h"
#include "forms/general_data_form.h"
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

  // What the save does before writing the file: the charges and the
  // signatories of the general-data window into the general data, and the
  // header texts as they stand.
  static void PrepareSave(Program& program) {
    TakeObD(program.frmObD, program.state.general);
    const GeneralDataForm& window = program.frmObD;
    program.state.general.header = {window.txtNdog, window.txtDataDog, window.txtShapka[0], window.txtShapka[1],
                                    window.txtShapka[2]};
  }

  static void Save(const Program& program, const std::filesystem::path& file) {
    WriteIsx(program.state.estimate, program.state.general, file);
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
  ASSERT_EQ(state().KolZd(), 5);
  EXPECT_TRUE(messages_.Shown().empty()) << messages_.Shown()[0].text;
  obd().txtShapka[0] = "Склад\r\nготовой продукции";
  PrepareSave(*program_);
  const auto first = folder_ / "смета.isx";
  Save(*program_, first);

  auto reopened = StartAnother();
  auto ctx = reopened->Context(messages_);
  ASSERT_TRUE(OpenEstimate(ctx, first));
  EXPECT_TRUE(messages_.Shown().empty());
  EXPECT_EQ(reopened->state.KolZd(), 5);
  EXPECT_EQ(reopened->frm1.lstZd, program_->frm1.lstZd);
  EXPECT_EQ(reopened->frm1.txtSym, program_->frm1.txtSym);
  EXPECT_EQ(reopened->state.NomRed, -1);
  for (int k = 1; k <= 5; ++k) {
    const EstimateItem& before = state().estimate.Item(k);
    const EstimateItem& after = reopened->state.estimate.Item(k);
    EXPECT_EQ(after.cost, before.cost) << k;
    EXPECT_EQ(after.name, before.name) << k;
    EXPECT_EQ(after.reference, before.reference) << k;
    EXPECT_EQ(after.calculation, before.calculation) << k;
    EXPECT_EQ(after.baseAmount, before.baseAmount) << k;
  }
  // The share item takes the rebuilt cost of item 1 as its base.
  EXPECT_EQ(reopened->state.estimate.Item(5).baseAmount, reopened->state.estimate.Item(1).cost);
  EXPECT_EQ(reopened->frmObD.txtShapka[0], "Склад\r\nготовой продукции");

  PrepareSave(*reopened);
  const auto second = folder_ / "снова.isx";
  Save(*reopened, second);
  EXPECT_EQ(testing::Bytes(second), testing::Bytes(first));
}

TEST_F(OpenEstimateTest, TablesAreFoundByTitleWhenTheDatabaseChangedOrder) {
  ComposeEstimate();
  PrepareSave(*program_);
  const auto file = folder_ / "смета.isx";
  Save(*program_, file);
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
  EXPECT_EQ(reopened->state.estimate.Item(1).TableListEntry(), 4);
  EXPECT_EQ(reopened->state.estimate.Item(1).cost, state().estimate.Item(1).cost);
}

TEST_F(OpenEstimateTest, OpeningReplacesTheListAndEndsAPendingEdit) {
  ComposeEstimate();
  PrepareSave(*program_);
  const auto file = folder_ / "смета.isx";
  Save(*program_, file);
  auto ctx = Ctx();
  ClickLstZd(ctx, 0, 1);
  CmdRed(ctx);
  ASSERT_EQ(state().NomRed, 2);
  ASSERT_TRUE(OpenEstimate(ctx, file));
  EXPECT_EQ(state().NomRed, -1);
  EXPECT_EQ(state().KolZd(), 5);
  EXPECT_EQ(form().lstZd[0].size(), 5U);
}

// A refused file changes neither the estimate, nor the general data, nor
// the windows: neither one that breaks off in the general data nor one
// whose general data and first items are good and only a later item is
// malformed.
TEST_F(OpenEstimateTest, AMalformedFileLeavesTheEstimateAsItWas) {
  ComposeEstimate();
  obd().txtNdog = "17/26";
  PrepareSave(*program_);

  // The other file: another estimate with other general data, its last
  // item cut short.
  const auto other = folder_ / "другая.isx";
  {
    Estimate estimate = state().estimate;
    estimate.summary = "Другая смета";
    for (EstimateItem& item : estimate.items) item.name = "Другой объект";
    GeneralData general = state().general;
    general.header.contractNumber = "99/99";
    general.signatories[0] = {true, "Другой", "Другой"};
    WriteIsx(estimate, general, other);
    auto lines = ReadLineFile(other);
    lines.resize(lines.size() - 10);
    WriteLineFile(other, lines);
  }
  const auto broken = folder_ / "испорчен.isx";
  WriteLineFile(broken, {"сводка", " 2 ", "договор"});

  for (const auto& file : {broken, other}) {
    SCOPED_TRACE(PathText(file));
    const auto names = form().lstZd;
    const auto total = form().txtSym;
    const GeneralDataForm windowBefore = obd();
    const GeneralData generalBefore = state().general;
    std::vector<double> costs;
    for (const EstimateItem& item : state().estimate.items) costs.push_back(item.cost);
    const auto summary = state().estimate.summary;
    auto ctx = Ctx();
    messages_.Clear();
    EXPECT_FALSE(OpenEstimate(ctx, file));
    ASSERT_EQ(messages_.Shown().size(), 1U);
    EXPECT_NE(messages_.Shown()[0].text.find(file.filename().string()), std::string::npos)
        << messages_.Shown()[0].text;
    EXPECT_EQ(form().lstZd, names);
    EXPECT_EQ(form().txtSym, total);
    ASSERT_EQ(state().KolZd(), 5);
    for (int k = 1; k <= 5; ++k) {
      EXPECT_EQ(state().estimate.Item(k).cost, costs[static_cast<std::size_t>(k - 1)]) << k;
      EXPECT_EQ(state().estimate.Item(k).name, names[0][static_cast<std::size_t>(k - 1)]) << k;
    }
    EXPECT_EQ(state().estimate.summary, summary);
    EXPECT_EQ(state().general.header.contractNumber, generalBefore.header.contractNumber);
    EXPECT_EQ(state().general.signatories[0].post, generalBefore.signatories[0].post);
    EXPECT_EQ(obd().txtNdog, windowBefore.txtNdog);
    EXPECT_EQ(obd().txtShapka, windowBefore.txtShapka);
    EXPECT_EQ(obd().chkK, windowBefore.chkK);
    EXPECT_EQ(obd().txtKc, windowBefore.txtKc);
    EXPECT_EQ(obd().chk1, windowBefore.chk1);
    EXPECT_EQ(obd().txt1, windowBefore.txt1);
  }
}

// An item stored as a share of an item that is not above it (a later item,
// or itself) takes no cost it cannot have: it is priced 0 and named in the
// message; the other items are priced as usual.
TEST_F(OpenEstimateTest, AShareOfALaterItemIsReportedNotGuessed) {
  ComposeEstimate();
  auto ctx = Ctx();
  ClickLstZd(ctx, 0, 4);
  CmdVerx(ctx, 0);  // the share of item 1 moves up…
  ClickLstZd(ctx, 0, 0);
  CmdVerx(ctx, 1);  // …and item 1 moves below the other one
  PrepareSave(*program_);
  const auto file = folder_ / "смета.isx";
  Save(*program_, file);
  messages_.Clear();
  ASSERT_TRUE(OpenEstimate(ctx, file));
  EXPECT_EQ(messages_.Shown().size(), 0U);  // item 1 is still first: nothing to report
  const Estimate good = state().estimate;

  struct Case {
    const char* name;
    int item;
    int shareOf;
  };
  const std::vector<Case> cases = {
      {"share of a later item", 1, 3},
      {"share of itself", 3, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    state().estimate = good;
    EstimateItem& share = state().estimate.Item(c.item);
    ASSERT_NE(share.cost, 0);  // a cost it must not keep or take
    share.SetTableListEntry(-1);
    share.shareOf = c.shareOf;
    Save(*program_, file);
    messages_.Clear();
    ASSERT_TRUE(OpenEstimate(ctx, file));
    ASSERT_EQ(messages_.Shown().size(), 1U);
    const std::string& text = messages_.Shown()[0].text;
    EXPECT_NE(text.find("объект № " + std::to_string(c.item) + " "), std::string::npos) << text;
    EXPECT_NE(text.find("№ " + std::to_string(c.shareOf) + ","), std::string::npos) << text;
    EXPECT_EQ(state().estimate.Item(c.item).cost, 0);
    EXPECT_EQ(form().lstZd[1][static_cast<std::size_t>(c.item - 1)], "0");
    // The others are priced as before, a share of the refused item from
    // its cost of 0.
    for (int k = 1; k <= state().KolZd(); ++k) {
      if (k == c.item) continue;
      const EstimateItem& before = good.Item(k);
      const bool dependent = before.mode == PricingMode::ShareOfItem && before.shareOf == c.item;
      EXPECT_EQ(state().estimate.Item(k).cost, dependent ? 0 : before.cost) << k;
    }
  }
}

// A share of an item number below 1 (a file edited by hand or damaged) is
// refused like any other share that cannot be taken, not followed.
TEST_F(OpenEstimateTest, AShareOfAnItemNumberBelowOneIsReportedNotFollowed) {
  ComposeEstimate();
  PrepareSave(*program_);
  const Estimate good = state().estimate;
  ASSERT_EQ(good.Item(5).mode, PricingMode::ShareOfItem);
  const auto file = folder_ / "смета.isx";
  for (const int shareOf : {-1, -2, -50}) {
    SCOPED_TRACE(shareOf);
    state().estimate = good;
    state().estimate.Item(5).shareOf = shareOf;
    Save(*program_, file);
    messages_.Clear();
    auto ctx = Ctx();
    bool opened = false;
    EXPECT_NO_THROW(opened = OpenEstimate(ctx, file));
    EXPECT_TRUE(opened);
    ASSERT_EQ(state().KolZd(), 5);
    ASSERT_EQ(messages_.Shown().size(), 1U);
    EXPECT_NE(messages_.Shown()[0].text.find("объект № 5 "), std::string::npos) << messages_.Shown()[0].text;
    EXPECT_EQ(state().estimate.Item(5).cost, 0);
    for (int k = 1; k <= 4; ++k) EXPECT_EQ(state().estimate.Item(k).cost, good.Item(k).cost) << k;
  }
}

}  // namespace
}  // namespace verdin
