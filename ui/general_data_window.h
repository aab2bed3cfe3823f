// The general-data window "Общие данные по смете" on screen: shows the
// GeneralDataForm model and passes the user's changes to it.
#pragma once

#include <QWidget>
#include <array>
#include <filesystem>
#include <functional>

#include "core/limits.h"
#include "core/messages.h"
#include "forms/general_data_form.h"

class QCheckBox;
class QLineEdit;
class QHideEvent;
class QPlainTextEdit;
class QShowEvent;

namespace verdin {

class GeneralDataWindow : public QWidget {
 public:
  GeneralDataWindow(GeneralDataForm& model, Messages& messages, std::filesystem::path stateFile,
                    std::function<void()> changed, QWidget* parent = nullptr);

  // Shows the model's current contents.
  void Refresh();

 private:
  void Build();
  void Changed();
  // Keep the model's visibility flag in step with the window.
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

  GeneralDataForm& model_;
  Messages& messages_;
  std::filesystem::path stateFile_;
  std::function<void()> changed_;
  QLineEdit* txtNdog_ = nullptr;
  QLineEdit* txtDataDog_ = nullptr;
  std::array<QPlainTextEdit*, 1> txtShapkaMulti_{};
  std::array<QLineEdit*, 3> txtShapka_{};  // [0] unused: the object name is multi-line
  std::array<QCheckBox*, kChargeRows> chkK_{};
  std::array<QLineEdit*, kChargeRows> txtK_{};
  std::array<QLineEdit*, kChargeRows> txtKc_{};
  std::array<QCheckBox*, kSignatoryRows> chk1_{};
  std::array<QLineEdit*, kSignatoryRows> txt1_{};
  std::array<QLineEdit*, kSignatoryRows> txt2_{};
};

}  // namespace verdin
