#pragma once
// The shell of the command line: boxes become lines on stderr ("message: ",
// "error: "), pauses really pause, and progress is shown on stderr: on a
// terminal as one bar redrawn in place (the status line's text, the count
// done and total, the time remaining), otherwise as a "progress: " line every
// few seconds so that a log shows the job is alive.
//
// Ctrl+C asks the running operation to stop: the signal only sets a flag, and
// the next message processing (which every operation does between its
// statements) throws OperationCancelled, saying where it stopped.
#include <chrono>
#include <functional>
#include <istream>
#include <ostream>
#include <string>

#include "common/Shell.h"
#include "ui/Gauge.h"

namespace jc::app {

class ConsoleShell : public Shell {
 public:
  enum class Progress { None, Bar, Lines };
  using SteadyClock = std::function<std::chrono::steady_clock::time_point()>;
  // Seconds between two "progress: " lines.
  static constexpr int kLineIntervalSeconds = 5;

  ConsoleShell(std::ostream& err, Progress progress, SteadyClock clock = std::chrono::steady_clock::now);
  ~ConsoleShell() override;

  // The gauge and the status line's text to show while messages are
  // processed (either may stay unset).
  void WatchGauge(const ui::Gauge* gauge) { gauge_ = gauge; }
  void WatchStatus(const std::string* text) { status_ = text; }

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
  // Ends a drawn progress bar so that what follows starts on its own line.
  void EndProgress();

  // Ctrl+C: the first one sets the stop request (a second one ends the
  // process as usual, for a statement that does not come back).
  static void InstallInterruptHandler();
  // What the signal handler does; also for tests.
  static void RequestStop();
  static bool StopRequested();
  static void ClearStopRequest();
  bool Stopped() const { return stopped_; }

  // The progress text: status text, done/total, time remaining when known.
  static std::string ProgressText(const std::string& status, int done, int total, int secondsLeft);

 private:
  void Draw(std::chrono::steady_clock::time_point now);
  int SecondsLeft(std::chrono::steady_clock::time_point now) const;

  std::ostream& err_;
  Progress progress_;
  SteadyClock clock_;
  const ui::Gauge* gauge_ = nullptr;
  const std::string* status_ = nullptr;
  bool drawn_ = false;
  std::string lastDrawn_;
  bool started_ = false;
  std::chrono::steady_clock::time_point lastLine_{};
  // The gauge's current run: when it began (at its minimum) and its range.
  std::chrono::steady_clock::time_point runStart_{};
  int runMin_ = 0, runMax_ = -1, lastProgress_ = -1;
  bool errorShown_ = false;
  bool confirmed_ = false;
  std::istream* terminal_ = nullptr;
  bool stopped_ = false;
};

}  // namespace jc::app
