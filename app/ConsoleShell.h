#pragma once
// The shell of the command line: boxes become lines on stderr ("message: ",
// "error: "), pauses really pause, and the gauge is drawn on stderr only
// when stderr is a terminal.
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

  bool ErrorShown() const { return errorShown_; }
  // Ends a drawn progress line so that what follows starts on its own line.
  void EndProgress();

 private:
  std::ostream& err_;
  bool drawProgress_;
  const ui::Gauge* gauge_ = nullptr;
  int drawnPercent_ = -1;
  bool errorShown_ = false;
};

}  // namespace jc::app
