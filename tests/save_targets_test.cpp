// The save command and its two files: one writer of an estimate at a time,
// and the input-data file checked before the workbook is replaced.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/atomic_file.h"
#include "core/line_file.h"
#include "main_window_fixture.h"

namespace verdin {
namespace {

namespace fs = std::filesystem;

class SaveTargets : public testing::MainWindowTest {
 protected:
  bool Save(const fs::path& workbook, const fs::path& inputData) {
    ConfirmedSaveDialog dialog({workbook, PathText(inputData), "Склад"});
    CaptionOnlyProgress progress;
    auto ctx = Ctx();
    return CmdSave(ctx, dialog, progress, PayOutPercentages{});
  }
};

TEST_F(SaveTargets, SecondWriterOrUnwritableInputDataWritesNothing) {
  UntickAll();
  Calculate(3, 0, "3000");
  Add("Склад");
  struct Case {
    const char* name;
    const char* held;        // the file another program is writing, if any
    const char* inputData;   // below the test folder
    const char* message;     // the start of the one message shown
  };
  const std::vector<Case> cases = {
      {"workbook being written", "смета.xls", "смета.isx", "Смета сейчас записывается другой программой.\r"},
      {"input data being written", "смета.isx", "смета.isx", "Смета сейчас записывается другой программой.\r"},
      {"no folder for the input data", nullptr, "нет папки/смета.isx", "Исходные данные не записаны.\r"},
      {"a pipe in place of the input data", nullptr, "канал.isx", "Исходные данные не записаны.\r"},
  };
  ASSERT_EQ(::mkfifo((folder_ / PathFromText("канал.isx")).c_str(), 0644), 0);
  const fs::path workbook = folder_ / PathFromText("смета.xls");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    messages_.Clear();
    std::optional<WriteLock> other;
    if (c.held != nullptr) other.emplace(folder_ / c.held);
    EXPECT_FALSE(Save(workbook, folder_ / c.inputData));
    ASSERT_EQ(messages_.Shown().size(), 1U);
    EXPECT_EQ(messages_.Shown()[0].text.rfind(c.message, 0), 0U) << messages_.Shown()[0].text;
    EXPECT_FALSE(fs::exists(workbook));
    EXPECT_FALSE(fs::exists(folder_ / PathFromText("смета.isx")));
  }
  EXPECT_TRUE(fs::is_fifo(folder_ / PathFromText("канал.isx")));

  // Free again: both files are written and no lock file stays.
  messages_.Clear();
  EXPECT_TRUE(Save(workbook, folder_ / PathFromText("смета.isx")));
  EXPECT_TRUE(fs::exists(workbook) && fs::exists(folder_ / PathFromText("смета.isx")));
  for (const std::string& name : testing::FolderEntries(folder_.path())) {
    EXPECT_EQ(name.find(".lock"), std::string::npos) << name;
  }
}

}  // namespace
}  // namespace verdin
