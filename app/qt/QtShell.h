#pragma once
// The window's shell: message processing through Qt's event loop, a real
// sleep, and the two modal boxes titled with the executable's name.
#include <functional>

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

  // The executable's file name without its extension.
  static QString BoxTitle();

 private:
  std::function<void()> refresh_;
  QWidget* parent_ = nullptr;
};

}  // namespace jc::app::qt
