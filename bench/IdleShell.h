#pragma once
// The shell the window hands the operations, for benchmarks that call an
// operation directly: every pause is first the connection's idle moment (the
// embedded store checkpoints its WAL there), then goes to the shell beneath,
// which records it instead of sleeping. The checkpoint's time is part of the
// time measured; the pause is not.
#include <string>

#include "common/Shell.h"
#include "db/Connection.h"

namespace jc::bench {

class IdleShell : public jc::Shell {
 public:
  IdleShell(jc::Shell& inner, jc::db::TADOConnection& connection) : inner_(inner), connection_(connection) {}
  void ProcessMessages() override { inner_.ProcessMessages(); }
  void Sleep(int ms) override {
    connection_.Idle();
    inner_.Sleep(ms);
  }
  void ShowMessage(const std::string& text) override { inner_.ShowMessage(text); }
  void ShowError(const std::string& text) override { inner_.ShowError(text); }
  bool Confirm(const std::string& text) override { return inner_.Confirm(text); }

 private:
  jc::Shell& inner_;
  jc::db::TADOConnection& connection_;
};

}  // namespace jc::bench
