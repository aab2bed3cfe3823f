// The progress notice of a long command (the caption of the "Запись
// данных" window while an estimate is saved).
#pragma once

#include <string>

namespace verdin {

class Progress {
 public:
  virtual ~Progress() = default;
  virtual void SetCaption(const std::string& caption) = 0;
  virtual std::string Caption() const = 0;
};

// Keeps the caption in memory: for verdin-batch and the tests.
class CaptionOnlyProgress : public Progress {
 public:
  void SetCaption(const std::string& caption) override { caption_ = caption; }
  std::string Caption() const override { return caption_; }

 private:
  std::string caption_;
};

}  // namespace verdin
