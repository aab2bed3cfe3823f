// One run of the desktop program: the state, the three windows of
// start-up, and the links between them.
#pragma once

#include <QString>
#include <memory>

#include "app/qt_support.h"
#include "core/folders.h"
#include "dialogs/coefficient_window.h"
#include "dialogs/general_data_window.h"
#include "mainwindow/main_window.h"
#include "mainwindow/program.h"

namespace verdin {

class DesktopSession {
 public:
  // Start-up: the settings and folders, the main window's load (norm
  // database, coefficient window), the general-data window. Throws
  // std::runtime_error with the Russian message when the program cannot
  // start.
  DesktopSession(const SettingsLocation& location, Messages& messages);
  ~DesktopSession();
  DesktopSession(const DesktopSession&) = delete;
  DesktopSession& operator=(const DesktopSession&) = delete;

  // Shows the three windows, none of them modal.
  void Show();
  // Every window shows its model again (after any command).
  void RefreshAll();

  Program& program() { return *program_; }
  MainWindow& frm1() { return *frm1_; }
  CoefficientWindow& frmKoeff() { return *frmKoeff_; }
  GeneralDataWindow& frmObD() { return *frmObD_; }

 private:
  MainWindowLinks Links();

  Messages& messages_;
  std::unique_ptr<Program> program_;
  std::unique_ptr<MainWindow> frm1_;
  std::unique_ptr<CoefficientWindow> frmKoeff_;
  std::unique_ptr<GeneralDataWindow> frmObD_;
};

}  // namespace verdin
