#include "ui/progress_window.h"

#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>

#include "ui/qt_support.h"

namespace verdin {

ProgressWindow::ProgressWindow(QWidget* parent) : QDialog(parent) {
  setObjectName("frmZ");
  setWindowTitle("Запись данных");
  auto* layout = new QVBoxLayout(this);
  lblZ_ = new QLabel;
  lblZ_->setObjectName("lblZ");
  lblZ_->setMinimumWidth(fontMetrics().horizontalAdvance(QString(40, QChar('m'))));
  layout->addWidget(lblZ_);
}

void ProgressWindow::SetCaption(const std::string& caption) {
  lblZ_->setText(ToQ(caption));
  // The save runs inside one event: let the caption show at once.
  QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

std::string ProgressWindow::Caption() const { return FromQ(lblZ_->text()); }

}  // namespace verdin
