#include "app/ConsoleShell.h"

#include <chrono>
#include <string>
#include <thread>

namespace jc::app {

ConsoleShell::ConsoleShell(std::ostream& err, bool drawProgress)
    : err_(err), drawProgress_(drawProgress) {}

ConsoleShell::~ConsoleShell() { EndProgress(); }

void ConsoleShell::ProcessMessages() {
  if (!drawProgress_ || gauge_ == nullptr) return;
  const int percent = gauge_->PercentDone();
  if (percent == drawnPercent_) return;
  drawnPercent_ = percent;
  constexpr int kWidth = 40;
  const int filled = percent * kWidth / 100;
  err_ << '\r' << '[' << std::string(filled, '#') << std::string(kWidth - filled, ' ') << "] "
       << gauge_->Text() << std::flush;
}

void ConsoleShell::EndProgress() {
  if (drawnPercent_ >= 0) {
    err_ << '\n' << std::flush;
    drawnPercent_ = -1;
  }
}

void ConsoleShell::Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

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
  err_ << "Type yes to go on: " << std::flush;
  std::string answer;
  return std::getline(*terminal_, answer) && answer == "yes";
}

void ConsoleShell::ShowError(const std::string& text) {
  EndProgress();
  errorShown_ = true;
  PrintBox(err_, "error: ", text);
}

}  // namespace jc::app
