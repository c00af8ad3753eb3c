#include "ui/FormModel.h"

#include <algorithm>

namespace jc::ui {

namespace {

constexpr const char* kMalgun = "맑은 고딕";

FontSpec WindowFont() { return FontSpec{}; }

FontSpec Font(const char* name, int height, bool bold = false, Color color = 0) {
  FontSpec f;
  f.name = name;
  f.height = height;
  f.bold = bold;
  f.color = color;
  return f;
}

template <typename T>
void Place(T& c, const char* name, int left, int top, int width, int height, int tabOrder = -1) {
  c.name = name;
  c.left = left;
  c.top = top;
  c.width = width;
  c.height = height;
  c.tabOrder = tabOrder;
  c.font = WindowFont();
}

GridColumn Col(const char* header, int width, Align align = Align::Center) {
  GridColumn c;
  c.header = header;
  c.width = width;
  c.align = align;
  c.headerAlign = align;
  return c;
}

// Columns 0 to 3 carry their header in the window's Korean font.
std::vector<GridColumn> WithHeaderFonts(std::vector<GridColumn> cols) {
  for (std::size_t i = 0; i < cols.size() && i < 4; ++i) {
    cols[i].headerFont = kMalgun;
    cols[i].headerFontHeight = 12;
  }
  return cols;
}

std::vector<GridColumn> MainColumns() {
  return WithHeaderFonts({Col("SEQ", 0), Col("이름", 90), Col("주민번호", 125),
                          Col("암호화해제 주민번호", 125), Col("조제년도", 85),
                          Col("고객코드", 0)});
}

std::vector<GridColumn> JournalColumns() {
  return {Col("작업", 60), Col("시각", 140), Col("사용자", 80), Col("기록", 50), Col("ID", 0)};
}

std::vector<GridColumn> SubColumns() {
  return WithHeaderFonts({Col("SEQ", 0), Col("이름", 90), Col("주민번호", 125),
                          Col("암호화해제 주민번호", 125), Col("고객등록일", 85),
                          Col("고객코드", 0), Col("TEMPNUM", 0, Align::Left)});
}

void EditBox(TEdit& e, const char* name, int top, int tabOrder) {
  Place(e, name, 98, top, 355, 21, tabOrder);
  e.font = Font(kMalgun, 12);
  e.align = Align::Center;
}

void FrameLabel(TLabel& l, const char* name, int top, const char* caption) {
  Place(l, name, 12, top, 80, 16);
  l.caption = caption;
  l.font = Font(kMalgun, 12, false, kClRed);
  l.align = Align::Center;
}

void Button(TButton& b, const char* name, int left, int top, int width, int height,
            const char* caption, int tabOrder, bool visible, bool enabled) {
  Place(b, name, left, top, width, height, tabOrder);
  b.caption = caption;
  b.visible = visible;
  b.enabled = enabled;
}

}  // namespace

FormModel::FormModel()
    : Caption("소득공제 주민번호 검증(ver 1.0)"),
      Grid_Main(MainColumns(), 2),
      Grid_Sub(SubColumns(), 2),
      Grid_Journal(JournalColumns(), 2) {
  // Visible controls.
  Place(Combo_Year, "Combo_Year", 8, 10, 104, 21, 18);
  Button(Btn_De_Custom, "Btn_De_Custom", 346, 7, 109, 25, "고객 복호화검증", 15, true, true);
  Place(Gauge1Layout, "Gauge1", 8, 39, 446, 22);
  Place(LB_Msg, "LB_Msg", 8, 69, 444, 15);
  // The design-time caption; start-up clears it before the window shows.
  LB_Msg.caption = "매핑테이블 생성에 필요한 자료를 수집중입니다....";
  LB_Msg.font = Font(kMalgun, 12, false, kClRed);
  LB_Msg.align = Align::Right;
  Place(Grid_MainLayout, "Grid_Main", 8, 94, 446, 202, 1);
  Place(Grid_SubLayout, "Grid_Sub", 8, 303, 446, 202, 6);
  GridFont = WindowFont();
  Place(Shape1, "Shape1", 8, 511, 87, 45);
  Shape1.penColor = kClSilver;
  FrameLabel(Label1, "Label1", 524, "암 호 화");
  EditBox(Edit_En_Jumin, "Edit_En_Jumin", 511, 10);
  EditBox(Edit_Encrypt, "Edit_Encrypt", 535, 11);
  Place(Shape2, "Shape2", 8, 562, 87, 45);
  Shape2.penColor = kClSilver;
  FrameLabel(Label2, "Label2", 576, "복 호 화");
  EditBox(Edit_De_Jumin, "Edit_De_Jumin", 562, 13);
  EditBox(Edit_Decrypt, "Edit_Decrypt", 586, 12);

  // Beyond the right edge of the client area (the window cannot be widened),
  // disabled; nothing enables the first three.
  Button(Btn_Check, "Btn_Check", 709, 437, 76, 24, "검증 시작", 0, true, false);
  Button(Btn_Mapping, "Btn_Mapping", 543, 462, 111, 24, "매핑테이블 만들기", 2, true, false);
  Button(Btn_Encrypt, "Btn_Encrypt", 730, 481, 71, 24, "암호화진행", 3, true, false);
  // Hidden.
  Button(Btn_DeTest, "Btn_DeTest", 555, 413, 110, 24, "복호화 검증 테스트", 4, false, false);
  Button(Btn_De_Test, "Btn_De_Test", 528, 150, 126, 25, "조제내역 복호화검증", 5, false, true);
  Button(Btn_De_Bun, "Btn_De_Bun", 528, 198, 126, 25, "분업예외 복호화검증", 17, false, true);
  Button(Btn_Restore, "Btn_Restore", 541, 238, 102, 25, "주민번호 복구", 14, false, false);
  Button(Button1, "Button1", 531, 286, 112, 25, "정상데이터 확인", 16, false, true);
  Place(Chk_Day, "Chk_Day", 555, 358, 16, 25, 9);
  Chk_Day.caption = "Chk_Day";
  Chk_Day.visible = false;
  Chk_Day.checked = false;
  Place(Dtp_Start, "Dtp_Start", 576, 359, 105, 23, 7);
  Dtp_Start.visible = false;
  Place(Label3, "Label3", 690, 359, 12, 21);
  Label3.caption = "~";
  Label3.font = Font(kMalgun, 16, true);
  Label3.visible = false;
  Place(Dtp_End, "Dtp_End", 709, 359, 105, 23, 8);
  Dtp_End.visible = false;
  Place(Label4, "Label4", 8, 75, 31, 13);
  Label4.caption = "Label4";
  Label4.visible = false;

  // The technician's view only.
  Place(Grid_JournalLayout, "Grid_Journal", 830, 94, 352, 411);
  Grid_JournalLayout.visible = false;
  Button(Btn_Undo, "Btn_Undo", 830, 511, 100, 25, "되돌리기", -1, false, true);
  Button(Btn_Cleanup, "Btn_Cleanup", 1042, 511, 140, 25, "작업 테이블 지우기", -1, false, true);
}

std::vector<TControl*> FormModel::AllControls() {
  return {&Combo_Year, &Btn_De_Custom, &LB_Msg, &Gauge1Layout, &Grid_MainLayout, &Grid_SubLayout,
          &Shape1,     &Shape2,        &Label1, &Label2,       &Edit_En_Jumin,   &Edit_Encrypt,
          &Edit_De_Jumin, &Edit_Decrypt, &Btn_Check, &Btn_Mapping, &Btn_Encrypt, &Btn_DeTest,
          &Btn_De_Test, &Btn_De_Bun,    &Btn_Restore, &Button1,  &Chk_Day,        &Dtp_Start,
          &Dtp_End,    &Label3,        &Label4};
}

void FormModel::EnterTechnicianView() {
  if (TechnicianView) return;
  TechnicianView = true;
  // The controls keep their positions; the area grows to the right edge of
  // the farthest one, with the left margin on that side too.
  constexpr int kMargin = 8;
  int right = ClientWidth;
  for (TControl* c : AllControls()) {
    c->visible = true;
    right = std::max(right, c->left + c->width + kMargin);
  }
  for (TControl* c : {static_cast<TControl*>(&Grid_JournalLayout), static_cast<TControl*>(&Btn_Undo),
                      static_cast<TControl*>(&Btn_Cleanup)}) {
    c->visible = true;
    right = std::max(right, c->left + c->width + kMargin);
  }
  ClientWidth = right;
  Btn_Mapping.enabled = true;
  Btn_Check.enabled = true;
}

}  // namespace jc::ui
