#pragma once
// The main window in the Win32 API: a native control for every control of a
// TForm1, placed, captioned and styled from its models (positions and font
// heights scaled from 96 dpi to the screen's). Every event goes to TForm1's
// handler through TForm1::RunEvent (error box, one operation at a time);
// the handlers change the models, and the window brings its controls up to
// date after each handler and whenever the running operation processes
// messages.
#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/TForm1.h"
#include "ui/win32/GaugeView.h"
#include "ui/win32/GridView.h"
#include "ui/win32/ShapeView.h"

namespace jc::app::win32 {

class MainWindow {
 public:
  // dpi 0: the screen's.
  explicit MainWindow(TForm1& form, int dpi = 0);
  ~MainWindow();
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  HWND hwnd() const { return hwnd_; }
  TForm1& form() { return form_; }
  int dpi() const { return dpi_; }

  // Runs one handler through TForm1::RunEvent, then refreshes the controls;
  // a close asked for while it ran happens now. False: it was not run (an
  // operation is running).
  bool Dispatch(const std::function<void()>& handler);

  // Brings every control up to date with its model.
  void SyncFromModel();

  // Shows the window with its frame centred on the screen's work area.
  void ShowCentred();

  // The window's own handling of a message before it is dispatched: the
  // technician's shortcut and moving between controls with Tab. True when
  // the message was taken.
  bool PreTranslate(MSG& msg);

  // Runs the message loop until the window is gone; the status the loop
  // ended with.
  int RunMessageLoop();
  // End the message loop when the window is destroyed (the program's
  // window; tests leave it off).
  void SetQuitOnDestroy(bool quit) { quitOnDestroy_ = quit; }

  // A control by its model's name (nullptr: none).
  HWND Control(const std::string& name) const;
  ui::win32::GridView* gridMain() const { return gridMain_.get(); }
  ui::win32::GridView* gridSub() const { return gridSub_.get(); }
  ui::win32::GridView* gridJournal() const { return gridJournal_.get(); }
  ui::win32::GaugeView* gauge() const { return gauge_.get(); }

  // The client area the models ask for, in pixels at this window's dpi.
  SIZE WantedClientSize() const;

 private:
  struct Binding {
    ui::TControl* model;
    HWND hwnd;
    std::function<void()> sync;  // the kind's own state (text, items...)
  };
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  static LRESULT CALLBACK InputEditProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp);
  void OnCommand(int id, int code, HWND control);
  bool OnNotify(NMHDR& hdr, LRESULT& result);
  void OnClose();
  LRESULT OnControlColour(HDC dc, HWND control);

  HWND Create(const wchar_t* cls, ui::TControl& model, DWORD style, DWORD exStyle = 0);
  void Bind(ui::TControl& model, HWND hwnd, std::function<void()> sync = {});
  void AddButton(ui::TButton& model, void (TForm1::*handler)());
  HWND AddLabel(ui::TLabel& model);
  HWND AddEdit(ui::TEdit& model, int enterKeyHandler);
  void AddGrids();
  void AddJournalControls();
  void SetTabOrder();
  SIZE FrameSizeFor(SIZE client) const;
  int S(int px) const;

  TForm1& form_;
  int dpi_;
  HWND hwnd_ = nullptr;
  std::vector<Binding> bindings_;
  std::map<int, std::function<void()>> clicks_;  // button id -> its handler
  std::map<HWND, WNDPROC> editProcs_;
  std::map<COLORREF, HBRUSH> brushes_;
  std::unique_ptr<ui::win32::GridView> gridMain_, gridSub_, gridJournal_;
  std::unique_ptr<ui::win32::GaugeView> gauge_;
  std::vector<std::unique_ptr<ui::win32::ShapeView>> shapes_;
  HWND status_ = nullptr;
  bool closed_ = false;
  bool quitOnDestroy_ = false;
  bool syncing_ = false;
  bool resizing_ = false;  // a size change the models asked for
};

}  // namespace jc::app::win32
