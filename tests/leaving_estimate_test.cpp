// Questions that stand between the user and lost work: the write-back
// question, the delete questions, the question before an open or the end
// of the program, and the autosave copies an open leaves behind.
#include <gtest/gtest.h>

#include <optional>

#include "forms/open_estimate.h"
#include "forms/unsaved_work.h"
#include "isx/isx_file.h"
#include "main_window_fixture.h"

namespace verdin {
namespace {

// The open dialog answered beforehand; counts how often it was asked.
class ScriptedOpenDialog : public OpenDialog {
 public:
  explicit ScriptedOpenDialog(std::optional<std::filesystem::path> file) : file_(std::move(file)) {}
  std::optional<OpenChoice> Ask(MainContext&) override {
    ++asked;
    if (!file_) return std::nullopt;
    return OpenChoice{*file_, "Сводка"};
  }
  int asked = 0;

 private:
  std::optional<std::filesystem::path> file_;
};

class LeavingEstimate : public testing::MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    UntickAll();
    state().folders.PathTemp = folder_ / "Temp";
  }

  void AddNorm(const std::string& name, int row, const std::string& quantity) {
    Calculate(3, row, quantity);
    Add(name);
  }

  // Two items saved to a file, then a third added: a changed estimate.
  std::filesystem::path SavedThenChanged() {
    AddNorm("Первый", 0, "3000");
    AddNorm("Второй", 1, "100");
    const auto file = folder_ / "Смета.isx";
    WriteIsx(state().estimate, state().general, file);
    auto ctx = Ctx();
    EXPECT_TRUE(OpenEstimate(ctx, file));
    AddNorm("Третий", 1, "200");
    messages_.Clear();
    return file;
  }
};

TEST_F(LeavingEstimate, TheWriteBackQuestionHasAnAnswerThatWritesNothing) {
  struct Case {
    Answer answer;
    int items;
    double secondCost;
    int takenBack;  // NomRed afterwards
  };
  for (const Case& c : {Case{Answer::Yes, 2, 249.87, -1}, Case{Answer::No, 3, 83.29, -1},
                        Case{Answer::Cancel, 2, 83.29, 1}}) {
    SCOPED_TRACE(static_cast<int>(c.answer));
    state().estimate.items.clear();
    AddNorm("Первый", 0, "3000");
    AddNorm("Второй", 1, "100");
    auto ctx = Ctx();
    ClickLstZd(ctx, 0, 1);
    CmdRed(ctx);
    form().txtKolic = "300";
    ASSERT_TRUE(CmdOk(ctx));
    messages_.Clear();
    messages_.AnswerThreeWays(c.answer);
    EXPECT_EQ(CmdDob(ctx), c.answer != Answer::Cancel);
    ASSERT_EQ(messages_.Questions().size(), 1U);
    EXPECT_EQ(messages_.Questions()[0].kind, RecordingMessages::Kind::YesNoCancel);
    EXPECT_EQ(state().KolZd(), c.items);
    EXPECT_DOUBLE_EQ(state().estimate.items[1].cost, c.secondCost);
    EXPECT_EQ(state().NomRed, c.takenBack);
    // The item stored is the one selected.
    if (c.answer != Answer::Cancel) {
      EXPECT_EQ(form().lstZdIndex[0], c.items == 3 ? 2 : 1);
    }
  }
}

TEST_F(LeavingEstimate, DeleteQuestionsGoAheadOnlyByAClick) {
  AddNorm("Первый", 0, "3000");
  AddNorm("Второй", 1, "100");
  auto ctx = Ctx();
  ClickLstZd(ctx, 0, 0);
  messages_.Clear();
  messages_.Answer(false);
  CmdDel(ctx);
  messages_.Answer(false);
  CmdDelZd(ctx);
  ASSERT_EQ(messages_.Questions().size(), 2U);
  for (const auto& question : messages_.Questions()) {
    EXPECT_EQ(question.enter, DefaultButton::LeaveAsIs) << question.text;
  }
  EXPECT_EQ(state().KolZd(), 2);
}

TEST_F(LeavingEstimate, AChangedEstimateIsAskedAboutBeforeAnOpen) {
  const auto file = SavedThenChanged();
  const auto copy = state().FileIsx;  // the autosave copy of the three items
  ASSERT_EQ(ReadIsx(copy).items.size(), 3U);
  struct Case {
    Answer answer;
    bool saveSucceeds;
    bool dialogAsked;
  };
  for (const Case& c : {Case{Answer::Cancel, false, false}, Case{Answer::Yes, false, false},
                        Case{Answer::Yes, true, true}, Case{Answer::No, false, true}}) {
    SCOPED_TRACE(static_cast<int>(c.answer));
    state().unsavedChanges = true;
    messages_.Clear();
    messages_.AnswerThreeWays(c.answer);
    int saves = 0;
    ScriptedOpenDialog dialog(std::nullopt);  // the dialog is cancelled
    auto ctx = Ctx();
    EXPECT_FALSE(CmdOpen(ctx, dialog, [&] {
      ++saves;
      // Nothing was written over the autosave copy before the answer.
      EXPECT_EQ(ReadIsx(copy).items.size(), 3U);
      state().unsavedChanges = !c.saveSucceeds;
    }));
    ASSERT_EQ(messages_.Questions().size(), 1U);
    EXPECT_EQ(messages_.Questions()[0].title, "Открытие сметы");
    EXPECT_NE(messages_.Questions()[0].text.find("Сохранить изменения в смете?"), std::string::npos);
    EXPECT_EQ(saves, c.answer == Answer::Yes ? 1 : 0);
    EXPECT_EQ(dialog.asked, c.dialogAsked ? 1 : 0);
    EXPECT_EQ(state().KolZd(), 3);
    EXPECT_EQ(ReadIsx(copy).items.size(), 3U);
  }
  // Unchanged: the dialog at once, and the file opens.
  state().unsavedChanges = false;
  messages_.Clear();
  ScriptedOpenDialog dialog(file);
  auto ctx = Ctx();
  EXPECT_TRUE(CmdOpen(ctx, dialog, [] { FAIL() << "nothing to save"; }));
  EXPECT_TRUE(messages_.Questions().empty());
  EXPECT_EQ(state().KolZd(), 2);
}

TEST_F(LeavingEstimate, AnEmptyListCannotTrapTheUserOnExitOrOpen) {
  SavedThenChanged();
  auto ctx = Ctx();
  messages_.Answer(true);
  CmdDelZd(ctx);
  ASSERT_TRUE(state().unsavedChanges);
  for (const bool leave : {false, true}) {
    messages_.Clear();
    messages_.Answer(leave);
    EXPECT_EQ(ConfirmExit(ctx, [] { FAIL() << "an empty list cannot be saved"; }), leave);
    ASSERT_EQ(messages_.Questions().size(), 1U);
    const auto question = messages_.Questions()[0];
    EXPECT_EQ(question.kind, RecordingMessages::Kind::YesNo);
    EXPECT_EQ(question.enter, DefaultButton::LeaveAsIs);
    EXPECT_NE(question.text.find("сохранить её нельзя"), std::string::npos) << question.text;
    EXPECT_NE(question.text.find("Выйти из программы без сохранения?"), std::string::npos);
  }
  messages_.Clear();
  messages_.Answer(true);
  ScriptedOpenDialog dialog(std::nullopt);
  CmdOpen(ctx, dialog, [] { FAIL() << "an empty list cannot be saved"; });
  EXPECT_EQ(dialog.asked, 1);
}

TEST_F(LeavingEstimate, AnOpenedEstimateLeavesNoCopyToOfferBack) {
  const auto file = SavedThenChanged();
  ASSERT_TRUE(UnsettledAutosave(state()).has_value());  // the third item is unsaved work
  auto ctx = Ctx();
  ASSERT_TRUE(OpenEstimate(ctx, file));
  EXPECT_FALSE(UnsettledAutosave(state()).has_value());
  // A change after the open is offered again; a restored copy stays on offer
  // until its work is saved or discarded.
  AddNorm("Четвертый", 1, "100");
  const auto copy = UnsettledAutosave(state());
  ASSERT_TRUE(copy.has_value());
  ASSERT_TRUE(RestoreEstimate(ctx, *copy));
  EXPECT_TRUE(state().unsavedChanges);
  EXPECT_EQ(UnsettledAutosave(state()), copy);
}

TEST_F(LeavingEstimate, EscOnTheRecoveryOfferAsksAgainNextTime) {
  AddNorm("Первый", 0, "3000");
  auto ctx = Ctx();
  const auto copy = UnsettledAutosave(state());
  ASSERT_TRUE(copy.has_value());
  state().estimate.items.clear();
  messages_.AnswerThreeWays(Answer::Cancel);
  EXPECT_FALSE(OfferAutosaveRecovery(ctx));
  EXPECT_EQ(state().KolZd(), 0);
  EXPECT_EQ(UnsettledAutosave(state()), copy);
  messages_.AnswerThreeWays(Answer::No);
  EXPECT_FALSE(OfferAutosaveRecovery(ctx));
  EXPECT_FALSE(UnsettledAutosave(state()).has_value());
}

}  // namespace
}  // namespace verdin
