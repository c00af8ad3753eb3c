#pragma once
// The Win32 window's shell: message processing through PeekMessage, a real
// sleep, and the modal boxes (MessageBoxW) titled with the executable's
// name, owned by the window once it shows.
#include <windows.h>

#include <functional>
#include <string>

#include "common/Shell.h"

namespace jc::app::win32 {

class Win32Shell : public Shell {
 public:
  void ProcessMessages() override;
  void Sleep(int ms) override;
  void ShowMessage(const std::string& text) override;
  void ShowError(const std::string& text) override;
  // Yes and No, No the default: Enter and Escape answer No.
  bool Confirm(const std::string& text) override;

  // Runs at the start of every ProcessMessages and before a box shows: the
  // window brings its controls up to date with the models.
  void SetBeforeProcessing(std::function<void()> refresh) { refresh_ = std::move(refresh); }
  // The window's own handling of a message before it is dispatched (Tab
  // between controls, its shortcut); true when it took the message.
  void SetPreTranslate(std::function<bool(MSG&)> pre) { pre_ = std::move(pre); }
  // The window the boxes are modal to (none before it exists).
  void SetBoxOwner(HWND owner) { owner_ = owner; }
  // The window was closed while an operation runs: the next message
  // processing (the operation's next safe point between statements) throws
  // OperationCancelled with the text `describe` gives then.
  void RequestStop(std::function<std::string()> describe) { stop_ = std::move(describe); }

  // Handles one message as the window's loops do: the window's own handling
  // first, then translation and dispatch.
  void Handle(MSG& msg);

  // The executable's file name without its extension.
  static std::wstring BoxTitle();
  // The box's type flags for an icon and buttons: owned by the window when it
  // shows, else modal to every window of the thread.
  UINT BoxFlags(UINT kind) const;
  HWND BoxOwner() const;

 private:
  int Box(const std::string& text, UINT kind);

  std::function<void()> refresh_;
  std::function<bool(MSG&)> pre_;
  HWND owner_ = nullptr;
  std::function<std::string()> stop_;
};

}  // namespace jc::app::win32
