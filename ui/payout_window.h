// The pay-out window frmW "По просьбе г-на Ш" on screen: the price of the
// design work, the kopecks per rouble and the share of the section, and
// the pay-out in roubles and in the second currency.
#pragma once

#include <QWidget>
#include <array>
#include <functional>

#include "core/messages.h"
#include "forms/calculator_forms.h"
#include "forms/main_form.h"

class QCloseEvent;
class QLabel;
class QLineEdit;

namespace verdin {

class PayOutWindow : public QWidget {
 public:
  // `closed` runs whenever the window is closed (by the user or by
  // close()); the owner switches chkW off.
  PayOutWindow(PayOutForm& model, Messages& messages, std::function<void()> closed, QWidget* parent = nullptr);

  // Fills the price row from the main window, computes the pay-out and
  // shows the window.
  void Open(const MainForm& frm1);

  // Shows the model's current contents.
  void Refresh();

 private:
  void Build();
  void closeEvent(QCloseEvent* event) override;

  PayOutForm& model_;
  Messages& messages_;
  std::function<void()> closed_;
  std::array<QLineEdit*, PayOutForm::kBoxes> txt1_{};
  std::array<QLineEdit*, PayOutForm::kBoxes> txt2_{};  // only 0 and 3 exist
  QLabel* lblProblem_ = nullptr;
};

}  // namespace verdin
