#pragma once
// A shell that records what an operation asked of the window instead of
// doing it: message processing, pauses (never slept), boxes.
#include <functional>
#include <string>
#include <vector>

#include "common/Shell.h"

namespace jc::test {

class FakeShell : public Shell {
 public:
  void ProcessMessages() override {
    ++processed;
    if (onProcessMessages) onProcessMessages();
  }
  void Sleep(int ms) override { sleeps.push_back(ms); }
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  void ShowError(const std::string& text) override { errors.push_back(text); }
  bool Confirm(const std::string& text) override {
    questions.push_back(text);
    return answer;
  }

  int processed = 0;
  std::vector<int> sleeps;
  std::vector<std::string> messages;
  std::vector<std::string> errors;
  std::vector<std::string> questions;
  bool answer = true;  // what every question is answered
  // Runs inside ProcessMessages: lets a test deliver an event mid-loop.
  std::function<void()> onProcessMessages;
};

}  // namespace jc::test
