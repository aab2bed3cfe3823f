#include "app/desktop_session.h"

#include <QFileDialog>

#include "core/line_file.h"
#include "mainwindow/open_estimate.h"
#include "mainwindow/save_estimate.h"

namespace verdin {

DesktopSession::DesktopSession(const SettingsLocation& location, Messages& messages)
    : messages_(messages), program_(NewProgram()) {
  Main(*program_, location, messages_);
  const auto& data = program_->state.folders.PathData;
  frm1_ = std::make_unique<MainWindow>(*program_, messages_, Links());
  frmKoeff_ = std::make_unique<CoefficientWindow>(program_->frmKoeff, program_->state.norms, messages_,
                                                  FileInFolder(data, kCoefficientFileName), [this] { RefreshAll(); });
  frmObD_ = std::make_unique<GeneralDataWindow>(program_->frmObD, messages_, FileInFolder(data, kGeneralDataFileName),
                                                [this] { RefreshAll(); });
}

DesktopSession::~DesktopSession() = default;

void DesktopSession::Show() {
  frm1_->show();
  frmKoeff_->show();
  frmObD_->show();
}

void DesktopSession::RefreshAll() {
  if (frm1_) frm1_->Refresh();
  if (frmKoeff_) frmKoeff_->Refresh();
  if (frmObD_) frmObD_->Refresh();
}

MainWindowLinks DesktopSession::Links() {
  MainWindowLinks links;
  links.changed = [this] { RefreshAll(); };
  links.showGeneralData = [this] {
    frmObD_->show();
    frmObD_->raise();
  };
  links.showCoefficients = [this] {
    frmKoeff_->show();
    frmKoeff_->raise();
  };
  return links;
}

}  // namespace verdin
