// The window "Расчет по СМР" (frmSMR) on screen: design cost as a
// percentage of the construction cost, handed to the main window's user
// table by "Передать в главную форму".
#pragma once

#include <QWidget>
#include <functional>

#include "core/messages.h"
#include "core/norm_store.h"
#include "forms/construction_cost_form.h"
#include "forms/program.h"

class QLabel;
class QLineEdit;

namespace verdin {

class ConstructionCostWindow : public QWidget {
 public:
  // `handedOver` runs after "Передать в главную форму", so the main window
  // shows its new contents.
  ConstructionCostWindow(ConstructionCostForm& model, const NormStore& norms, Program& program, Messages& messages,
                         std::function<void()> handedOver, QWidget* parent = nullptr);
  void Refresh();

 private:
  ConstructionCostForm& model_;
  const NormStore& norms_;
  Program& program_;
  Messages& messages_;
  std::function<void()> handedOver_;
  QLineEdit* txt1_ = nullptr;
  QLineEdit* txt2_ = nullptr;
  QLineEdit* txtPr_ = nullptr;
  QLineEdit* txtS_ = nullptr;
  QLabel* lblPr_ = nullptr;
  QLabel* lblS_ = nullptr;
};

}  // namespace verdin
