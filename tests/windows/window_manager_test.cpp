// The three start-up windows under a real window manager, which puts
// title bars and borders around them: each lies whole on the screen, frame
// included, at the first start and when places kept on a larger screen
// are restored. These tests run only on a virtual X screen with openbox
// (tests/windows/under_window_manager.sh); elsewhere they are skipped.
#include <gtest/gtest.h>

#include "demo_settings.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTest>
#include <cstdlib>
#include <algorithm>
#include <array>
#include <memory>
#include <string>

#include "app/desktop_session.h"
#include "test_support.h"
#include "ui/qt_support.h"

namespace verdin {
namespace {

class UnderAWindowManager : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv("VERDIN_WINDOW_MANAGER_SCREEN") == nullptr || QGuiApplication::platformName() != "xcb") {
      GTEST_SKIP() << "runs under tests/windows/under_window_manager.sh";
    }
    screen_ = QGuiApplication::primaryScreen()->availableGeometry();
    location_ = testing::WriteDemoSettings(temp_.path(), temp_.path());
    location_.configFolder = temp_ / "config";
  }

  // Starts the program and waits until the window manager has framed its
  // windows and they have stood still for a moment; then they must stand
  // whole on the screen.
  std::unique_ptr<DesktopSession> StartAndSettle() {
    auto session = std::make_unique<DesktopSession>(location_, messages_);
    session->Show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return Framed(*session); }, 5000)) << "no frames: " << Describe(*session);
    std::string before;
    for (int wait = 0; wait < 20 && Describe(*session) != before; ++wait) {
      before = Describe(*session);
      QTest::qWait(250);
    }
    EXPECT_TRUE(AllWhole(*session)) << Describe(*session);
    return session;
  }

  static std::array<QWidget*, 3> Windows(DesktopSession& session) {
    return {&session.frm1(), &session.frmKoeff(), &session.frmObD()};
  }
  static bool Framed(DesktopSession& session) {
    const auto windows = Windows(session);
    return std::all_of(windows.begin(), windows.end(), [](QWidget* window) { return !FrameMargins(*window).isNull(); });
  }
  bool AllWhole(DesktopSession& session) const {
    const auto windows = Windows(session);
    return std::all_of(windows.begin(), windows.end(),
                       [this](QWidget* window) { return screen_.contains(window->frameGeometry()); });
  }
  static std::string Describe(DesktopSession& session) {
    std::string text;
    for (QWidget* window : Windows(session)) {
      const QRect frame = window->frameGeometry();
      text += window->objectName().toStdString() + " " + std::to_string(frame.x()) + "," + std::to_string(frame.y()) +
              " " + std::to_string(frame.width()) + "x" + std::to_string(frame.height()) + "; ";
    }
    return text;
  }
  // Where a control stands on the screen.
  static QRect OnScreen(const QWidget* control) { return {control->mapToGlobal(QPoint(0, 0)), control->size()}; }

  QRect screen_;
  testing::TempFolder temp_;
  SettingsLocation location_;
  RecordingMessages messages_;
};

TEST_F(UnderAWindowManager, AtTheFirstStartEveryWindowLiesWholeOnTheScreen) {
  auto session = StartAndSettle();
  const QRect main = session->frm1().frameGeometry();
  const QRect coefficients = session->frmKoeff().frameGeometry();
  const QRect generalData = session->frmObD().frameGeometry();
  EXPECT_EQ(main.topLeft(), screen_.topLeft());
  // The main window stands on top, and the other two windows' buttons are
  // on the screen.
  EXPECT_TRUE(session->frm1().isActiveWindow());
  EXPECT_TRUE(screen_.contains(OnScreen(session->frmObD().findChild<QPushButton*>("cmdHide"))));
  EXPECT_TRUE(screen_.contains(OnScreen(session->frmKoeff().findChild<QPushButton*>("cmdSave"))));
  // The general-data window's frame leaves the coefficient window's title
  // bar and first row in view; where the screen is high enough, the whole
  // coefficient window, its indexation row included.
  EXPECT_FALSE(generalData.intersects(OnScreen(session->frmKoeff().findChild<QWidget*>("chkKoeff(0)"))))
      << Describe(*session);
  if (screen_.height() >= 1000) {
    EXPECT_FALSE(generalData.intersects(coefficients)) << Describe(*session);
    EXPECT_FALSE(main.intersects(coefficients)) << Describe(*session);
  }
}

// Places kept on a 1920×1080 screen, down to its bottom right corner,
// are brought whole onto the screen of this run, frames included.
TEST_F(UnderAWindowManager, PlacesKeptOnALargerScreenComeBackWhole) {
  std::filesystem::create_directories(location_.configFolder);
  QSettings kept(QString::fromStdString((location_.configFolder / kWindowPlacesFileName).string()),
                 QSettings::IniFormat);
  struct Kept {
    const char* name;
    QRect place;  // the frame's position, the inside's size
  };
  for (const Kept& window : {Kept{"frm1", {0, 0, 980, 720}}, Kept{"frmKoeff", {1003, 559, 917, 496}},
                             Kept{"frmObD", {1335, 519, 585, 561}}}) {
    kept.setValue(QString("%1/x").arg(window.name), window.place.x());
    kept.setValue(QString("%1/y").arg(window.name), window.place.y());
    kept.setValue(QString("%1/width").arg(window.name), window.place.width());
    kept.setValue(QString("%1/height").arg(window.name), window.place.height());
  }
  kept.sync();
  auto session = StartAndSettle();
  EXPECT_TRUE(screen_.contains(OnScreen(session->frmObD().findChild<QPushButton*>("cmdHide"))));
}

}  // namespace
}  // namespace verdin
