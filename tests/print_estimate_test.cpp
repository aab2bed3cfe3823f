// PathFromText("Печать…") as a command: the sheet it hands to the print preview is the
// sheet the save writes, cell by cell, in the variants the save knows; it
// writes nothing into the state or onto the disk; an empty estimate and
// refused figures are reported as the save reports them.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "core/line_file.h"
#include "forms/calculator_forms.h"
#include "forms/estimate_list.h"
#include "forms/open_estimate.h"
#include "forms/program.h"
#include "forms/save_estimate.h"
#include "sheet_compare.h"
#include "demo_settings.h"

namespace verdin {
namespace {

const std::filesystem::path kDemoFile = testing::DemoEstimateFile();

using testing::ExpectSameSheet;
using testing::SheetHolds;

// The demo estimate opened on the demo database, in a folder of its own.
class PrintEstimate : public ::testing::Test {
 protected:
  void SetUp() override {
    Main(*program_, testing::WriteDemoSettings(folder_.path(), folder_.path()), messages_);
    auto ctx = Ctx();
    ASSERT_TRUE(OpenEstimate(ctx, kDemoFile));
    messages_ = RecordingMessages();
  }

  MainContext Ctx() { return program_->Context(messages_); }

  std::optional<BuiltEstimate> Print() {
    auto ctx = Ctx();
    CaptionOnlyProgress progress;
    return CmdPrintEstimate(ctx, progress, PayOutBoxesOf(program_->frmW));
  }

  testing::TempFolder folder_;
  std::unique_ptr<Program> program_ = NewProgram();
  RecordingMessages messages_;
};

TEST_F(PrintEstimate, PrintedSheetIsTheSavedSheetInEveryVariant) {
  struct Case {
    const char* what;
    bool chkW;
    bool withoutCharges;  // the answer to the save's question while chkW is on
    const char* payOutBox;  // kopecks a rouble in the pay-out window
    const char* only;       // a text only this variant's sheet holds
    const char* salary;     // the salary factor as the pay-out variant shows it
  };
  const Case cases[] = {
      {"charges and VAT", false, false, "70", "Стоимость проектных работ без НДС", "0,7 x"},
      {"pay-out switch on, charges kept", true, false, "70", "Стоимость проектных работ без НДС", "0,7 x"},
      {"pay-out variant", true, true, "70", "Зарплата", "0,7 x"},
      {"pay-out variant, other kopecks", true, true, "55", "Зарплата", "0,55 x"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    program_->frm1.chkW = c.chkW;
    program_->frmW.txt1[PayOutForm::kKopecks] = c.payOutBox;
    // The general-data window changed since the estimate was opened: both
    // take its texts as they stand now.
    program_->frmObD.txtNdog = std::string("П-") + c.payOutBox;
    messages_ = RecordingMessages();
    messages_.Answer(c.withoutCharges);
    const auto printed = Print();
    ASSERT_TRUE(printed);
    EXPECT_EQ(messages_.Questions().size(), c.chkW ? 1u : 0u);
    EXPECT_TRUE(messages_.Shown().empty());

    messages_.Answer(c.withoutCharges);
    auto ctx = Ctx();
    CaptionOnlyProgress progress;
    ConfirmedSaveDialog dialog({folder_ / PathFromText("смета.xls"), kInputDataNotSaved, ""});
    BuiltEstimate saved;
    ASSERT_TRUE(CmdSave(ctx, dialog, progress, PayOutBoxesOf(program_->frmW), &saved));
    EXPECT_EQ(program_->state.BezOtchisl, c.withoutCharges);
    if (c.chkW) {
      ASSERT_EQ(messages_.Questions().size(), 2u);
      EXPECT_EQ(messages_.Questions()[1].text, messages_.Questions()[0].text);
    }

    ExpectSameSheet(printed->sheet.sheet, saved.sheet.sheet);
    EXPECT_EQ(printed->figures.items.size(), saved.figures.items.size());
    EXPECT_TRUE(SheetHolds(printed->sheet.sheet, c.only));
    EXPECT_TRUE(SheetHolds(printed->sheet.sheet, std::string("П-") + c.payOutBox));
    EXPECT_EQ(SheetHolds(printed->sheet.sheet, c.salary), c.withoutCharges);
  }
}

TEST_F(PrintEstimate, WritesNothingIntoTheStateOrOntoTheDisk) {
  program_->frm1.chkW = true;
  program_->frmObD.txtNdog = "новый договор";
  program_->state.estimate.items[0].cost = 1;  // as it stood before any save recomputed it
  const AppState& state = program_->state;
  const auto entries = testing::FolderEntries(folder_.path());
  const bool bezOtchisl = state.BezOtchisl;
  const auto fileXls = state.FileXls;
  const auto header = state.general.header.contractNumber;
  const int errRez = state.ErrRez;

  messages_.Answer(true);
  ASSERT_TRUE(Print());

  EXPECT_EQ(testing::FolderEntries(folder_.path()), entries);
  EXPECT_EQ(state.BezOtchisl, bezOtchisl);
  EXPECT_EQ(state.FileXls, fileXls);
  EXPECT_EQ(state.general.header.contractNumber, header);
  EXPECT_EQ(state.ErrRez, errRez);
  EXPECT_EQ(state.estimate.items[0].cost, 1);
}

// The PDF type of the save window hands the save a ".pdf" name: the save
// passes it on to the saving of the sheet as the estimate file, and writes
// the input data beside it as with a workbook.
TEST_F(PrintEstimate, SaveTakesAPdfNameAsTheEstimateFile) {
  const auto pdf = folder_ / PathFromText("смета.pdf");
  const auto isx = folder_ / PathFromText("смета.isx");
  auto ctx = Ctx();
  CaptionOnlyProgress progress;
  ConfirmedSaveDialog dialog({pdf, PathText(isx), "Сводка"});
  EXPECT_TRUE(CmdSave(ctx, dialog, progress, PayOutBoxesOf(program_->frmW)));
  EXPECT_EQ(program_->state.FileXls, pdf);
  EXPECT_TRUE(std::filesystem::is_regular_file(isx));
  // The estimate file is the PDF document itself, not a workbook under
  // another name.
  std::ifstream written(pdf, std::ios::binary);
  std::string start(5, '\0');
  written.read(start.data(), 5);
  EXPECT_EQ(start, "%PDF-");
  EXPECT_FALSE(std::filesystem::exists(folder_ / PathFromText("смета.xls")));
}

TEST_F(PrintEstimate, RefusalsAreReportedAsTheSaveReportsThemAndShowNothing) {
  struct Case {
    const char* what;
    std::function<void()> spoil;
    const char* title;
    const char* text;  // the start of the message
  };
  const Case cases[] = {
      {"empty estimate", [this] {
         auto ctx = Ctx();
         CmdDelZd(ctx);
       }, "Ошибка записи!", "Ни одного пункта в списке нет!!!"},
      {"pay-out percentage beyond the bound", [this] {
         program_->frm1.chkW = true;
         program_->frmW.txt1[PayOutForm::kPercent] = "1E200";
       }, "Ошибка записи!!", "Смета не подготовлена к печати.\rВ окне расчета выплаты"},
      {"charge rate that is not a number", [this] {
         program_->frmObD.chkK[charge_row::kAgriculture] = true;
         program_->frmObD.txtKc[charge_row::kAgriculture] = "много";
       }, "Ошибка записи!!", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    c.spoil();
    messages_ = RecordingMessages();
    EXPECT_FALSE(Print());
    const auto shown = messages_.Shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].title, c.title);
    EXPECT_EQ(shown[0].text.rfind(c.text, 0), 0u) << shown[0].text;
  }
}

}  // namespace
}  // namespace verdin
