#include "app/desktop_session.h"

#include <QGuiApplication>
#include <QStyle>

#include <iostream>
#include <vector>

#include "core/line_file.h"
#include "ui/file_chooser_window.h"
#include "ui/progress_window.h"
#include "forms/estimate_list.h"
#include "forms/own_file.h"
#include "forms/unsaved_work.h"

namespace verdin {

namespace {

// Shows the progress window once the save dialog was confirmed.
class ProgressAfterDialog : public SaveDialog {
 public:
  ProgressAfterDialog(SaveDialog& dialog, ProgressWindow& progress) : dialog_(dialog), progress_(progress) {}
  std::optional<SaveChoice> Ask(MainContext& ctx) override {
    auto choice = dialog_.Ask(ctx);
    if (choice) {
      progress_.show();
      progress_.SetCaption("Рассчитываю ..");
    }
    return choice;
  }

 private:
  SaveDialog& dialog_;
  ProgressWindow& progress_;
};

// The messages of a save: the progress window goes before any message or
// question shows, so no closing message stands in front of it.
class MessagesAfterProgress : public Messages {
 public:
  MessagesAfterProgress(Messages& messages, ProgressWindow& progress) : messages_(messages), progress_(progress) {}
  void Show(const std::string& title, const std::string& text, MessageIcon icon) override {
    progress_.hide();
    messages_.Show(title, text, icon);
  }
  bool AskOkCancel(const std::string& title, const std::string& text, MessageIcon icon,
                   DefaultButton enter = DefaultButton::GoAhead) override {
    progress_.hide();
    return messages_.AskOkCancel(title, text, icon, enter);
  }
  bool AskYesNo(const std::string& title, const std::string& text, MessageIcon icon,
                DefaultButton enter = DefaultButton::GoAhead) override {
    progress_.hide();
    return messages_.AskYesNo(title, text, icon, enter);
  }
  Answer AskYesNoCancel(const std::string& title, const std::string& text, MessageIcon icon) override {
    progress_.hide();
    return messages_.AskYesNoCancel(title, text, icon);
  }
  void Beep() override { messages_.Beep(); }

 private:
  Messages& messages_;
  ProgressWindow& progress_;
};

// A pause this long in the general-data window's typing writes the
// autosave copy.
constexpr int kGeneralDataAutosaveDelayMs = 1500;

// The frame a window is given room for. Under Wine the X window manager
// draws the title bar and Qt's Windows platform is told of a border alone:
// where a window's frame has no room for a title bar, room for one is
// added. (On Windows itself the frame Qt knows holds the title bar.)
QMargins FrameWithTitleBar(const QWidget& window) {
  QMargins frame = FrameMargins(window);
  if (QGuiApplication::platformName() != QLatin1String("windows")) return frame;
  const int title = window.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &window);
  if (frame.top() < title / 2) frame.setTop(frame.top() + title);
  return frame;
}

}  // namespace

DesktopSession::DesktopSession(const SettingsLocation& location, Messages& messages)
    : messages_(messages),
      places_(location.configFolder.empty() ? std::filesystem::path()
                                            : location.configFolder / kWindowPlacesFileName),
      program_(NewProgram()),
      recent_(location.configFolder.empty() ? std::filesystem::path()
                                            : location.configFolder / PathFromText(kRecentFileName)) {
  Main(*program_, location, messages_);
  const auto& data = program_->state.folders.PathData;
  frm1_ = std::make_unique<MainWindow>(*program_, messages_, Links());
  frmKoeff_ = std::make_unique<CoefficientWindow>(program_->frmKoeff, program_->state.norms, messages_,
                                                  FileInFolder(data, kCoefficientFileName), [this] {
                                                    MainContext ctx = program_->Context(messages_);
                                                    FollowCoefficients(ctx);
                                                    RefreshAll();
                                                  });
  frmObD_ = std::make_unique<GeneralDataWindow>(program_->frmObD, messages_, FileInFolder(data, kGeneralDataFileName),
                                                [this] { GeneralDataChanged(); });
  generalDataAutosave_.setSingleShot(true);
  generalDataAutosave_.setInterval(kGeneralDataAutosaveDelayMs);
  QObject::connect(&generalDataAutosave_, &QTimer::timeout, [this] {
    MainContext ctx = program_->Context(messages_);
    if (program_->frm1.chkAsave) Autosave(ctx);
    // A pause in the typing ends one undo step of the general data.
    program_->history.Seal();
  });
  saveDialog = [this] { return std::make_unique<QtSaveDialog>(frm1_.get()); };
  openDialog = [this] { return std::make_unique<QtOpenDialog>(frm1_.get(), &recent_); };
}

DesktopSession::~DesktopSession() { RememberPlaces(); }

QuantityWindow& DesktopSession::frmV() {
  if (!frmV_) {
    frmV_ = std::make_unique<QuantityWindow>(program_->frmV, program_->frm1, messages_, [this] { RefreshAll(); });
  }
  return *frmV_;
}

PayOutWindow& DesktopSession::frmW() {
  if (!frmW_) {
    frmW_ = std::make_unique<PayOutWindow>(program_->frmW, messages_, [this] {
      program_->frm1.chkW = false;
      if (frm1_) frm1_->Refresh();
    });
  }
  return *frmW_;
}

ConstructionCostWindow& DesktopSession::frmSMR() {
  if (!frmSMR_) {
    frmSMR_ = std::make_unique<ConstructionCostWindow>(program_->frmSMR, program_->state.norms, *program_, messages_,
                                                       [this] { RefreshAll(); });
  }
  return *frmSMR_;
}

void DesktopSession::Show() {
  const auto windows = StartWindows();
  for (QWidget* window : windows) window->adjustSize();
  PlaceStartWindows();
  // A window manager frames the windows once they are shown; then they are
  // placed again, frames counted, so that each lies whole on the screen.
  WhenFramed({windows.begin(), windows.end()}, [this] { PlaceStartWindows(); });
  // The main window is shown last, so it stands on top and has the focus.
  frmKoeff_->show();
  frmObD_->show();
  frm1_->show();
  frm1_->raise();
  frm1_->activateWindow();
  // The day starts with the object's name.
  if (QWidget* name = frm1_->findChild<QWidget*>("txtZd")) name->setFocus();
  shown_ = true;
}

// Each window where it stood at the end of the last run, else arranged
// beside the others; in either case whole on the screen, its frame (as far
// as it is known yet) included.
void DesktopSession::PlaceStartWindows() {
  const auto windows = StartWindows();
  std::array<QMargins, 3> frames;
  std::array<QSize, 3> sizes;
  for (std::size_t i = 0; i < windows.size(); ++i) {
    frames[i] = FrameWithTitleBar(*windows[i]);
    sizes[i] = windows[i]->size().grownBy(frames[i]);
  }
  const int generalDataSmallest = frmObD_->minimumSizeHint().grownBy(frames[2]).height();
  const StartPlaces start =
      ArrangeStartWindows(sizes[0], sizes[1], sizes[2], screenArea(QPoint(0, 0)), generalDataSmallest);
  const std::array<QRect, 3> arranged = {start.main, start.coefficients, start.generalData};
  for (std::size_t i = 0; i < windows.size(); ++i) {
    const auto kept = places_.Remembered(windows[i]->objectName());
    const QRect place =
        kept ? OntoScreen(QRect(kept->topLeft(), kept->size().grownBy(frames[i])), screenArea(kept->center()))
             : arranged[i];
    windows[i]->resize(place.size().shrunkBy(frames[i]));
    windows[i]->move(place.topLeft());
  }
}

void DesktopSession::RememberPlaces() {
  if (!shown_) return;
  std::vector<NamedPlace> places;
  for (const QWidget* window : StartWindows()) places.push_back(PlaceOf(*window));
  // Nothing is lost but the windows' places: a failure is a line on the
  // error stream (Remember writes it), not a message box on the way out.
  static_cast<void>(places_.Remember(places));
}

std::array<QWidget*, 3> DesktopSession::StartWindows() const {
  return {frm1_.get(), frmKoeff_.get(), frmObD_.get()};
}

void DesktopSession::RefreshAll() {
  if (frm1_) frm1_->Refresh();
  if (frmW_) frmW_->Refresh();
  if (frmKoeff_) frmKoeff_->Refresh();
  if (frmObD_) frmObD_->Refresh();
}

void DesktopSession::Save(bool chooser) {
  // Typing in the general-data window not yet kept is a step of its own.
  program_->history.Record(program_->Context(messages_));
  const bool ownFile = !chooser && OwnEstimateFile(program_->state);
  const std::unique_ptr<SaveDialog> dialog = ownFile ? std::make_unique<OwnFileSaveDialog>() : saveDialog();
  ProgressWindow progress(frm1_.get());
  ProgressAfterDialog withProgress(*dialog, progress);
  MessagesAfterProgress messages(messages_, progress);
  MainContext ctx = program_->Context(messages);
  if (CmdSave(ctx, withProgress, progress, PayOutBoxesOf(program_->frmW))) RememberOwnFile();
  progress.hide();
  if (!program_->state.unsavedChanges) SettleAutosaves(program_->state);
  RefreshAll();
}

void DesktopSession::OfferRecovery() {
  MainContext ctx = program_->Context(messages_);
  if (OfferAutosaveRecovery(ctx)) RefreshAll();
}

void DesktopSession::OpenNamed(const std::filesystem::path& file) {
  MainContext ctx = program_->Context(messages_);
  if (OpenNamedEstimate(ctx, file)) RememberOwnFile();
  RefreshAll();
}

bool DesktopSession::MayClose() {
  MainContext ctx = program_->Context(messages_);
  const bool mayClose = ConfirmExit(ctx, [this] { Save(); });
  RefreshAll();
  return mayClose;
}

void DesktopSession::GeneralDataChanged() {
  program_->state.unsavedChanges = true;
  generalDataAutosave_.start();
  RefreshAll();
}

void DesktopSession::Open() {
  const auto dialog = openDialog();
  MainContext ctx = program_->Context(messages_);
  if (CmdOpen(ctx, *dialog, [this] { Save(); })) RememberOwnFile();
  RefreshAll();
}

void DesktopSession::RememberOwnFile() {
  const auto own = OwnEstimateFile(program_->state);
  if (!own) return;
  // Only the list is lost: a line on the error stream, no message box.
  if (const auto problem = recent_.Remember(*own)) {
    std::cerr << "verdin: список последних смет не записан: " << *problem << "\n";
  }
}

MainWindowLinks DesktopSession::Links() {
  MainWindowLinks links;
  links.changed = [this] { RefreshAll(); };
  const auto raise = [](QWidget* window) {
    window->show();
    window->raise();
    window->activateWindow();
  };
  links.showGeneralData = [this, raise] { raise(frmObD_.get()); };
  links.showCoefficients = [this, raise] { raise(frmKoeff_.get()); };
  links.quantity = [this, raise] { raise(&frmV()); };
  links.constructionCost = [this, raise] { raise(&frmSMR()); };
  links.save = [this] { Save(); };
  links.saveAs = [this] { Save(true); };
  links.open = [this] { Open(); };
  links.mayClose = [this] { return MayClose(); };
  links.payOut = [this](bool on) {
    // ClickChkW keeps the box and the window in agreement: the window is
    // shown exactly while chkW is on.
    if (ClickChkW(program_->frm1, program_->frmW, on, messages_)) {
      frmW().Open(program_->frm1);
    } else if (frmW_) {
      frmW_->close();
    }
  };
  return links;
}

}  // namespace verdin
