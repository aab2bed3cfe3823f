// Where the windows of the desktop program stand on the screen: placed by
// the program at the first start so that they do not cover each other
// more than the screen demands, and remembered between runs.
#pragma once

#include <QRect>
#include <QString>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

class QWidget;

namespace verdin {

// The file beside the settings file that keeps the windows' places.
inline constexpr const char* kWindowPlacesFileName = "windows.ini";

// `window` moved, and shrunk where it is larger, so that it lies wholly
// inside `screen` (a window left off-screen after a screen change comes
// back onto it).
QRect OntoScreen(const QRect& window, const QRect& screen);

// The start-up places of the main, coefficient and general-data windows
// of the given sizes on a screen of the given available area: the main
// window at the top left, the coefficient window at the top right, the
// general-data window at the bottom right. On a screen wide enough for
// them they stand side by side; on a small one the two smaller windows
// overlap the main window's right part but each keeps its top left
// corner (caption and first fields) in view. The general-data window may
// be made lower, down to `generalDataSmallestHeight`, to fit under the
// coefficient window. The sizes and places are those of the windows'
// frames.
struct StartPlaces {
  QRect main;
  QRect coefficients;
  QRect generalData;
};
StartPlaces ArrangeStartWindows(QSize main, QSize coefficients, QSize generalData, const QRect& screen,
                                int generalDataSmallestHeight = 0);

// A window's name and where it stands.
struct NamedPlace {
  QString name;
  QRect place;
};

// Where the window stands now: the position of its frame and the size of
// its inside.
NamedPlace PlaceOf(const QWidget& window);

// The sections of an INI file ("[name]" lines, each followed by its
// "key=value" lines), in the order of the file. Lines of no section and
// comments are dropped.
class IniSections {
 public:
  static IniSections Parse(const std::vector<std::string>& lines);
  std::vector<std::string> Lines() const;
  // The value of the key in the section, nullptr when there is none.
  const std::string* Value(const std::string& section, const std::string& key) const;
  void Set(const std::string& section, const std::string& key, const std::string& value);

 private:
  struct Section {
    std::string name;
    std::vector<std::pair<std::string, std::string>> values;
  };
  std::vector<Section> sections_;
};

// The windows' places kept in an INI file under the window's name: the
// position of its frame and the size of its inside, which is what Qt
// moves and resizes, so a window does not creep by its frame from run to
// run. With an empty file name nothing is kept. A damaged or unreadable
// file counts as holding nothing; one that is not an ordinary file or is
// larger than 1 MB is not read at all, and a line on the error stream
// says so once. The file is read and written as every file of the
// program: bounded, Windows-1251 lines, replaced atomically.
class WindowPlaces {
 public:
  explicit WindowPlaces(std::filesystem::path file) : file_(std::move(file)) {}

  const std::filesystem::path& file() const { return file_; }

  // The place last kept for the window, if any.
  std::optional<QRect> Remembered(const QString& name) const;
  // Keeps the window's place; false when it could not be written.
  bool Remember(const QString& name, const QRect& place) const;

  // Keeps the places of several windows in one write. A file that holds
  // exactly these places already is left as it is: a run whose windows
  // did not move writes nothing and waits for no disk on the way out.
  // False when the places could not be written.
  bool Remember(std::span<const NamedPlace> places) const;

 private:
  // The file's sections; none when it is missing or not taken.
  IniSections Load() const;

  std::filesystem::path file_;
  mutable bool reported_ = false;  // a file not taken is mentioned once
};

// The screen area available to windows around a point: that of the
// screen under it, else of the primary screen.
QRect AvailableScreenAt(const QPoint& point);

}  // namespace verdin
