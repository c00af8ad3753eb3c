#pragma once
// The window's shell: message processing through Qt's event loop, a real
// sleep, and the two modal boxes titled with the executable's name.
#include <functional>
#include <string>

#include <QString>

#include "common/Shell.h"

class QWidget;

namespace jc::app::qt {

class QtShell : public Shell {
 public:
  void ProcessMessages() override;
  void Sleep(int ms) override;
  void ShowMessage(const std::string& text) override;
  void ShowError(const std::string& text) override;
  bool Confirm(const std::string& text) override;

  // Runs at the start of every ProcessMessages: the window brings its
  // widgets up to date with the models before the queued paints run.
  void SetBeforeProcessing(std::function<void()> refresh) { refresh_ = std::move(refresh); }
  // The window the boxes are modal to (none before it exists).
  void SetBoxParent(QWidget* parent) { parent_ = parent; }
  // The window was closed while an operation runs: the next message
  // processing (the operation's next safe point between statements) throws
  // OperationCancelled with the text `describe` gives then.
  void RequestStop(std::function<std::string()> describe) { stop_ = std::move(describe); }

  // The executable's file name without its extension.
  static QString BoxTitle();

 private:
  std::function<void()> refresh_;
  QWidget* parent_ = nullptr;
  std::function<std::string()> stop_;
};

}  // namespace jc::app::qt
