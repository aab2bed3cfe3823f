// The quantity window frmV "Расчет объемов" on screen: ten boxes for three
// products of three factors and their sum, and the button that hands the
// sum to the main window's quantity box.
#pragma once

#include <QWidget>
#include <array>
#include <functional>

#include "core/messages.h"
#include "forms/calculator_forms.h"
#include "forms/main_form.h"

class QLabel;
class QLineEdit;

namespace verdin {

class QuantityWindow : public QWidget {
 public:
  // `changed` runs after the sum was written into frm1.txtKolic, so the
  // main window can show it.
  QuantityWindow(QuantityForm& model, MainForm& frm1, Messages& messages, std::function<void()> changed,
                 QWidget* parent = nullptr);

  // Shows the model's current contents.
  void Refresh();

 private:
  void Build();
  void BoxEdited(int index, const QString& text);
  void ShowSum(const QuantityResult& result);
  void CmdKol();

  QuantityForm& model_;
  MainForm& frm1_;
  Messages& messages_;
  std::function<void()> changed_;
  std::array<QLineEdit*, QuantityForm::kBoxes> txtKol_{};
  QLabel* lblProblem_ = nullptr;
};

}  // namespace verdin
