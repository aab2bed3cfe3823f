// How commands talk to the user. Commands never open dialogs themselves:
// they call this interface. The desktop program answers with message
// boxes; tests and verdin-batch install a recorder.
#pragma once

#include <deque>
#include <string>
#include <vector>

namespace verdin {

enum class MessageIcon { Exclamation, Warning, Critical, Information, Question, None };

// The answer to a Yes / No / Cancel question.
enum class Answer { Yes, No, Cancel };

// The button Enter presses on a question: the one that goes ahead (OK,
// Yes) or the one that leaves everything as it is (Cancel, No). A question
// that deletes or discards anything goes ahead only by a deliberate click.
enum class DefaultButton { GoAhead, LeaveAsIs };

class Messages {
 public:
  virtual ~Messages() = default;

  // A message with an OK button. Texts keep their carriage returns; the
  // desktop program shows a CR as a line break.
  virtual void Show(const std::string& title, const std::string& text, MessageIcon icon) = 0;
  // Every question has an answer that changes nothing (Cancel; No on a
  // Yes/No question), and Esc or the close button of the box gives it.
  //
  // An OK/Cancel question; true for OK.
  virtual bool AskOkCancel(const std::string& title, const std::string& text, MessageIcon icon,
                           DefaultButton enter = DefaultButton::GoAhead) = 0;
  // A Yes/No question; true for Yes.
  virtual bool AskYesNo(const std::string& title, const std::string& text, MessageIcon icon,
                        DefaultButton enter = DefaultButton::GoAhead) = 0;
  // A Yes/No/Cancel question; Enter answers Yes. A program without windows
  // answers it as a Yes/No question.
  virtual Answer AskYesNoCancel(const std::string& title, const std::string& text, MessageIcon icon) {
    return AskYesNo(title, text, icon) ? Answer::Yes : Answer::No;
  }
  // The system beep.
  virtual void Beep() = 0;
};

// Keeps every message, question and beep in order and answers questions
// from a script (OK / Yes when the script is empty).
class RecordingMessages : public Messages {
 public:
  enum class Kind { Message, OkCancel, YesNo, YesNoCancel, Beep };
  struct Entry {
    Kind kind;
    std::string title;
    std::string text;
    MessageIcon icon = MessageIcon::Exclamation;
    bool answer = false;
    DefaultButton enter = DefaultButton::GoAhead;  // the button Enter presses
  };

  void Show(const std::string& title, const std::string& text, MessageIcon icon) override {
    entries.push_back({Kind::Message, title, text, icon, true});
  }
  bool AskOkCancel(const std::string& title, const std::string& text, MessageIcon icon,
                   DefaultButton enter = DefaultButton::GoAhead) override {
    return Ask(Kind::OkCancel, title, text, icon, enter);
  }
  bool AskYesNo(const std::string& title, const std::string& text, MessageIcon icon,
                DefaultButton enter = DefaultButton::GoAhead) override {
    return Ask(Kind::YesNo, title, text, icon, enter);
  }
  // Answered from AnswerThreeWays' script; when it is empty, from Answer's
  // (true is Yes, false is No); Yes when both are empty.
  verdin::Answer AskYesNoCancel(const std::string& title, const std::string& text, MessageIcon icon) override {
    verdin::Answer answer = verdin::Answer::Yes;
    if (!threeWayAnswers_.empty()) {
      answer = threeWayAnswers_.front();
      threeWayAnswers_.pop_front();
    } else if (!answers_.empty()) {
      answer = answers_.front() ? verdin::Answer::Yes : verdin::Answer::No;
      answers_.pop_front();
    }
    entries.push_back({Kind::YesNoCancel, title, text, icon, answer == verdin::Answer::Yes});
    return answer;
  }
  void Beep() override { entries.push_back({Kind::Beep, {}, {}, MessageIcon::Information, false}); }

  // Answers for the coming questions, in order.
  void Answer(bool answer) { answers_.push_back(answer); }
  void AnswerThreeWays(verdin::Answer answer) { threeWayAnswers_.push_back(answer); }

  // The messages shown (not the questions or beeps).
  std::vector<Entry> Shown() const { return Only(Kind::Message); }
  std::vector<Entry> Questions() const {
    std::vector<Entry> result;
    for (const auto& entry : entries) {
      if (entry.kind == Kind::OkCancel || entry.kind == Kind::YesNo || entry.kind == Kind::YesNoCancel) {
        result.push_back(entry);
      }
    }
    return result;
  }
  int Beeps() const { return static_cast<int>(Only(Kind::Beep).size()); }
  void Clear() { entries.clear(); }

  std::vector<Entry> entries;

 private:
  bool Ask(Kind kind, const std::string& title, const std::string& text, MessageIcon icon, DefaultButton enter) {
    bool answer = true;
    if (!answers_.empty()) {
      answer = answers_.front();
      answers_.pop_front();
    }
    entries.push_back({kind, title, text, icon, answer, enter});
    return answer;
  }
  std::vector<Entry> Only(Kind kind) const {
    std::vector<Entry> result;
    for (const auto& entry : entries) {
      if (entry.kind == kind) result.push_back(entry);
    }
    return result;
  }

  std::deque<bool> answers_;
  std::deque<verdin::Answer> threeWayAnswers_;
};

}  // namespace verdin
