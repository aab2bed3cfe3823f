// The fixtures the window tests share: the main window built over the
// small test database, and the whole program started on the demo database.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "app/desktop_session.h"
#include "demo_settings.h"
#include "main_window_fixture.h"
#include "test_support.h"
#include "ui/main_window.h"

namespace verdin::testing::windows {

// The main window over the small test database with no coefficient
// ticked, so a cost equals its base price. Every change the commands make
// refreshes it, as the program's own links do. Not shown: a test shows it
// where the layout matters.
class MainWindowWidgetTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    UntickAll();
    MainWindowLinks links;
    links.changed = [this] { window_->Refresh(); };
    window_ = std::make_unique<MainWindow>(*program_, messages_, links);
  }

  std::unique_ptr<MainWindow> window_;
};

// The whole program started on the demo database, its settings and
// estimates in a folder of the test's own. Its windows are not shown yet.
class DemoSessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const SettingsLocation location = WriteDemoSettings(temp_.path(), temp_.path());
    session_ = std::make_unique<DesktopSession>(location, messages_);
  }

  TempFolder temp_;
  RecordingMessages messages_;
  std::unique_ptr<DesktopSession> session_;
};

}  // namespace verdin::testing::windows
