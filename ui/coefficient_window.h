// The coefficient window "Коэффициенты к стоимости" on screen: shows the
// CoefficientForm model and passes the user's changes to it.
#pragma once

#include <QWidget>
#include <array>
#include <filesystem>
#include <functional>

#include "core/limits.h"
#include "core/messages.h"
#include "core/norm_store.h"
#include "forms/coefficient_form.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace verdin {

class CoefficientWindow : public QWidget {
 public:
  // `changed` runs after every change the user makes, so that the other
  // windows can refresh; `stateFile` is where "С" saves.
  CoefficientWindow(CoefficientForm& model, const NormStore& norms, Messages& messages,
                    std::filesystem::path stateFile, std::function<void()> changed, QWidget* parent = nullptr);

  // Shows the model's current contents.
  void Refresh();

 private:
  void Build();
  void Changed();

  CoefficientForm& model_;
  const NormStore& norms_;
  Messages& messages_;
  std::filesystem::path stateFile_;
  std::function<void()> changed_;
  std::array<QCheckBox*, kCoefficientRows> chkKoeff_{};
  std::array<QLineEdit*, kCoefficientRows> txtKoeffIm_{};
  std::array<QLineEdit*, kCoefficientRows> txtKoeffI_{};
  std::array<QLineEdit*, kCoefficientRows> txtKoeffK_{};
  std::array<QLineEdit*, kCoefficientRows> txtKoeffP_{};
  std::array<QRadioButton*, 2> optGil_{};
  std::array<QLineEdit*, 2> txtKi_{};
  QComboBox* cboKotr_ = nullptr;
  QLabel* lblShareNote_ = nullptr;  // why the indexation row is off for a share
};

}  // namespace verdin
