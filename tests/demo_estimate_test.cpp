// The demo estimate examples/demo.isx: composed here on the shipped demo
// database with the program's own commands. The test checks that the
// committed file is exactly what the program writes today and that it
// opens without a message; VERDIN_WRITE_DEMO=1 writes it anew.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "core/line_file.h"
#include "isx/isx_file.h"
#include "forms/estimate_list.h"
#include "forms/open_estimate.h"
#include "forms/program.h"
#include "demo_settings.h"

namespace verdin {
namespace {

const std::filesystem::path kDemoFile = testing::DemoEstimateFile();

class DemoEstimate : public ::testing::Test {
 protected:
  void SetUp() override {
    Main(*program_, testing::WriteDemoSettings(folder_.path(), folder_.path()), messages_);
    program_->frmObD.txtDataDog = "12-08-2026";
    program_->frmObD.txtShapka[0] = "Административное здание с жилым домом\r\nв г. Минске. Строительный проект";
  }

  MainContext Ctx() { return program_->Context(messages_); }

  void Tick(std::initializer_list<int> rows) {
    program_->frmKoeff.chkKoeff.fill(false);
    program_->frmKoeff.chkKoeff[0] = true;  // indexation
    for (const int row : rows) program_->frmKoeff.chkKoeff[static_cast<std::size_t>(row)] = true;
  }

  void PriceAndAdd(const std::string& name, int entry, int row, const std::string& quantity) {
    auto ctx = Ctx();
    SelectTable(ctx, entry);
    if (row >= 0) SelectRow(ctx, row, false);
    program_->frm1.txtKolic = quantity;
    program_->frm1.txtZd = name;
    ASSERT_TRUE(CmdOk(ctx));
    ASSERT_TRUE(CmdDob(ctx));
  }

  void Compose() {
    auto ctx = Ctx();
    MainForm& form = program_->frm1;
    Tick({1});
    PriceAndAdd("Административное здание (5 этажей)", 3, 0, "4200");
    Tick({1, 6});
    PriceAndAdd("Жилой дом (9 этажей)", 5, 1, "8600");
    Tick({});
    SelectTable(ctx, 0);
    form.txtV[1] = "100";
    form.txtSt[1] = "2416,75";
    form.txtV[2] = "500";
    form.txtSt[2] = "9870,4";
    form.txtNp = "общая площадь благоустройства, м2";
    form.txtKolic = "320";
    form.txtZd = "Благоустройство по таблице заказчика";
    ASSERT_TRUE(CmdOk(ctx));
    ASSERT_TRUE(CmdDob(ctx));
    SelectTable(ctx, 1);
    SetTxtStP(ctx, "1850");
    form.txtZd = "Инженерные изыскания (по договору)";
    ASSERT_TRUE(CmdDob(ctx));
    Tick({});
    SelectTable(ctx, 2);
    form.cboSMRIndex = 2;
    form.txtKolic = "12,5";
    form.txtZd = "Наружные сети (от стоимости СМР)";
    ASSERT_TRUE(CmdOk(ctx));
    ASSERT_TRUE(CmdDob(ctx));
    Tick({10});
    program_->frmKoeff.chkKoeff[0] = false;
    ClickChkProcent(ctx, true);
    form.txtProcent = "1";
    form.txtZd = "Текущий ремонт по дефектному акту";
    ASSERT_TRUE(CmdOk(ctx));
    ASSERT_TRUE(CmdDob(ctx));
    ClickChkProcent(ctx, false);
    program_->state.estimate.summary = "Демонстрационная смета: по одному объекту каждого вида";
    GeneralData& general = program_->state.general;
    TakeObD(program_->frmObD, general);
    const GeneralDataForm& obd = program_->frmObD;
    general.header = {obd.txtNdog, obd.txtDataDog, obd.txtShapka[0], obd.txtShapka[1], obd.txtShapka[2]};
  }

  testing::TempFolder folder_;
  std::unique_ptr<Program> program_ = NewProgram();
  RecordingMessages messages_;
};

TEST_F(DemoEstimate, CommittedFileIsWhatTheProgramWritesAndOpensCleanly) {
  Compose();
  ASSERT_EQ(program_->state.KolZd(), 6);
  ASSERT_TRUE(messages_.Shown().empty()) << messages_.Shown()[0].text;
  const auto written = folder_ / "demo.isx";
  WriteIsx(program_->state.estimate, program_->state.general, written);
  if (const char* write = std::getenv("VERDIN_WRITE_DEMO"); write != nullptr && std::string(write) == "1") {
    std::filesystem::create_directories(kDemoFile.parent_path());
    std::filesystem::copy_file(written, kDemoFile, std::filesystem::copy_options::overwrite_existing);
  }
  EXPECT_EQ(testing::Bytes(kDemoFile), testing::Bytes(written))
      << "examples/demo.isx is out of date: run VERDIN_WRITE_DEMO=1 build/verdin_tests --gtest_filter=DemoEstimate*";

  auto reopened = NewProgram();
  SettingsLocation location;
  location.iniOverride = folder_ / "vb_prog.ini";
  Main(*reopened, location, messages_);
  auto ctx = reopened->Context(messages_);
  ASSERT_TRUE(OpenEstimate(ctx, kDemoFile));
  EXPECT_TRUE(messages_.Shown().empty());
  EXPECT_EQ(reopened->frm1.lstZd, program_->frm1.lstZd);
}

}  // namespace
}  // namespace verdin
