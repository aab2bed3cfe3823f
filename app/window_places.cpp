#include "app/window_places.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QWidget>
#include <algorithm>
#include <system_error>

#include "ui/qt_support.h"

namespace verdin {

namespace {

// A kept size beyond this is taken for a damaged file.
constexpr int kLargestSide = 100000;

// `start` moved so that a span of `length` from it lies in [low, high);
// a span longer than the range starts at `low`.
int IntoRange(int start, int length, int low, int high) {
  return std::max(low, std::min(start, high - length));
}

std::optional<int> ReadNumber(const QSettings& settings, const QString& key) {
  bool ok = false;
  const int number = settings.value(key).toInt(&ok);
  if (!ok) return std::nullopt;
  return number;
}

// The place kept under the window's name, if the settings hold a sound one.
std::optional<QRect> KeptPlace(const QSettings& settings, const QString& name) {
  const auto x = ReadNumber(settings, name + "/x");
  const auto y = ReadNumber(settings, name + "/y");
  const auto width = ReadNumber(settings, name + "/width");
  const auto height = ReadNumber(settings, name + "/height");
  if (!x || !y || !width || !height) return std::nullopt;
  const auto reasonable = [](int side) { return side > 0 && side <= kLargestSide; };
  const auto onPlane = [](int at) { return at >= -kLargestSide && at <= kLargestSide; };
  if (!reasonable(*width) || !reasonable(*height) || !onPlane(*x) || !onPlane(*y)) return std::nullopt;
  return QRect(*x, *y, *width, *height);
}

}  // namespace

QRect OntoScreen(const QRect& window, const QRect& screen) {
  const int width = std::min(window.width(), screen.width());
  const int height = std::min(window.height(), screen.height());
  const int x = IntoRange(window.x(), width, screen.left(), screen.left() + screen.width());
  const int y = IntoRange(window.y(), height, screen.top(), screen.top() + screen.height());
  return {x, y, width, height};
}

StartPlaces ArrangeStartWindows(QSize main, QSize coefficients, QSize generalData, const QRect& screen,
                                int generalDataSmallestHeight) {
  StartPlaces places;
  places.main = OntoScreen(QRect(screen.topLeft(), main), screen);
  const int right = screen.left() + screen.width();
  const int bottom = screen.top() + screen.height();
  // The two smaller windows stand right of the main window where there is
  // room, else against the screen's right edge.
  const auto besideMain = [&](QSize size, int y) {
    const int x = std::min(places.main.right() + 1, right - size.width());
    return OntoScreen(QRect(QPoint(x, y), size), screen);
  };
  places.coefficients = besideMain(coefficients, screen.top());
  // The general-data window goes under the coefficient window when both
  // fit one above the other (the general-data window made lower where that
  // is enough), else to the bottom of the screen, leaving the coefficient
  // window's top in view.
  const int under = places.coefficients.bottom() + 1;
  const int roomUnder = bottom - under;
  if (generalData.height() > roomUnder && generalDataSmallestHeight > 0 && generalDataSmallestHeight <= roomUnder) {
    generalData.setHeight(roomUnder);
  }
  places.generalData = besideMain(generalData, std::min(under, bottom - generalData.height()));
  return places;
}

std::optional<QRect> WindowPlaces::Remembered(const QString& name) const {
  if (file_.empty()) return std::nullopt;
  const QSettings settings(ToQ(file_.string()), QSettings::IniFormat);
  if (settings.status() != QSettings::NoError) return std::nullopt;
  return KeptPlace(settings, name);
}

bool WindowPlaces::Remember(const QString& name, const QRect& place) const {
  const NamedPlace one{name, place};
  return Remember(std::span(&one, 1));
}

bool WindowPlaces::Remember(std::span<const NamedPlace> places) const {
  if (file_.empty()) return false;
  std::error_code ignored;
  std::filesystem::create_directories(file_.parent_path(), ignored);
  QSettings settings(ToQ(file_.string()), QSettings::IniFormat);
  const bool unchanged = settings.status() == QSettings::NoError &&
                         std::all_of(places.begin(), places.end(), [&settings](const NamedPlace& window) {
                           return KeptPlace(settings, window.name) == window.place;
                         });
  if (unchanged) return true;
  for (const NamedPlace& window : places) {
    settings.setValue(window.name + "/x", window.place.x());
    settings.setValue(window.name + "/y", window.place.y());
    settings.setValue(window.name + "/width", window.place.width());
    settings.setValue(window.name + "/height", window.place.height());
  }
  settings.sync();
  return settings.status() == QSettings::NoError;
}

NamedPlace PlaceOf(const QWidget& window) { return {window.objectName(), QRect(window.pos(), window.size())}; }

QRect AvailableScreenAt(const QPoint& point) {
  QScreen* screen = QGuiApplication::screenAt(point);
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  return screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

}  // namespace verdin
