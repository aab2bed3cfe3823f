// Saving an estimate of every item kind to an input-data file and opening
// it again: every item is priced anew and the file written back is the
// same, byte for byte.
#include "forms/open_estimate.h"

#include "core/item_input.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/index.h"
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
  const auto first = folder_ / PathFromText("смета.isx");
  Save(*program_, first);

  auto reopened = StartAnother();
  auto ctx = reopened->Context(messages_);
  ASSERT_TRUE(OpenEstimate(ctx, first));
  EXPECT_TRUE(messages_.Shown().empty());
  EXPECT_EQ(reopened->state.KolZd(), 5);
  EXPECT_EQ(reopened->frm1.lstZd, program_->frm1.lstZd);
  EXPECT_EQ(reopened->frm1.txtSym, program_->frm1.txtSym);
  EXPECT_EQ(reopened->state.NomRed, -1);
  for (int k = 0; k < 5; ++k) {
    const EstimateItem& before = state().estimate.items[At(k)];
    const EstimateItem& after = reopened->state.estimate.items[At(k)];
    EXPECT_EQ(after.cost, before.cost) << k;
    EXPECT_EQ(after.name, before.name) << k;
    EXPECT_EQ(after.reference, before.reference) << k;
    EXPECT_EQ(after.calculation, before.calculation) << k;
    EXPECT_EQ(after.baseAmount, before.baseAmount) << k;
  }
  // The share item takes the rebuilt cost of item 1 as its base.
  EXPECT_EQ(reopened->state.estimate.items[4].baseAmount, reopened->state.estimate.items[0].cost);
  EXPECT_EQ(reopened->frmObD.txtShapka[0], "Склад\r\nготовой продукции");

  PrepareSave(*reopened);
  const auto second = folder_ / PathFromText("снова.isx");
  Save(*reopened, second);
  EXPECT_EQ(testing::Bytes(second), testing::Bytes(first));
}

TEST_F(OpenEstimateTest, TablesAreFoundByTitleWhenTheDatabaseChangedOrder) {
  ComposeEstimate();
  PrepareSave(*program_);
  const auto file = folder_ / PathFromText("смета.isx");
  Save(*program_, file);
  // Swap the two first norm tables in the database.
  auto lines = ReadLineFile(folder_ / "data" / PathFromText(kTablesFileName));
  const auto second = std::find(lines.begin(), lines.end(), "\\2.2. Сети");
  const auto third = std::find(lines.begin(), lines.end(), "\\2.18. Жилые дома");
  std::vector<std::string> swapped(lines.begin(), lines.begin() + 3);
  swapped.insert(swapped.end(), second, third);
  swapped.insert(swapped.end(), lines.begin() + 3, second);
  swapped.insert(swapped.end(), third, lines.end());
  WriteLineFile(folder_ / "data" / PathFromText(kTablesFileName), swapped);

  auto reopened = StartAnother();
  ASSERT_EQ(reopened->state.norms.Table(4).title, "2.1. Здания");
  auto ctx = reopened->Context(messages_);
  ASSERT_TRUE(OpenEstimate(ctx, file));
  EXPECT_EQ(reopened->state.estimate.items[0].TableListEntry(), 4);
  EXPECT_EQ(reopened->state.estimate.items[0].cost, state().estimate.items[0].cost);
}

TEST_F(OpenEstimateTest, OpeningReplacesTheListAndEndsAPendingEdit) {
  ComposeEstimate();
  PrepareSave(*program_);
  const auto file = folder_ / PathFromText("смета.isx");
  Save(*program_, file);
  auto ctx = Ctx();
  ClickLstZd(ctx, 0, 1);
  CmdRed(ctx);
  ASSERT_EQ(state().NomRed, 1);
  ASSERT_TRUE(OpenEstimate(ctx, file));
  EXPECT_EQ(state().NomRed, -1);
  EXPECT_EQ(state().KolZd(), 5);
  EXPECT_EQ(form().lstZd[0].size(), 5U);
}

// An estimate named on the command line opens as from the open window,
// with its summary line; a missing one leaves the estimate as it was.
TEST_F(OpenEstimateTest, AFileNamedAtStartOpensWithItsSummary) {
  ComposeEstimate();
  PrepareSave(*program_);
  program_->state.estimate.summary = "Смета на склад";
  const auto file = folder_ / PathFromText("из проводника.isx");
  Save(*program_, file);
  auto other = StartAnother();
  auto ctx = other->Context(messages_);
  EXPECT_FALSE(OpenNamedEstimate(ctx, folder_ / PathFromText("нет такой.isx")));
  EXPECT_EQ(other->state.KolZd(), 0);
  ASSERT_TRUE(OpenNamedEstimate(ctx, file));
  EXPECT_EQ(other->state.KolZd(), 5);
  EXPECT_EQ(other->state.estimate.summary, ReadIsxSummary(file));
  EXPECT_EQ(other->state.estimateFile, file);
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
  const auto other = folder_ / PathFromText("другая.isx");
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
  const auto broken = folder_ / PathFromText("испорчен.isx");
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
    for (int k = 0; k < 5; ++k) {
      EXPECT_EQ(state().estimate.items[At(k)].cost, costs[At(k)]) << k;
      EXPECT_EQ(state().estimate.items[At(k)].name, names[0][At(k)]) << k;
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

// A share is priced from its source wherever the source stands in the
// list (a later item too); a share of itself takes no cost it cannot have:
// it is priced 0 and named in the message, the other items as usual.
TEST_F(OpenEstimateTest, ASharePricedFromItsSourceWhereverItStands) {
  ComposeEstimate();
  auto ctx = Ctx();
  ClickLstZd(ctx, 0, 4);
  CmdVerx(ctx, 0);  // the share of item 1 moves up…
  ClickLstZd(ctx, 0, 0);
  CmdVerx(ctx, 1);  // …and item 1 moves below the other one
  PrepareSave(*program_);
  const auto file = folder_ / PathFromText("смета.isx");
  Save(*program_, file);
  messages_.Clear();
  ASSERT_TRUE(OpenEstimate(ctx, file));
  EXPECT_EQ(messages_.Shown().size(), 0U);
  const Estimate good = state().estimate;

  struct Case {
    const char* name;
    int item;    // counted from 0
    int source;  // counted from 0
    bool refused;
  };
  const std::vector<Case> cases = {
      {"share of a later item", 0, 2, false},
      {"share of itself", 2, 2, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    state().estimate = good;
    EstimateItem& share = state().estimate.items[At(c.item)];
    share.SetTableListEntry(-1);
    share.shareSource = c.source;
    share.coefficientRows.fill({});
    share.coefficientRows[10] = {true, 0, 0.15, "", "К(т.р.)", ""};
    Save(*program_, file);
    messages_.Clear();
    ASSERT_TRUE(OpenEstimate(ctx, file));
    const double expected = c.refused ? 0 : ShownValue(good.items[At(c.source)].cost * 0.15);
    EXPECT_EQ(state().estimate.items[At(c.item)].cost, expected);
    ASSERT_EQ(messages_.Shown().size(), c.refused ? 1U : 0U);
    if (c.refused) {
      const std::string text = messages_.Shown()[0].text;
      EXPECT_NE(text.find("объект № " + std::to_string(c.item + 1) + " "), std::string::npos) << text;
    }
  }
}

// Values the windows cannot produce (a file edited by hand or damaged) are
// refused by the reader with the line, and the open estimate stays as it
// was: share numbers outside the item numbers, a minus in a quantity or a
// coefficient, amounts beyond the bound, indices beyond the tables.
TEST_F(OpenEstimateTest, ValuesTheWindowsCannotProduceAreRefusedWithTheLine) {
  ComposeEstimate();
  PrepareSave(*program_);
  const auto file = folder_ / PathFromText("смета.isx");
  Save(*program_, file);
  const std::vector<std::string> good = ReadLineFile(file);
  const std::vector<std::string> listBefore = form().lstZd[1];
  // Item 5's block starts after the header and four blocks; its number
  // lines hold ZdD(5, 10..20), its coefficient numbers follow the texts.
  const std::size_t block = 40 + 352 * 4;
  struct Case {
    const char* name;
    std::size_t line;  // 0-based
    const char* value;
    const char* expected;
  };
  const Case cases[] = {
      {"share of -1", block + 4, "-1", "номер объекта, от суммы которого берется доля объекта 5"},
      {"share of -5", block + 4, "-5", "номер объекта"},
      {"share of 1E15", block + 4, "1E15", "номер объекта"},
      {"share of 3000000000", block + 4, "3000000000", "номер объекта"},
      {"share of 51", block + 4, "51", "номер объекта"},
      {"share of 2,5", block + 4, "2,5", "целое число"},
      {"table 1E15", block + 0, "1E15", "номер таблицы объекта 5"},
      {"row 30", block + 1, "30", "номер пункта объекта 5"},
      {"quantity 1E308", block + 2, "1E308", "количество объекта 5"},
      {"negative quantity", block + 2, "-3", "количество объекта 5"},
      {"housing 1", block + 3, "1", "признак «Жилье»"},
      {"typed cost 2E15", block + 5, "2E15", "стоимость без расчета"},
      {"category 5", block + 6, "5", "категория сложности"},
      {"negative coefficient", block + 22 + 3 * 15 + 1, "-1,1", "значение коэффициента объекта 5"},
      {"coefficient flag 2", block + 22 + 15 + 1, "2", "отметка коэффициента"},
      {"charge rate 150", 8, "150", "ставка отчисления 1"},
      {"negative charge rate", 11, "-4,5", "ставка отчисления 2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> lines = good;
    lines[c.line] = c.value;
    WriteLineFile(file, lines);
    messages_.Clear();
    auto ctx = Ctx();
    bool opened = true;
    EXPECT_NO_THROW(opened = OpenEstimate(ctx, file));
    EXPECT_FALSE(opened);
    ASSERT_EQ(messages_.Shown().size(), 1U);
    const std::string text = messages_.Shown()[0].text;
    EXPECT_NE(text.find("строка " + std::to_string(c.line + 1) + ": "), std::string::npos) << text;
    EXPECT_NE(text.find(c.expected), std::string::npos) << text;
    EXPECT_EQ(state().KolZd(), 5);
    EXPECT_EQ(form().lstZd[1], listBefore);
  }
}

// The autosave carries the general data as the window holds them, so that
// opening it after a crash restores the estimate completely: the workbook
// saved from it equals the one the first session would have saved.
TEST_F(OpenEstimateTest, AnAutosaveRestoresTheWholeEstimate) {
  obd().txtNdog = "77/3";
  obd().txtShapka[0] = "Склад\r\nстадия А";
  obd().chkK[5] = true;
  obd().txtK[5] = "Прочие отчисления, %";
  obd().txtKc[5] = "1,5";
  obd().chk1[2] = true;
  obd().txt1[2] = "Инженер";
  obd().txt2[2] = "А.Б. Иванов";
  form().chkAsave = true;
  ComposeEstimate();
  const auto autosave = folder_ / "Temp" / PathFromText(AutosaveFileName(obd().txtNdog, obd().txtDataDog));
  ASSERT_TRUE(std::filesystem::exists(autosave));

  const auto saveWorkbook = [&](Program& program, RecordingMessages& messages, const std::string& name) {
    ConfirmedSaveDialog dialog({folder_ / name, kInputDataNotSaved, "Смета"});
    CaptionOnlyProgress progress;
    MainContext ctx = program.Context(messages);
    EXPECT_TRUE(CmdSave(ctx, dialog, progress, PayOutPercentages{}));
    return testing::Bytes(folder_ / name);
  };
  const std::string first = saveWorkbook(*program_, messages_, "первая.xls");

  auto fresh = NewProgram();
  RecordingMessages messages;
  SettingsLocation location;
  location.iniOverride = folder_ / "vb_prog.ini";
  Main(*fresh, location, messages);
  MainContext ctx = fresh->Context(messages);
  ASSERT_TRUE(OpenEstimate(ctx, autosave));
  EXPECT_TRUE(messages.Shown().empty()) << messages.Shown()[0].text;
  EXPECT_EQ(fresh->frmObD.txtK[5], "Прочие отчисления, %");
  EXPECT_EQ(fresh->frmObD.txt2[2], "А.Б. Иванов");
  EXPECT_EQ(saveWorkbook(*fresh, messages, "вторая.xls"), first);
}

// A file written before the general data were ever taken from the window
// (an autosave of an older version) holds no charges and no signatories:
// the open keeps the window's general data and says so once.
TEST_F(OpenEstimateTest, AFileWithoutGeneralDataKeepsTheWindows) {
  ComposeEstimate();
  const auto file = folder_ / PathFromText("старая.isx");
  WriteIsx(state().estimate, GeneralData{}, file);
  const GeneralDataForm before = obd();
  messages_.Clear();
  auto ctx = Ctx();
  ASSERT_TRUE(OpenEstimate(ctx, file));
  ASSERT_EQ(messages_.Shown().size(), 1U);
  EXPECT_NE(messages_.Shown()[0].text.find("нет общих данных"), std::string::npos) << messages_.Shown()[0].text;
  EXPECT_EQ(obd().chkK, before.chkK);
  EXPECT_EQ(obd().txtKc, before.txtKc);
  EXPECT_EQ(obd().txt2, before.txt2);
  EXPECT_EQ(state().KolZd(), 5);
}

}  // namespace
}  // namespace verdin
