#pragma once
// What an operation may ask of the window around it, apart from the models:
// let pending window messages run, pause, and show the two kinds of box.
// The window gives the real one; the command line prints; tests record.
#include <stdexcept>
#include <string>

namespace jc {

// Thrown by ProcessMessages when the user asked the running operation to
// stop (Ctrl+C on the command line). Operations let it pass like a lost
// connection: each statement before it took effect whole, and the next run
// of the operation continues from what is left. what() says where it stopped.
class OperationCancelled : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class Shell {
 public:
  virtual ~Shell() = default;
  // Handles every window message already queued (painting, input) and returns.
  // Operations call it between statements; it may throw OperationCancelled.
  virtual void ProcessMessages() = 0;
  // Pauses the calling operation for ms milliseconds; no messages are handled meanwhile.
  virtual void Sleep(int ms) = 0;
  // Modal information box: one text and an OK button.
  virtual void ShowMessage(const std::string& text) = 0;
  // Modal error box: stop icon, OK button, the executable's name as title.
  // The text is shown as given (see FormatErrorText for the full-stop rule).
  virtual void ShowError(const std::string& text) = 0;
  // Modal question box with Yes and No, No the default (Enter and Escape
  // answer No): true only for an explicit Yes. Asked before a change that
  // cannot be undone.
  virtual bool Confirm(const std::string& text) = 0;
};

// The text the error box shows for an error message: a full stop is appended
// unless the message's last character has a code at most that of '.'.
std::string FormatErrorText(const std::string& message);

}  // namespace jc
