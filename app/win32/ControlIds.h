#pragma once
// The child-window id of every control of the Win32 window, by the control's
// name: what finds a control again through the Win32 API (GetDlgItem), from
// this process or another one.
#include <string_view>

namespace jc::app::win32 {

inline constexpr std::string_view kControlNames[] = {
    "Combo_Year",   "Btn_De_Custom", "Gauge1",      "LB_Msg",        "Grid_Main",    "Grid_Sub",
    "Shape1",       "Label1",        "Edit_En_Jumin", "Edit_Encrypt", "Shape2",       "Label2",
    "Edit_De_Jumin", "Edit_Decrypt", "Btn_Check",   "Btn_Mapping",   "Btn_Encrypt",  "Btn_DeTest",
    "Btn_De_Test",  "Btn_De_Bun",    "Btn_Restore", "Button1",       "Chk_Day",      "Dtp_Start",
    "Label3",       "Dtp_End",       "Label4",      "Grid_Journal",  "Btn_Undo",     "Btn_Cleanup"};

inline constexpr int kFirstControlId = 100;

// The id of a control; -1 for a name that is no control of the window.
constexpr int ControlId(std::string_view name) {
  int i = 0;
  for (std::string_view n : kControlNames) {
    if (n == name) return kFirstControlId + i;
    ++i;
  }
  return -1;
}

}  // namespace jc::app::win32
