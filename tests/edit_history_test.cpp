// Undo and redo of the estimate, the copy of an item, the range note, the
// estimate's own file and the recent estimates, through the commands the
// windows run.
#include <functional>
#include <random>

#include "forms/edit_history.h"
#include "forms/item_copy.h"
#include "forms/open_estimate.h"
#include "forms/own_file.h"
#include "forms/range_note.h"
#include "forms/recent_estimates.h"
#include "isx/isx_file.h"
#include "main_window_fixture.h"

namespace verdin::testing {
namespace {

class EditHistoryTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    form().chkAsave = false;  // the autosave is not what is tested here
    UntickAll();
    history().Record(Ctx());
  }

  EditHistory& history() { return program_->history; }

  // The estimate as its input-data file holds it.
  std::string IsxBytes() {
    const auto file = folder_ / "snapshot.isx";
    WriteIsx(state().estimate, GeneralDataOf(obd(), state().general), file);
    return Bytes(file);
  }

  void AddItem(const std::string& name, const std::string& quantity) {
    auto ctx = Ctx();
    if (form().chkProcent) ClickChkProcent(ctx, false);  // an item taken back may have been a share
    Calculate(3, 0, quantity);
    Add(name);
    history().Record(Ctx());
  }

  void AddShareOf(int item, const std::string& name) {
    auto ctx = Ctx();
    ClickChkProcent(ctx, true);
    form().txtProcent = std::to_string(item);
    ASSERT_TRUE(CmdOk(ctx));
    Add(name);
    ClickChkProcent(ctx, false);
    history().Record(Ctx());
  }

  void Select(int line) {
    auto ctx = Ctx();
    ClickLstZd(ctx, 0, line);
  }

  // Runs a command and keeps its step, as a window's refresh does.
  void Step(const std::function<void(MainContext&)>& command) {
    auto ctx = Ctx();
    command(ctx);
    history().Record(ctx);
  }
};

TEST_F(EditHistoryTest, EachCommandIsOneStepUndoneAndRedoneWhole) {
  struct Case {
    const char* undoText;
    std::function<void(MainContext&)> command;
  };
  const Case cases[] = {
      {"Отменить добавление «Новый»",
       [this](MainContext&) {
         Calculate(3, 0, "3000");
         Add("Новый");
       }},
      {"Отменить изменение «Гараж»",
       [this](MainContext& ctx) {
         Select(0);
         CmdRed(ctx);
         form().txtKolic = "4000";
         ASSERT_TRUE(CmdOk(ctx));
         ASSERT_TRUE(CmdDob(ctx));
       }},
      {"Отменить удаление «Склад»",
       [this](MainContext& ctx) {
         Select(1);
         CmdDel(ctx);
       }},
      {"Отменить удаление всех объектов", [](MainContext& ctx) { CmdDelZd(ctx); }},
      {"Отменить перемещение «Склад»",
       [this](MainContext& ctx) {
         Select(1);
         CmdVerx(ctx, 0);
       }},
      {"Отменить копирование «Гараж»",
       [this](MainContext& ctx) {
         Select(0);
         ASSERT_TRUE(CmdCopy(ctx));
       }},
      {"Отменить изменение общих данных",
       [this](MainContext&) { obd().txtNdog = "2026/7"; }},
      {"Отменить открытие сметы «другая»",
       [this](MainContext& ctx) {
         Estimate other;
         other.items.push_back(state().estimate.items.front());
         other.items.front().name = "Другой";
         WriteIsx(other, state().general, folder_ / "другая.isx");
         ASSERT_TRUE(OpenEstimate(ctx, folder_ / "другая.isx"));
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.undoText);
    state().estimate.items.clear();
    AddItem("Гараж", "2000");
    AddItem("Склад", "1500");
    AddShareOf(2, "Доля склада");
    const std::string before = IsxBytes();
    const double total = state().SumSm;
    auto ctx = Ctx();
    c.command(ctx);
    history().Record(ctx);
    const std::string after = IsxBytes();
    ASSERT_NE(after, before);
    EXPECT_EQ(history().UndoText(), c.undoText);
    state().unsavedChanges = false;
    ASSERT_TRUE(history().Undo(ctx));
    EXPECT_EQ(IsxBytes(), before);
    EXPECT_EQ(state().SumSm, total);
    EXPECT_TRUE(state().unsavedChanges);
    EXPECT_EQ(history().RedoText(), std::string(c.undoText).replace(0, 16, "Повторить"));
    ASSERT_TRUE(history().Redo(ctx));
    EXPECT_EQ(IsxBytes(), after);
  }
}

TEST_F(EditHistoryTest, RandomSequencesUndoneToTheStartGiveTheFirstEstimateBack) {
  std::mt19937 random(20261209);
  AddItem("Начало", "2000");
  AddShareOf(1, "Доля начала");
  Estimate opened;
  opened.items = state().estimate.items;
  opened.items.front().name = "Из файла";
  WriteIsx(opened, state().general, folder_ / "из файла.isx");
  const std::string start = IsxBytes();
  const std::function<void(MainContext&)> commands[] = {
      [&](MainContext& ctx) {
        if (form().chkProcent) ClickChkProcent(ctx, false);
        SelectTable(ctx, 3);
        form().txtKolic = std::to_string(1000 + random() % 5000);
        form().txtZd = "Объект " + std::to_string(random() % 100);
        if (CmdOk(ctx)) CmdDob(ctx);
      },
      [&](MainContext& ctx) {
        Select(static_cast<int>(random() % 4));
        CmdDel(ctx);
      },
      [&](MainContext& ctx) {
        Select(static_cast<int>(random() % 4));
        CmdVerx(ctx, static_cast<int>(random() % 2));
      },
      [&](MainContext& ctx) {
        Select(static_cast<int>(random() % 4));
        CmdCopy(ctx);
      },
      [&](MainContext& ctx) {
        Select(0);
        CmdRed(ctx);
        form().txtKolic = std::to_string(1000 + random() % 5000);
        if (CmdOk(ctx)) CmdDob(ctx);
      },
      [&](MainContext& ctx) { CmdDelZd(ctx); },
      [&](MainContext&) { obd().txt1[0] = "Подпись " + std::to_string(random() % 10); },
      [&](MainContext& ctx) { OpenEstimate(ctx, folder_ / "из файла.isx"); },
  };
  for (int sequence = 0; sequence < 500; ++sequence) {
    const std::size_t length = 1 + random() % 12;
    for (std::size_t k = 0; k < length; ++k) Step(commands[random() % std::size(commands)]);
    auto ctx = Ctx();
    while (history().CanUndo() && history().UndoSteps() > 2) ASSERT_TRUE(history().Undo(ctx));
    ASSERT_EQ(IsxBytes(), start) << "sequence " << sequence;
  }
}

TEST_F(EditHistoryTest, KeepsTheLastHundredSteps) {
  for (int k = 0; k < 105; ++k) Step([&](MainContext&) { obd().txtNdog = std::to_string(k); history().Seal(); });
  EXPECT_EQ(history().UndoSteps(), kHistorySteps);
}

TEST_F(EditHistoryTest, TypingInTheGeneralDataIsOneStepUntilItPauses) {
  for (const char* text : {"2", "20", "202"}) Step([&](MainContext&) { obd().txtNdog = text; });
  EXPECT_EQ(history().UndoSteps(), 1U);
  history().Seal();
  Step([&](MainContext&) { obd().txtNdog = "2026"; });
  EXPECT_EQ(history().UndoSteps(), 2U);
}

TEST_F(EditHistoryTest, CopyGoesBelowWithItsOwnRowsAndASharePointsAtTheSameSource) {
  AddItem("Гараж", "2000");
  AddItem("Склад", "1500");
  AddShareOf(1, "Доля гаража");
  Select(2);
  auto ctx = Ctx();
  ASSERT_TRUE(CmdCopy(ctx));
  ASSERT_EQ(state().KolZd(), 4);
  EXPECT_EQ(state().estimate.items[3].name, "Доля гаража (копия)");
  EXPECT_EQ(state().estimate.items[3].shareSource, 0);
  EXPECT_EQ(form().lstZdIndex[0], 3);
  Select(0);
  ASSERT_TRUE(CmdCopy(ctx));
  EXPECT_EQ(state().estimate.items[1].name, "Гараж (копия)");
  EXPECT_EQ(state().estimate.items[1].coefficientRows, state().estimate.items[0].coefficientRows);
  // The shares below keep their source although it moved down.
  EXPECT_EQ(state().estimate.items[3].shareSource, 0);
  EXPECT_EQ(state().estimate.items[4].shareSource, 0);
  EXPECT_DOUBLE_EQ(state().SumSm, EstimateTotal(state()));
  EXPECT_EQ(state().estimate.items[1].quantity, 2000);
}

TEST_F(EditHistoryTest, CopyIsRefusedWithoutASelectionOrInAFullEstimate) {
  AddItem("Гараж", "2000");
  auto ctx = Ctx();
  Select(-1);
  messages_.Clear();
  EXPECT_FALSE(CmdCopy(ctx));
  EXPECT_EQ(messages_.Shown().at(0).text, "Не выбран объект  для копирования!!!");
  state().estimate.items.resize(kMaxItems, state().estimate.items.front());
  ShowEstimateList(ctx);
  Select(0);
  messages_.Clear();
  EXPECT_FALSE(CmdCopy(ctx));
  EXPECT_EQ(state().KolZd(), kMaxItems);
  EXPECT_EQ(messages_.Shown().at(0).title, "Ошибка записи!!");
}

TEST_F(EditHistoryTest, RangeNoteOutsideTheRowsPoints) {
  const struct {
    int table;
    const char* quantity;
    const char* note;
  } cases[] = {
      {3, "2000", ""},
      {3, "1000", ""},
      {3, "500", "Количество вне диапазона таблицы (от 1000 до 5000): цена найдена экстраполяцией"},
      {3, "9000", "Количество вне диапазона таблицы (от 1000 до 5000): цена найдена экстраполяцией"},
      {4, "301", "Количество вне диапазона таблицы (от 10 до 300): цена найдена экстраполяцией"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.quantity);
    auto ctx = Ctx();
    SelectTable(ctx, c.table);
    form().txtKolic = c.quantity;
    ASSERT_TRUE(CalculateWithRangeNote(ctx));
    EXPECT_EQ(form().lblRange, c.note);
  }
}

TEST_F(EditHistoryTest, OwnFileIsProposedAndNamedInTheTitle) {
  const FileSaveForm fresh = ProposedSave(state(), obd());
  EXPECT_EQ(PathFromText(fresh.lblNameFileIsx).parent_path(), state().folders.PathIsx);
  EXPECT_EQ(WindowTitle(state(), form()), "Новая смета — " + form().caption);
  AddItem("Гараж", "2000");
  std::filesystem::create_directories(folder_ / PathFromText("объекты"));
  const auto own = folder_ / PathFromText("объекты") / PathFromText("гараж.isx");
  WriteIsx(state().estimate, state().general, own);
  auto ctx = Ctx();
  ASSERT_TRUE(OpenEstimate(ctx, own));
  history().Record(ctx);
  EXPECT_EQ(WindowTitle(state(), form()), "гараж — " + form().caption);
  const FileSaveForm proposal = ProposedSave(state(), obd());
  EXPECT_EQ(PathFromText(proposal.lblNameFileIsx), own);
  EXPECT_EQ(PathFromText(proposal.lblNameFileOut), folder_ / PathFromText("объекты") / PathFromText("гараж.xls"));
  EXPECT_EQ(proposal.gmbSpec, kSaveTypeXls);
  // Ctrl+S: one question about the files it replaces, then both written there.
  Step([](MainContext& c) { CmdDelZd(c); });
  history().Undo(ctx);
  EXPECT_EQ(WindowTitle(state(), form()), "гараж* — " + form().caption);
  messages_.Clear();
  OwnFileSaveDialog dialog;
  CaptionOnlyProgress progress;
  ASSERT_TRUE(CmdSave(ctx, dialog, progress, PayOutBoxesOf(program_->frmW)));
  ASSERT_EQ(messages_.Questions().size(), 1U);
  EXPECT_NE(messages_.Questions()[0].text.find(PathText(own)), std::string::npos);
  EXPECT_FALSE(state().unsavedChanges);
  EXPECT_TRUE(std::filesystem::exists(folder_ / PathFromText("объекты") / PathFromText("гараж.xls")));
  // The autosave copy is nobody's own file.
  state().estimateFile = state().folders.PathTemp / "копия_tmp.isx";
  EXPECT_FALSE(OwnEstimateFile(state()));
}

TEST_F(EditHistoryTest, RecentEstimatesAcrossTwoRuns) {
  const auto store = folder_ / "config" / kRecentFileName;
  std::vector<std::filesystem::path> files;
  for (int k = 0; k < 10; ++k) {
    files.push_back(folder_ / ("смета " + std::to_string(k) + ".isx"));
    WriteIsx(state().estimate, state().general, files.back());
  }
  {
    RecentEstimates first(store);
    for (const auto& file : files) EXPECT_FALSE(first.Remember(file));
    EXPECT_FALSE(first.Remember(files[5]));
  }
  RecentEstimates second(store);
  ASSERT_EQ(second.Files().size(), kRecentEstimates);
  EXPECT_EQ(second.Files()[0], files[5]);
  EXPECT_EQ(second.Files()[1], files[9]);
  EXPECT_EQ(second.Files()[7], files[2]);
  std::filesystem::remove(files[9]);
  EXPECT_EQ(RecentLines(second)[1], PathText(files[9]) + "  (файла нет)");
  EXPECT_FALSE(ChooseRecent(second, 1, messages_));
  EXPECT_NE(messages_.Shown().back().text.find("убран из списка"), std::string::npos);
  const auto chosen = ChooseRecent(second, 0, messages_);
  ASSERT_TRUE(chosen);
  EXPECT_EQ(chosen->FileIsx, files[5]);
  EXPECT_EQ(RecentEstimates(store).Files().size(), kRecentEstimates - 1);
}

}  // namespace
}  // namespace verdin::testing
