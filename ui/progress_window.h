// The progress window "Запись данных" (frmZ) shown while an estimate is
// saved: one label, lblZ, whose caption the save lengthens step by step.
#pragma once

#include <QDialog>
#include <string>

#include "core/progress.h"

class QLabel;

namespace verdin {

class ProgressWindow : public QDialog, public Progress {
 public:
  explicit ProgressWindow(QWidget* parent = nullptr);
  void SetCaption(const std::string& caption) override;
  std::string Caption() const override;

 private:
  QLabel* lblZ_ = nullptr;
};

}  // namespace verdin
