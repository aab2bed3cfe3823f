// The places of the three start-up windows: arranged at the first start so
// that they do not pile up, remembered between runs, and brought back onto
// the screen when the screen has changed.
#include "app/window_places.h"

#include <gtest/gtest.h>

#include "demo_settings.h"

#include <sys/stat.h>

#include <QApplication>
#include <chrono>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "app/desktop_session.h"
#include "test_support.h"

namespace verdin {
namespace {

TEST(WindowPlaces, OntoScreenMovesAndShrinksOnlyWhatLiesOutside) {
  const QRect screen(0, 0, 1366, 768);
  struct Case {
    QRect window;
    QRect expected;
  };
  for (const Case& c : {
           Case{{100, 50, 800, 600}, {100, 50, 800, 600}},     // inside: unchanged
           Case{{2500, 1400, 800, 600}, {566, 168, 800, 600}},  // off to the bottom right
           Case{{-900, -300, 800, 600}, {0, 0, 800, 600}},     // off to the top left
           Case{{1000, 700, 800, 600}, {566, 168, 800, 600}},   // partly off
           Case{{40, 40, 2000, 900}, {0, 0, 1366, 768}},        // larger than the screen
       }) {
    EXPECT_EQ(OntoScreen(c.window, screen), c.expected) << c.window.x() << "," << c.window.y();
  }
  // A screen that does not start at the origin (a second monitor).
  EXPECT_EQ(OntoScreen({0, 0, 300, 200}, {1920, 0, 1366, 768}), QRect(1920, 0, 300, 200));
}

// Windows of the sizes the program has at start-up, on the two usual
// screens: each lies on the screen, and the part of each that holds its
// caption and first fields is not covered by a window shown above it.
TEST(WindowPlaces, StartWindowsDoNotPileOntoEachOther) {
  const QSize main(1100, 700), coefficients(520, 560), generalData(560, 600);
  for (const QRect& screen : {QRect(0, 0, 1366, 768), QRect(0, 0, 1920, 1080), QRect(0, 0, 1366, 738)}) {
    SCOPED_TRACE(::testing::Message() << screen.width() << "x" << screen.height());
    const StartPlaces places = ArrangeStartWindows(main, coefficients, generalData, screen);
    for (const QRect& place : {places.main, places.coefficients, places.generalData}) {
      EXPECT_TRUE(screen.contains(place)) << place.x() << "," << place.y();
    }
    EXPECT_EQ(places.main.topLeft(), screen.topLeft());
    EXPECT_NE(places.coefficients.topLeft(), places.generalData.topLeft());
    const QRect coefficientTop(places.coefficients.topLeft(), QSize(places.coefficients.width(), 60));
    EXPECT_FALSE(coefficientTop.intersects(places.generalData));
    if (screen.width() >= main.width() + coefficients.width()) {
      EXPECT_FALSE(places.main.intersects(places.coefficients));
      EXPECT_FALSE(places.main.intersects(places.generalData));
    }
  }
}

// Frames of 1920×1080 under a window manager: the general-data window is
// made lower to fit under the coefficient window when its layout allows,
// and goes to the bottom, over the coefficient window's lower part, when
// it does not.
TEST(WindowPlaces, TheGeneralDataWindowIsMadeLowerToFitUnderTheCoefficients) {
  const QRect screen(0, 0, 1920, 1080);
  const QSize main(983, 745), coefficients(919, 521), generalData(587, 586);
  StartPlaces places = ArrangeStartWindows(main, coefficients, generalData, screen, 554);
  EXPECT_EQ(places.generalData, QRect(983, 521, 587, 559));
  places = ArrangeStartWindows(main, coefficients, generalData, screen, 570);
  EXPECT_EQ(places.generalData, QRect(983, 494, 587, 586));
}

TEST(WindowPlaces, KeptPlacesComeBackAndDamagedOnesCountAsNone) {
  testing::TempFolder temp;
  const WindowPlaces places(temp / "sub" / kWindowPlacesFileName);
  EXPECT_FALSE(places.Remembered("frm1"));
  ASSERT_TRUE(places.Remember("frm1", QRect(-20, 30, 900, 640)));
  EXPECT_EQ(places.Remembered("frm1"), QRect(-20, 30, 900, 640));
  EXPECT_FALSE(places.Remembered("frmKoeff"));

  for (const char* damaged : {"[frm1]\nx=a\ny=1\nwidth=2\nheight=3\n", "[frm1]\nx=1\ny=1\nwidth=0\nheight=3\n",
                              "[frm1]\nx=1\ny=1\nwidth=99999999\nheight=3\n", "\x01\x02 garbage ]]][[\n"}) {
    std::ofstream(temp / "damaged.ini", std::ios::trunc) << damaged;
    EXPECT_FALSE(WindowPlaces(temp / "damaged.ini").Remembered("frm1")) << damaged;
  }
  EXPECT_FALSE(WindowPlaces({}).Remember("frm1", QRect(0, 0, 10, 10)));
  EXPECT_FALSE(WindowPlaces({}).Remembered("frm1"));
}

// Several windows are kept in one write, and a file that holds their
// places already is not written again (a comment added to it stays).
TEST(WindowPlaces, SeveralPlacesInOneWriteAndNoWriteWhenNothingMoved) {
  testing::TempFolder temp;
  const auto file = temp / kWindowPlacesFileName;
  const WindowPlaces places(file);
  std::vector<NamedPlace> windows = {{"frm1", {0, 0, 900, 640}}, {"frmKoeff", {901, 0, 500, 400}}};
  ASSERT_TRUE(places.Remember(windows));
  std::ofstream(file, std::ios::app) << "; untouched\n";
  const auto fileHoldsComment = [&file] {
    std::ifstream in(file);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return text.find("; untouched") != std::string::npos;
  };
  ASSERT_TRUE(places.Remember(windows));
  EXPECT_TRUE(fileHoldsComment());
  // A damaged entry is written anew although the other one is unchanged.
  std::ofstream(file, std::ios::app) << "[frmObD]\nx=a\n";
  windows.push_back({"frmObD", {901, 401, 500, 300}});
  ASSERT_TRUE(places.Remember(windows));
  EXPECT_FALSE(fileHoldsComment());
  for (const NamedPlace& window : windows) EXPECT_EQ(places.Remembered(window.name), window.place);
}

// A places file that is no ordinary file, or far too large, is passed
// over at once; a pipe, a device or a folder is never replaced, and a link
// to the file stays a link.
TEST(WindowPlaces, HostilePlacesFilesArePassedOverAndNeverReplaced) {
  testing::TempFolder temp;
  struct Case {
    const char* name;
    std::function<void(const std::filesystem::path&)> make;
    bool written;
  };
  const std::vector<Case> cases = {
      {"pipe", [](const auto& file) { ASSERT_EQ(::mkfifo(file.c_str(), 0644), 0); }, false},
      {"device", [](const auto& file) { std::filesystem::create_symlink("/dev/zero", file); }, false},
      {"folder", [](const auto& file) { std::filesystem::create_directory(file); }, false},
      {"2 MB", [](const auto& file) { testing::PutBytes(file, "[frm1]\n" + std::string(2 << 20, ' ')); }, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto file = temp / (std::string(c.name) + ".ini");
    c.make(file);
    const auto type = std::filesystem::symlink_status(file).type();
    const WindowPlaces places(file);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(places.Remembered("frm1"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_EQ(places.Remember("frm1", QRect(1, 2, 300, 400)), c.written);
    if (!c.written) {
      EXPECT_EQ(std::filesystem::symlink_status(file).type(), type);
    }
  }
  EXPECT_EQ(std::filesystem::status("/dev/zero").type(), std::filesystem::file_type::character);

  std::filesystem::create_directory(temp / "настройки");
  std::filesystem::create_symlink(temp / "настройки" / kWindowPlacesFileName, temp / "ссылка.ini");
  const WindowPlaces linked(temp / "ссылка.ini");
  ASSERT_TRUE(linked.Remember("frm1", QRect(1, 2, 300, 400)));
  EXPECT_TRUE(std::filesystem::is_symlink(temp / "ссылка.ini"));
  EXPECT_EQ(WindowPlaces(temp / "настройки" / kWindowPlacesFileName).Remembered("frm1"), QRect(1, 2, 300, 400));
}

const QRect kLaptop(0, 0, 1366, 768);
const QRect kDesktop(0, 0, 1920, 1080);

class StartWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    location_ = testing::WriteDemoSettings(temp_.path(), temp_.path());
    location_.configFolder = temp_ / "config";
  }
  // A run of the program on a screen of the given area.
  std::unique_ptr<DesktopSession> Start(const QRect& screen) {
    auto session = std::make_unique<DesktopSession>(location_, messages_);
    session->screenArea = [screen](const QPoint&) { return screen; };
    session->Show();
    QApplication::processEvents();
    return session;
  }
  static QRect Place(const QWidget& window) { return {window.pos(), window.size()}; }
  static std::array<QRect, 3> Places(DesktopSession& session) {
    return {Place(session.frm1()), Place(session.frmKoeff()), Place(session.frmObD())};
  }

  testing::TempFolder temp_;
  SettingsLocation location_;
  RecordingMessages messages_;
};

TEST_F(StartWindows, AtTheFirstStartTheyLieOnTheScreenApart) {
  for (const QRect& screen : {kLaptop, kDesktop}) {
    SCOPED_TRACE(screen.width());
    location_.configFolder.clear();
    auto session = Start(screen);
    const auto [main, coefficients, generalData] = Places(*session);
    for (const QRect& place : {main, coefficients, generalData}) {
      EXPECT_TRUE(screen.contains(place)) << place.x() << "," << place.y() << " " << place.width() << "x"
                                          << place.height();
    }
    EXPECT_EQ(main.topLeft(), screen.topLeft());
    // The coefficient window's caption line is not under the general-data window.
    EXPECT_FALSE(QRect(coefficients.topLeft(), QSize(coefficients.width(), 40)).intersects(generalData));
    EXPECT_NE(coefficients.topLeft(), generalData.topLeft());
    if (screen == kDesktop) {
      EXPECT_FALSE(main.intersects(coefficients));
      EXPECT_FALSE(main.intersects(generalData));
    }
  }
}

TEST_F(StartWindows, EachWindowReopensWhereItWasLeft) {
  std::array<QRect, 3> left;
  {
    auto session = Start(kDesktop);
    session->frm1().move(7, 9);
    session->frmKoeff().move(131, 17);
    session->frmKoeff().resize((session->frmKoeff().size() + QSize(13, 11)).boundedTo(QSize(1780, 1050)));
    session->frmObD().move(203, 45);
    QApplication::processEvents();
    left = Places(*session);
    for (const QRect& place : left) ASSERT_TRUE(kDesktop.contains(place)) << place.width() << "x" << place.height();
  }
  ASSERT_TRUE(std::filesystem::exists(location_.configFolder / kWindowPlacesFileName));
  auto session = Start(kDesktop);
  EXPECT_EQ(Places(*session), left);
}

TEST_F(StartWindows, AWindowLeftOffScreenComesBackOntoIt) {
  {
    auto session = Start(kDesktop);
    session->frmKoeff().move(1500, 900);
  }
  // The next run is on the laptop's smaller screen.
  auto session = Start(kLaptop);
  // Whole, its frame included, in the screen's corner.
  const QRect place = session->frmKoeff().frameGeometry();
  EXPECT_TRUE(kLaptop.contains(place)) << place.x() << "," << place.y();
  EXPECT_EQ(place.right(), kLaptop.right());
  EXPECT_EQ(place.bottom(), kLaptop.bottom());
}

TEST_F(StartWindows, AConfigurationFolderThatCannotBeWrittenLosesOnlyThePlaces) {
  testing::WriteLines(temp_ / "not-a-folder", {"x"});
  location_.configFolder = temp_ / "not-a-folder";
  { auto session = Start(kLaptop); }
  auto session = Start(kLaptop);
  EXPECT_EQ(session->frm1().pos(), kLaptop.topLeft());
  EXPECT_TRUE(messages_.entries.empty());
}

TEST_F(StartWindows, WithoutAConfigurationFolderNothingIsWritten) {
  location_.configFolder.clear();
  { auto session = Start(kLaptop); }
  EXPECT_FALSE(std::filesystem::exists(temp_ / "config"));
}

}  // namespace
}  // namespace verdin
