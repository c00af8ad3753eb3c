#include "app/ConsoleShell.h"

#include "app/Cli.h"

#include <csignal>
#include <string>
#include <thread>

namespace jc::app {

namespace {

volatile std::sig_atomic_t stopRequested = 0;

extern "C" void OnInterrupt(int) {
  stopRequested = 1;
  // A second Ctrl+C ends the process, as it would without this handler.
  std::signal(SIGINT, SIG_DFL);
}

std::string Clock(int seconds) {
  const int minutes = seconds / 60, rest = seconds % 60;
  return std::to_string(minutes) + ":" + (rest < 10 ? "0" : "") + std::to_string(rest);
}

}  // namespace

ConsoleShell::ConsoleShell(std::ostream& err, Progress progress, SteadyClock clock)
    : err_(err), progress_(progress), clock_(std::move(clock)) {}

ConsoleShell::~ConsoleShell() { EndProgress(); }

void ConsoleShell::InstallInterruptHandler() { std::signal(SIGINT, OnInterrupt); }
void ConsoleShell::RequestStop() { stopRequested = 1; }
bool ConsoleShell::StopRequested() { return stopRequested != 0; }
void ConsoleShell::ClearStopRequest() { stopRequested = 0; }

std::string ConsoleShell::ProgressText(const std::string& status, int done, int total, int secondsLeft) {
  std::string text = status;
  if (!text.empty()) text += "  ";
  text += std::to_string(done) + "/" + std::to_string(total);
  if (secondsLeft >= 0) text += ", about " + Clock(secondsLeft) + " left";
  return text;
}

int ConsoleShell::SecondsLeft(std::chrono::steady_clock::time_point now) const {
  if (!gauge_) return -1;
  const int done = gauge_->Progress() - gauge_->MinValue();
  const int left = gauge_->MaxValue() - gauge_->Progress();
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(now - runStart_).count();
  if (done <= 0 || elapsed < 1000) return -1;
  return static_cast<int>(elapsed * left / done / 1000);
}

void ConsoleShell::ProcessMessages() {
  if (StopRequested()) {
    ClearStopRequest();
    stopped_ = true;
    std::string where = status_ && !status_->empty() ? *status_ : std::string("the operation");
    if (gauge_)
      where += " (" + std::to_string(gauge_->Progress() - gauge_->MinValue()) + "/" +
               std::to_string(gauge_->MaxValue() - gauge_->MinValue()) + " done)";
    EndProgress();
    throw OperationCancelled("Stopped by Ctrl+C at " + where +
                             ". What was done before stays done; run the command again to continue.");
  }
  if (progress_ == Progress::None || gauge_ == nullptr) return;
  const auto now = clock_();
  // A gauge that went back to its minimum, or got another range, began a new run.
  if (gauge_->MaxValue() != runMax_ || gauge_->MinValue() != runMin_ ||
      gauge_->Progress() < lastProgress_ || !started_) {
    runStart_ = now;
    runMin_ = gauge_->MinValue();
    runMax_ = gauge_->MaxValue();
    if (!started_) lastLine_ = now;
    started_ = true;
  }
  lastProgress_ = gauge_->Progress();
  Draw(now);
}

void ConsoleShell::Draw(std::chrono::steady_clock::time_point now) {
  const std::string status = status_ ? *status_ : std::string();
  const int total = gauge_->MaxValue() - gauge_->MinValue();
  const int done = gauge_->Progress() - gauge_->MinValue();
  if (progress_ == Progress::Lines) {
    if (now - lastLine_ < std::chrono::seconds(kLineIntervalSeconds)) return;
    lastLine_ = now;
    err_ << "progress: " << ProgressText(status, done, total, SecondsLeft(now)) << '\n' << std::flush;
    return;
  }
  // The bar: redrawn when what it shows changes (the time left only once a second).
  const std::string text = ProgressText(status, done, total, SecondsLeft(now));
  if (drawn_ && text == lastDrawn_) return;
  lastDrawn_ = text;
  drawn_ = true;
  constexpr int kWidth = 30;
  const int filled = gauge_->PercentDone() * kWidth / 100;
  err_ << '\r' << '[' << std::string(filled, '#') << std::string(kWidth - filled, ' ') << "] "
       << gauge_->Text() << "  " << text << "\x1b[K" << std::flush;
}

void ConsoleShell::EndProgress() {
  if (drawn_) {
    err_ << '\n' << std::flush;
    drawn_ = false;
    lastDrawn_.clear();
  }
}

void ConsoleShell::Sleep(int ms) {
  // In slices, so that Ctrl+C during a pause is noticed when it ends early.
  constexpr int kSlice = 100;
  for (int left = ms; left > 0 && !StopRequested(); left -= kSlice)
    std::this_thread::sleep_for(std::chrono::milliseconds(left < kSlice ? left : kSlice));
}

namespace {
// Every line of a box's text becomes one line with the box's prefix.
void PrintBox(std::ostream& out, const char* prefix, const std::string& text) {
  std::size_t start = 0;
  while (true) {
    std::size_t end = text.find('\n', start);
    std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    out << prefix << line << '\n';
    if (end == std::string::npos) break;
    start = end + 1;
  }
  out << std::flush;
}
}  // namespace

void ConsoleShell::ShowMessage(const std::string& text) {
  EndProgress();
  PrintBox(err_, "message: ", text);
}

bool ConsoleShell::Confirm(const std::string& text) {
  EndProgress();
  PrintBox(err_, "confirm: ", text);
  if (confirmed_) {
    err_ << "confirm: yes (--yes)\n" << std::flush;
    return true;
  }
  if (!terminal_) {
    err_ << "confirm: no (no terminal to ask on; give --yes)\n" << std::flush;
    return false;
  }
  err_ << (KoreanMessages() ? "계속하려면 yes를 입력하세요: " : "Type yes to go on: ") << std::flush;
  std::string answer;
  return std::getline(*terminal_, answer) && answer == "yes";
}

void ConsoleShell::ShowError(const std::string& text) {
  EndProgress();
  errorShown_ = true;
  PrintBox(err_, "error: ", text);
}

}  // namespace jc::app
