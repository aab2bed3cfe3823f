// verdin: the desktop program.
//
//   verdin [--ini FILE] [--exit-when-shown] [ESTIMATE.isx]
//   verdin --recent
//
// --recent prints the estimates opened or saved last, newest first, one
// file a line (a file that is gone is marked), and ends.
// --exit-when-shown ends the program as soon as its windows are shown; it
// is there to measure the start-up.
//
// Starts up as the settings say (or with the built-in folder layout and
// the demo database) and shows the main window beside the coefficient and
// general-data windows, then opens the estimate file given (as a
// double-click on an .isx file does) or offers an estimate a crash left
// behind. A start-up failure is shown in a message box.
// Qt's own Russian translation is loaded when it is installed; without it
// the program starts all the same.

#include <QApplication>
#include <QTimer>
#include <filesystem>
#include <iostream>
#include <memory>
#include <new>
#include <optional>
#include <string_view>

#include "app/demo_data.h"
#include "app/desktop_session.h"
#include "core/line_file.h"
#include "core/platform_files.h"
#include "forms/recent_estimates.h"

namespace {

constexpr const char* kOutOfMemory = "Недостаточно памяти для продолжения работы. Программа будет закрыта.";

// Tells that the memory ran out: on stderr always, in a message box while
// the application still exists (showing it may fail in turn).
void ReportOutOfMemory() {
  std::cerr << "verdin: " << kOutOfMemory << "\n";
  if (QApplication::instance() == nullptr) return;
  try {
    verdin::QtMessages().Show("Verdin", kOutOfMemory, verdin::MessageIcon::Critical);
  } catch (...) {
    // The message on stderr has to do.
  }
}

// The application, ending with a Russian message instead of an English
// abort when the memory runs out in an event handler: exceptions must not
// pass through Qt's event loop.
class Application final : public QApplication {
 public:
  using QApplication::QApplication;

  bool notify(QObject* receiver, QEvent* event) override {
    try {
      return QApplication::notify(receiver, event);
    } catch (const std::bad_alloc&) {
      ReportOutOfMemory();
      QApplication::exit(1);
      return false;
    }
  }
};

// verdin --recent: no window, only the list.
int PrintRecent() {
  const verdin::SettingsLocation location = verdin::DefaultSettingsLocation(verdin::FindDemoData());
  if (location.configFolder.empty()) return 0;
  const verdin::RecentEstimates recent(location.configFolder / verdin::PathFromText(verdin::kRecentFileName));
  for (const std::string& line : verdin::RecentLines(recent)) std::cout << line << "\n";
  return 0;
}

int RunDesktop(int argc, char** argv) {
  Application application(argc, argv);
  QApplication::setApplicationName("Verdin");
  if (!verdin::LoadQtRussian(application)) {
    std::cerr << "verdin: русский перевод Qt не найден, стандартные окна Qt покажут английские надписи.\n";
  }
  verdin::SettingsLocation location = verdin::DefaultSettingsLocation(verdin::FindDemoData());
  const QStringList args = QApplication::arguments();
  bool exitWhenShown = false;
  std::optional<std::filesystem::path> estimateFile;
  for (int i = 1; i < args.size(); ++i) {
    if (args[i] == "--ini" && i + 1 < args.size()) {
      location.iniOverride = verdin::PathFromText(args[++i].toStdString());
    } else if (args[i] == "--exit-when-shown") {
      exitWhenShown = true;
    } else if (!args[i].startsWith(QLatin1String("--")) && !estimateFile) {
      estimateFile = verdin::PathFromText(args[i].toStdString());
    } else {
      std::cerr << "verdin: неизвестный параметр «" << args[i].toStdString() << "».\n"
                << "Использование: verdin [--ini ФАЙЛ] [--exit-when-shown] [СМЕТА.isx]\n"
                << "               verdin --recent\n";
      return 2;
    }
  }
  verdin::QtMessages messages;
  std::unique_ptr<verdin::DesktopSession> session;
  try {
    session = std::make_unique<verdin::DesktopSession>(location, messages);
  } catch (const std::exception& error) {
    messages.Show("Verdin", error.what(), verdin::MessageIcon::Critical);
    return 1;
  }
  session->Show();
  if (exitWhenShown) {
    QTimer::singleShot(0, &application, &QApplication::quit);
  } else if (estimateFile) {
    // An estimate opened from the file manager. A copy a crash left behind
    // stays unsettled and is offered at the next start without a file.
    QTimer::singleShot(0, &application, [&session, &estimateFile] { session->OpenNamed(*estimateFile); });
  } else {
    // Once the windows stand, an estimate a crash left behind is offered.
    QTimer::singleShot(0, &application, [&session] { session->OfferRecovery(); });
  }
  return QApplication::exec();
}

}  // namespace

int main(int argc, char** argv) {
  verdin::platform::IgnoreFileSizeSignal();
  verdin::platform::RemoveLeftoversOnSignals();
  if (argc == 2 && std::string_view(argv[1]) == "--recent") return PrintRecent();
  try {
    return RunDesktop(argc, argv);
  } catch (const std::bad_alloc&) {
    ReportOutOfMemory();
    return 1;
  }
}
