// Pictures of the three windows of start-up, at the start and after two
// items were priced, for a person to look at. Runs only when
// VERDIN_SCREENSHOTS names a folder for the PNG files.
#include <gtest/gtest.h>

#include "demo_settings.h"

#include <QApplication>
#include <QPixmap>
#include <cstdlib>

#include "app/desktop_session.h"
#include "forms/estimate_list.h"
#include "test_support.h"

namespace verdin {
namespace {

void Save(QWidget& window, const std::string& folder, const char* name) {
  window.adjustSize();
  QApplication::processEvents();
  ASSERT_TRUE(window.grab().save(QString::fromStdString(folder + "/" + name)));
}

TEST(Screenshots, ThreeWindowsAtStartAndAfterTwoItems) {
  const char* folder = std::getenv("VERDIN_SCREENSHOTS");
  if (folder == nullptr) GTEST_SKIP() << "set VERDIN_SCREENSHOTS to a folder to take the pictures";
  testing::TempFolder temp;
  const SettingsLocation location = testing::WriteDemoSettings(temp.path(), temp.path());
  RecordingMessages messages;
  DesktopSession session(location, messages);
  session.Show();
  Save(session.frm1(), folder, "main-start.png");
  Save(session.frmKoeff(), folder, "koeff-start.png");
  Save(session.frmObD(), folder, "obd-start.png");

  auto ctx = session.program().Context(messages);
  session.program().frm1.txtKolic = "4200";
  session.program().frm1.txtZd = "Административное здание";
  ASSERT_TRUE(CmdOk(ctx));
  ASSERT_TRUE(CmdDob(ctx));
  SelectTable(ctx, 5);
  SelectRow(ctx, 1, false);
  session.program().frm1.txtKolic = "8600";
  session.program().frm1.txtZd = "Жилой дом (9 этажей)";
  session.program().frmKoeff.chkKoeff[1] = true;
  ASSERT_TRUE(CmdOk(ctx));
  ASSERT_TRUE(CmdDob(ctx));
  ClickOptPrim(ctx, 1);
  session.RefreshAll();
  Save(session.frm1(), folder, "main-two-items.png");
  Save(session.frmKoeff(), folder, "koeff-two-items.png");
}

}  // namespace
}  // namespace verdin
