#include "app/window_places.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <array>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "core/line_file.h"
#include "core/text_forms.h"
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

// The four keys of a window's place, in the order they are written.
constexpr std::array<const char*, 4> kPlaceKeys = {"x", "y", "width", "height"};

std::optional<int> ReadNumber(const IniSections& sections, const std::string& name, const std::string& key) {
  const std::string* text = sections.Value(name, key);
  if (text == nullptr) return std::nullopt;
  bool ok = false;
  const int number = QString::fromStdString(*text).toInt(&ok);
  if (!ok) return std::nullopt;
  return number;
}

// The place kept under the window's name, if the file holds a sound one.
std::optional<QRect> KeptPlace(const IniSections& sections, const QString& name) {
  const std::string section = FromQ(name);
  const auto x = ReadNumber(sections, section, "x");
  const auto y = ReadNumber(sections, section, "y");
  const auto width = ReadNumber(sections, section, "width");
  const auto height = ReadNumber(sections, section, "height");
  if (!x || !y || !width || !height) return std::nullopt;
  const auto reasonable = [](int side) { return side > 0 && side <= kLargestSide; };
  const auto onPlane = [](int at) { return at >= -kLargestSide && at <= kLargestSide; };
  if (!reasonable(*width) || !reasonable(*height) || !onPlane(*x) || !onPlane(*y)) return std::nullopt;
  return QRect(*x, *y, *width, *height);
}

void Keep(IniSections& sections, const NamedPlace& window) {
  const std::string section = FromQ(window.name);
  const std::array<int, 4> values = {window.place.x(), window.place.y(), window.place.width(),
                                     window.place.height()};
  for (std::size_t i = 0; i < kPlaceKeys.size(); ++i) sections.Set(section, kPlaceKeys[i], std::to_string(values[i]));
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

const std::string* IniSections::Value(const std::string& section, const std::string& key) const {
  for (const Section& kept : sections_) {
    if (kept.name != section) continue;
    for (const auto& [name, value] : kept.values) {
      if (name == key) return &value;
    }
  }
  return nullptr;
}

void IniSections::Set(const std::string& section, const std::string& key, const std::string& value) {
  auto kept = std::find_if(sections_.begin(), sections_.end(),
                           [&section](const Section& candidate) { return candidate.name == section; });
  if (kept == sections_.end()) kept = sections_.insert(sections_.end(), Section{section, {}});
  for (auto& [name, old] : kept->values) {
    if (name == key) {
      old = value;
      return;
    }
  }
  kept->values.emplace_back(key, value);
}

IniSections IniSections::Parse(const std::vector<std::string>& lines) {
  IniSections parsed;
  Section* current = nullptr;
  for (const std::string& line : lines) {
    const std::string text = Trim(line);
    if (text.size() >= 2 && text.front() == '[' && text.back() == ']') {
      current = &parsed.sections_.emplace_back(Section{text.substr(1, text.size() - 2), {}});
      continue;
    }
    const std::size_t equals = text.find('=');
    // Comments, blank lines and lines outside a section carry no place.
    if (current == nullptr || equals == std::string::npos || text.front() == ';' || text.front() == '#') continue;
    current->values.emplace_back(Trim(text.substr(0, equals)), Trim(text.substr(equals + 1)));
  }
  return parsed;
}

std::vector<std::string> IniSections::Lines() const {
  std::vector<std::string> lines;
  for (const Section& section : sections_) {
    if (!lines.empty()) lines.emplace_back();
    lines.push_back("[" + section.name + "]");
    for (const auto& [key, value] : section.values) lines.push_back(key + "=" + value);
  }
  return lines;
}

IniSections WindowPlaces::Load() const {
  std::error_code error;
  if (file_.empty() || std::filesystem::symlink_status(file_, error).type() == std::filesystem::file_type::not_found) {
    return {};
  }
  try {
    return IniSections::Parse(ReadLineFile(file_, kSmallFileLimit));
  } catch (const FileError& failure) {
    // The places are a convenience: a file that is not taken is mentioned
    // once and the windows are arranged anew.
    if (!reported_) std::cerr << "verdin: положение окон не прочитано. " << failure.what() << " Окна расставлены заново.\n";
    reported_ = true;
    return {};
  }
}

std::optional<QRect> WindowPlaces::Remembered(const QString& name) const { return KeptPlace(Load(), name); }

bool WindowPlaces::Remember(const QString& name, const QRect& place) const {
  const NamedPlace one{name, place};
  return Remember(std::span(&one, 1));
}

bool WindowPlaces::Remember(std::span<const NamedPlace> places) const {
  if (file_.empty()) return false;
  IniSections sections = Load();
  const bool unchanged = std::all_of(places.begin(), places.end(), [&sections](const NamedPlace& window) {
    return KeptPlace(sections, window.name) == window.place;
  });
  if (unchanged) return true;
  for (const NamedPlace& window : places) Keep(sections, window);
  std::error_code ignored;
  std::filesystem::create_directories(file_.parent_path(), ignored);
  // Written as every file of the program is: atomically, never in place of
  // a device or a pipe, a link keeping its place.
  try {
    WriteLineFile(file_, sections.Lines());
    return true;
  } catch (const FileError& failure) {
    std::cerr << "verdin: положение окон не запомнено. " << failure.what() << "\n";
    return false;
  }
}

NamedPlace PlaceOf(const QWidget& window) { return {window.objectName(), QRect(window.pos(), window.size())}; }

QRect AvailableScreenAt(const QPoint& point) {
  QScreen* screen = QGuiApplication::screenAt(point);
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  return screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

}  // namespace verdin
