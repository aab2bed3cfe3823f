// One run of the desktop program: the state, the three windows of
// start-up, and the links between them.
#pragma once

#include <QString>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>

#include "ui/qt_support.h"
#include "core/folders.h"
#include "ui/coefficient_window.h"
#include "ui/construction_cost_window.h"
#include "ui/payout_window.h"
#include "ui/quantity_window.h"
#include "ui/general_data_window.h"
#include "ui/main_window.h"
#include "app/window_places.h"
#include "forms/open_estimate.h"
#include "forms/program.h"
#include "forms/recent_estimates.h"
#include "forms/save_estimate.h"

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

  // Shows the three windows, none of them modal, each where it stood at
  // the end of the last run, or placed beside each other at the first.
  void Show();
  // Keeps where the three windows stand now for the next run (also done
  // when the session ends).
  void RememberPlaces();
  // Every window shows its model again (after any command).
  void RefreshAll();

  Program& program() { return *program_; }
  MainWindow& frm1() { return *frm1_; }
  CoefficientWindow& frmKoeff() { return *frmKoeff_; }
  GeneralDataWindow& frmObD() { return *frmObD_; }
  // The quantity, pay-out and construction-cost windows are hidden at
  // start-up; each is built when it is first asked for, showing the
  // model as it is then.
  QuantityWindow& frmV();
  PayOutWindow& frmW();
  ConstructionCostWindow& frmSMR();

  // The area of the screen around a point that windows are placed in;
  // tests put a screen of their own here.
  std::function<QRect(const QPoint&)> screenArea = AvailableScreenAt;

  // The dialogs of the save and open commands; tests put scripted ones here.
  std::function<std::unique_ptr<SaveDialog>()> saveDialog;
  std::function<std::unique_ptr<OpenDialog>()> openDialog;

  // "Рассчитать и сохранить смету" and "Открыть". An estimate with its own
  // file is saved there (after the usual question) unless `chooser` asks
  // for the save window («Сохранить как…»).
  void Save(bool chooser = false);
  void Open();

  // The estimates opened or saved last.
  RecentEstimates& recent() { return recent_; }

  // Offers to restore the autosave copy of an estimate whose work a crash
  // or a killed program left unsaved.
  void OfferRecovery();
  // Opens the estimate named on the command line.
  void OpenNamed(const std::filesystem::path& file);
  // «Выход» and closing the main window: asks about unsaved work; false
  // keeps the program running.
  bool MayClose();
  // A change in the general-data window: the estimate has unsaved work,
  // and its autosave copy is written once the typing pauses.
  void GeneralDataChanged();

 private:
  MainWindowLinks Links();
  void PlaceStartWindows();
  // The main, coefficient and general-data windows.
  std::array<QWidget*, 3> StartWindows() const;
  // The own file goes first in the recent list after an open or a save.
  void RememberOwnFile();

  Messages& messages_;
  WindowPlaces places_;
  bool shown_ = false;
  std::unique_ptr<Program> program_;
  std::unique_ptr<MainWindow> frm1_;
  std::unique_ptr<CoefficientWindow> frmKoeff_;
  std::unique_ptr<GeneralDataWindow> frmObD_;
  // Built on first use (see frmV()).
  std::unique_ptr<QuantityWindow> frmV_;
  std::unique_ptr<PayOutWindow> frmW_;
  std::unique_ptr<ConstructionCostWindow> frmSMR_;
  // Waits for a pause in the typing before the autosave copy is written.
  QTimer generalDataAutosave_;
  RecentEstimates recent_;
};

}  // namespace verdin
