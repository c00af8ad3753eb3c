#pragma once
// The main window's state as plain data: every control with its layout and
// start state, the two grids, the gauge, the status line and the fields the
// operations share. The window (app/TForm1) owns one; views draw it.
#include <string>
#include <vector>

#include "ui/Controls.h"
#include "ui/Gauge.h"
#include "ui/RestorePairList.h"
#include "ui/ResultGrid.h"

namespace jc::ui {

struct FormModel {
  FormModel();  // the layout and start state of every control

  // The technician's view: the client area widened to show every control at
  // its given position, the hidden controls shown, and the mapping build and
  // its verification enabled. Everything else (handlers, the enabling of the
  // encryption run by a clean verification, texts) stays as it is.
  void EnterTechnicianView();
  bool TechnicianView = false;
  // Every control of the window, for views and checks that go through all.
  std::vector<TControl*> AllControls();

  std::string Caption;
  int ClientWidth = 463;
  int ClientHeight = 614;

  // Visible controls.
  TComboBox Combo_Year;
  TButton Btn_De_Custom;
  TStatusLabel LB_Msg;  // the status line; its text is LB_Msg.caption
  ResultGrid Grid_Main;
  ResultGrid Grid_Sub;
  Gauge Gauge1;
  TControl Gauge1Layout;   // geometry of the gauge
  TControl Grid_MainLayout;
  TControl Grid_SubLayout;
  // Font of the data cells of both grids.
  FontSpec GridFont;
  TShape Shape1, Shape2;
  TLabel Label1, Label2;
  TEdit Edit_En_Jumin, Edit_Encrypt, Edit_De_Jumin, Edit_Decrypt;

  // Hidden or off-screen controls.
  TButton Btn_Check, Btn_Mapping, Btn_Encrypt, Btn_DeTest;
  TButton Btn_De_Test, Btn_De_Bun, Btn_Restore, Button1;
  TCheckBox Chk_Day;
  TDateTimePicker Dtp_Start, Dtp_End;
  TLabel Label3, Label4;

  // Shown in the technician's view only, right of the other controls: the
  // last operations of the change journal (column 4, zero width, holds the
  // operation's id) and the button that undoes the one selected.
  ResultGrid Grid_Journal;
  TControl Grid_JournalLayout;
  TButton Btn_Undo;
  TButton Btn_Cleanup;  // drops the work tables that hold plain numbers

  // Shared fields of the window.
  std::string ServerHost;
  std::string RestoreKind;
  // The pairs the restore acts on: those of the last dispensing audit, kept
  // while Grid_Sub still shows them (emptied by every operation that
  // replaces Grid_Sub, together with disabling Btn_Restore).
  RestorePairList RestorePairs;
  bool CustomerMode = false;
};

}  // namespace jc::ui
