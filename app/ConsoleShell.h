#pragma once
// The shell of the command line: boxes become lines on stderr ("message: ",
// "error: "), pauses really pause, and the gauge is drawn on stderr only
// when stderr is a terminal.
#include <istream>
#include <ostream>

#include "ui/Gauge.h"
#include "common/Shell.h"

namespace jc::app {

class ConsoleShell : public Shell {
 public:
  explicit ConsoleShell(std::ostream& err, bool drawProgress);
  ~ConsoleShell() override;

  // The gauge to draw while messages are processed (may stay unset).
  void WatchGauge(const ui::Gauge* gauge) { gauge_ = gauge; }

  void ProcessMessages() override;
  void Sleep(int ms) override;
  void ShowMessage(const std::string& text) override;
  void ShowError(const std::string& text) override;
  // The question is printed as "confirm: " lines. Answered Yes when the
  // command was given --yes (SetConfirmed); otherwise, with a terminal to
  // ask on (SetTerminal), the operator types yes; without one, No.
  bool Confirm(const std::string& text) override;
  void SetConfirmed(bool confirmed) { confirmed_ = confirmed; }
  void SetTerminal(std::istream* in) { terminal_ = in; }

  bool ErrorShown() const { return errorShown_; }
  // Ends a drawn progress line so that what follows starts on its own line.
  void EndProgress();

 private:
  std::ostream& err_;
  bool drawProgress_;
  const ui::Gauge* gauge_ = nullptr;
  int drawnPercent_ = -1;
  bool errorShown_ = false;
  bool confirmed_ = false;
  std::istream* terminal_ = nullptr;
};

}  // namespace jc::app
