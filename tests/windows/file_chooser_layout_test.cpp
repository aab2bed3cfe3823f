// The folder line «Каталог:» of both file choosers: a long folder is
// shortened on screen with the whole path in the tool tip, and never makes
// the window wider.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>

#include "forms/general_data_form.h"
#include "test_support.h"
#include "ui/file_chooser_window.h"
#include "window_test_support.h"

namespace verdin {
namespace {

using testing::windows::Find;
using testing::windows::Q;

class FolderLine : public ::testing::Test {
 protected:
  void SetUp() override {
    deep_ = temp_.path();
    for (int level = 0; level < 6; ++level) deep_ /= "Очень длинное имя папки со сметами " + std::to_string(level);
    std::filesystem::create_directories(deep_);
  }
  static Folders In(const std::filesystem::path& folder) {
    Folders folders;
    folders.PathIsx = folder;
    folders.PathRez = folder;
    return folders;
  }
  struct Shown {
    int windowWidth = 0;  // the window's smallest width
    QString toolTip;      // of the folder line
    QString text;         // what the folder line shows at that width
    bool fits = false;    // the shown text fits in the line
  };
  template <typename Window, typename Form>
  Shown AtSmallestSize(Form form) {
    Window window(std::move(form), messages_);
    window.show();
    window.resize(window.minimumSizeHint());
    QApplication::processEvents();
    auto* line = Find<PathLabel>(&window, "txtActDir");
    if (line == nullptr) return {};
    const QString text = line->ShownText();
    return {window.minimumSizeHint().width(), line->toolTip(), text,
            line->fontMetrics().horizontalAdvance(text) <= line->contentsRect().width()};
  }

  testing::TempFolder temp_;
  std::filesystem::path deep_;
  RecordingMessages messages_;
};

TEST_F(FolderLine, ALongFolderIsShortenedWithTheWholePathInTheToolTip) {
  const GeneralDataForm general;
  const auto check = [this](const Shown& shortOne, const Shown& deep) {
    EXPECT_EQ(deep.windowWidth, shortOne.windowWidth);
    EXPECT_LE(deep.windowWidth, 1366);
    EXPECT_EQ(deep.toolTip, Q(deep_.string().c_str()));
    EXPECT_EQ(shortOne.toolTip, Q(temp_.path().string().c_str()));
    EXPECT_TRUE(deep.fits) << deep.text.toStdString();
    EXPECT_TRUE(shortOne.fits) << shortOne.text.toStdString();
    EXPECT_LT(deep.text.size(), deep.toolTip.size()) << deep.text.toStdString();
  };
  {
    SCOPED_TRACE("FileSave");
    check(AtSmallestSize<FileSaveWindow>(LoadFileSave(In(temp_.path()), general, "")),
          AtSmallestSize<FileSaveWindow>(LoadFileSave(In(deep_), general, "")));
  }
  {
    SCOPED_TRACE("FileLoad");
    check(AtSmallestSize<FileLoadWindow>(LoadFileLoad(In(temp_.path()))),
          AtSmallestSize<FileLoadWindow>(LoadFileLoad(In(deep_))));
  }
}

}  // namespace
}  // namespace verdin
