// The window as the operator first sees it: every control's place, caption,
// font, alignment and start state, the tab order, and the fixed size.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>

#include <memory>

#include "support/FakeShell.h"
#include "gui/GuiSupport.h"
#include "support/ModuleRootFolder.h"
#include "app/TForm1.h"
#include "app/qt/MainWindow.h"
#include "ui/qt/Fonts.h"
#include "ui/qt/GaugeWidget.h"
#include "ui/qt/GridView.h"

namespace jc::test {
namespace {

using app::qt::MainWindow;

// A window after start-up in an empty root: the module folder is missing, so
// start-up ends early, but every control is in its start state.
class WindowFixture : public testing::Test {
 protected:
  void SetUp() override {
    form = std::make_unique<app::TForm1>(shell, root.Paths(), [] { return ui::DateTime{2014, 5, 1}; });
    window = std::make_unique<MainWindow>(*form);
    window->Dispatch([this] { form->FormCreate(); });
  }
  void TearDown() override {
    window.reset();
    form.reset();
  }
  CurrentDirectoryGuard cwd;
  ModuleRootFolder root;
  FakeShell shell;
  std::unique_ptr<app::TForm1> form;
  std::unique_ptr<MainWindow> window;
};

enum class FontKind { Window, Malgun12, Malgun16Bold, None };

struct ControlCase {
  const char* name;
  int left, top, width, height;
  const char* text;  // caption or content; nullptr: not a text control
  FontKind font;
  Qt::Alignment align;  // 0: not checked
  bool shown;           // not hidden (it may still lie beyond the right edge)
  bool enabled;
  bool red;
};

constexpr Qt::Alignment kRight = Qt::AlignRight, kCenter = Qt::AlignHCenter, kAny = {};

const ControlCase kControls[] = {
    {"Combo_Year", 8, 10, 104, 21, "", FontKind::Window, kAny, true, true, false},
    {"Btn_De_Custom", 346, 7, 109, 25, "고객 복호화검증", FontKind::Window, kAny, true, true, false},
    {"Gauge1", 8, 39, 446, 22, nullptr, FontKind::Window, kAny, true, true, false},
    {"LB_Msg", 8, 69, 444, 15, "", FontKind::Malgun12, kRight, true, true, true},
    {"Grid_Main", 8, 94, 446, 202, nullptr, FontKind::Window, kAny, true, true, false},
    {"Grid_Sub", 8, 303, 446, 202, nullptr, FontKind::Window, kAny, true, true, false},
    {"Shape1", 8, 511, 87, 45, nullptr, FontKind::None, kAny, true, true, false},
    {"Label1", 12, 524, 80, 16, "암 호 화", FontKind::Malgun12, kCenter, true, true, true},
    {"Edit_En_Jumin", 98, 511, 355, 21, "", FontKind::Malgun12, kCenter, true, true, false},
    {"Edit_Encrypt", 98, 535, 355, 21, "", FontKind::Malgun12, kCenter, true, true, false},
    {"Shape2", 8, 562, 87, 45, nullptr, FontKind::None, kAny, true, true, false},
    {"Label2", 12, 576, 80, 16, "복 호 화", FontKind::Malgun12, kCenter, true, true, true},
    {"Edit_De_Jumin", 98, 562, 355, 21, "", FontKind::Malgun12, kCenter, true, true, false},
    {"Edit_Decrypt", 98, 586, 355, 21, "", FontKind::Malgun12, kCenter, true, true, false},
    {"Btn_Check", 709, 437, 76, 24, "검증 시작", FontKind::Window, kAny, true, false, false},
    {"Btn_Mapping", 543, 462, 111, 24, "매핑테이블 만들기", FontKind::Window, kAny, true, false, false},
    {"Btn_Encrypt", 730, 481, 71, 24, "암호화진행", FontKind::Window, kAny, true, false, false},
    {"Btn_DeTest", 555, 413, 110, 24, "복호화 검증 테스트", FontKind::Window, kAny, false, false, false},
    {"Btn_De_Test", 528, 150, 126, 25, "조제내역 복호화검증", FontKind::Window, kAny, false, true, false},
    {"Btn_De_Bun", 528, 198, 126, 25, "분업예외 복호화검증", FontKind::Window, kAny, false, true, false},
    {"Btn_Restore", 541, 238, 102, 25, "주민번호 복구", FontKind::Window, kAny, false, false, false},
    {"Button1", 531, 286, 112, 25, "정상데이터 확인", FontKind::Window, kAny, false, true, false},
    {"Chk_Day", 555, 358, 16, 25, "Chk_Day", FontKind::Window, kAny, false, true, false},
    {"Dtp_Start", 576, 359, 105, 23, nullptr, FontKind::Window, kAny, false, true, false},
    {"Label3", 690, 359, 12, 21, "~", FontKind::Malgun16Bold, kAny, false, true, false},
    {"Dtp_End", 709, 359, 105, 23, nullptr, FontKind::Window, kAny, false, true, false},
    {"Label4", 8, 75, 31, 13, "Label4", FontKind::Window, kAny, false, true, false},
};

QString TextOf(QWidget* w) {
  if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
  if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
  if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
  if (auto* c = qobject_cast<QComboBox*>(w)) return c->currentText();
  return "<no text>";
}

Qt::Alignment AlignmentOf(QWidget* w) {
  if (auto* l = qobject_cast<QLabel*>(w)) return l->alignment() & Qt::AlignHorizontal_Mask;
  if (auto* e = qobject_cast<QLineEdit*>(w)) return e->alignment() & Qt::AlignHorizontal_Mask;
  return {};
}

TEST_F(WindowFixture, EveryControlInItsPlaceAndStartState) {
  const QString windowFamily = ui::qt::ResolveFamily("Tahoma");
  const QString malgunFamily = ui::qt::ResolveFamily("맑은 고딕");
  for (const auto& c : kControls) {
    SCOPED_TRACE(c.name);
    QWidget* w = Control(window.get(), c.name);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->parentWidget(), window.get());
    EXPECT_EQ(w->geometry(), QRect(c.left, c.top, c.width, c.height));
    if (c.text) {
      EXPECT_EQ(TextOf(w).toStdString(), c.text);
    }
    EXPECT_EQ(!w->isHidden(), c.shown);
    EXPECT_EQ(w->isEnabled(), c.enabled);
    if (c.align) {
      EXPECT_EQ(AlignmentOf(w), c.align);
    }
    const QFont f = w->font();
    switch (c.font) {
      case FontKind::Window:
        EXPECT_EQ(f.family(), windowFamily);
        EXPECT_EQ(f.pixelSize(), 11);
        EXPECT_FALSE(f.bold());
        break;
      case FontKind::Malgun12:
        EXPECT_EQ(f.family(), malgunFamily);
        EXPECT_EQ(f.pixelSize(), 12);
        EXPECT_FALSE(f.bold());
        break;
      case FontKind::Malgun16Bold:
        EXPECT_EQ(f.family(), malgunFamily);
        EXPECT_EQ(f.pixelSize(), 16);
        EXPECT_TRUE(f.bold());
        break;
      case FontKind::None:
        break;
    }
    if (c.red) {
      EXPECT_EQ(w->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    }
  }
  // Nothing on the window that the table does not name (apart from parts of
  // the controls themselves).
  int named = 0;
  for (QObject* child : window->children())
    if (child->isWidgetType()) ++named;
  EXPECT_EQ(named, static_cast<int>(std::size(kControls)));
}

// The technician's view, from its shortcut and after a Yes: the window grows
// to show every control at its given place, hidden ones shown, the mapping
// build and its verification enabled; the rest keeps its state.
TEST_F(WindowFixture, TechnicianViewShowsEveryControlInItsPlaceAfterAYes) {
  auto* shortcut = window->findChild<QShortcut*>();
  ASSERT_NE(shortcut, nullptr);
  EXPECT_EQ(shortcut->key(), QKeySequence(QStringLiteral("Ctrl+Shift+T")));

  shell.answer = false;
  emit shortcut->activated();
  EXPECT_EQ(shell.questions, std::vector<std::string>{app::kTechnicianViewQuestion});
  EXPECT_FALSE(form->TechnicianView);
  EXPECT_EQ(window->size(), QSize(463, 614));
  EXPECT_TRUE(Control(window.get(), "Btn_Restore")->isHidden());

  shell.answer = true;
  emit shortcut->activated();
  ASSERT_TRUE(form->TechnicianView);
  EXPECT_EQ(window->size(), QSize(form->ClientWidth, 614));
  const QRect area(0, 0, window->width(), window->height());
  for (const auto& c : kControls) {
    SCOPED_TRACE(c.name);
    QWidget* w = Control(window.get(), c.name);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->geometry(), QRect(c.left, c.top, c.width, c.height));
    EXPECT_FALSE(w->isHidden());
    EXPECT_TRUE(area.contains(w->geometry()));
    const std::string name = c.name;
    EXPECT_EQ(w->isEnabled(), name == "Btn_Mapping" || name == "Btn_Check" ? true : c.enabled);
  }
  // Asked once more, nothing changes and nothing is asked.
  emit shortcut->activated();
  EXPECT_EQ(shell.questions.size(), 2u);
}

TEST_F(WindowFixture, FontsHaveHangul) {
  // Whichever family was chosen, it is installed and has Korean glyphs, so
  // the captions render as text.
  for (const char* name : {"Btn_De_Custom", "Label1", "Edit_En_Jumin", "LB_Msg", "Grid_Main"}) {
    QWidget* w = Control(window.get(), name);
    ASSERT_NE(w, nullptr) << name;
    const QFontInfo info(w->font());
    EXPECT_TRUE(QFontDatabase::writingSystems(info.family()).contains(QFontDatabase::Korean))
        << name << ": " << info.family().toStdString();
    EXPECT_EQ(info.pixelSize(), w->font().pixelSize()) << name;
  }
}

TEST_F(WindowFixture, WindowCaptionSizeAndEmptyStartState) {
  EXPECT_EQ(window->windowTitle().toStdString(), "소득공제 주민번호 검증(ver 1.0)");
  EXPECT_EQ(window->size(), QSize(463, 614));
  EXPECT_EQ(window->minimumSize(), QSize(463, 614));
  EXPECT_EQ(window->maximumSize(), QSize(463, 614));
  EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
  // Start-up cleared the layout's status caption; gauge at 0%; both grids
  // hold one empty row below their header.
  EXPECT_EQ(Control<QLabel>(window.get(), "LB_Msg")->text(), "");
  EXPECT_EQ(window->gauge()->shownPercent(), 0);
  EXPECT_EQ(form->Gauge1.Text(), "0%");
  for (auto* grid : {window->gridMain(), window->gridSub()}) {
    EXPECT_EQ(grid->model().rowCount(), 1);
    EXPECT_EQ(grid->model().index(0, 1).data().toString(), "");
  }
  // The empty root: no module folder, so the year list stays empty.
  EXPECT_EQ(Control<QComboBox>(window.get(), "Combo_Year")->count(), 0);
  EXPECT_FALSE(Control<QCheckBox>(window.get(), "Chk_Day")->isChecked());
}

TEST_F(WindowFixture, TabVisitsTheVisibleControlsInOrder) {
  // Follows Qt's focus chain the way Tab does: controls that take tab focus
  // and would be visible and enabled.
  QWidget* start = window->gridMain();
  std::vector<std::string> order;
  QWidget* w = start;
  do {
    if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && w->isVisibleTo(window.get()) &&
        window->isAncestorOf(w))
      order.push_back(w->objectName().toStdString());
    w = w->nextInFocusChain();
  } while (w != start && order.size() < 50);
  EXPECT_EQ(order, (std::vector<std::string>{"Grid_Main", "Grid_Sub", "Edit_En_Jumin", "Edit_Encrypt",
                                             "Edit_Decrypt", "Edit_De_Jumin", "Btn_De_Custom",
                                             "Combo_Year"}));
}

TEST_F(WindowFixture, GridColumnsHeadersAndWidths) {
  struct Col {
    const char* header;
    int width;  // 0: hidden
    Qt::Alignment align;
    bool malgunHeader;
  };
  const std::vector<Col> main = {{"SEQ", 0, kCenter, true},       {"이름", 90, kCenter, true},
                                 {"주민번호", 125, kCenter, true},  {"암호화해제 주민번호", 125, kCenter, true},
                                 {"조제년도", 85, kCenter, false}, {"고객코드", 0, kCenter, false}};
  std::vector<Col> sub = main;
  sub[4].header = "고객등록일";
  sub.push_back({"TEMPNUM", 0, Qt::AlignLeft, false});
  const QString malgun = ui::qt::ResolveFamily("맑은 고딕");
  const QString tahoma = ui::qt::ResolveFamily("Tahoma");
  for (auto [grid, cols] : {std::pair{window->gridMain(), main}, std::pair{window->gridSub(), sub}}) {
    SCOPED_TRACE(grid->objectName().toStdString());
    auto& m = grid->model();
    ASSERT_EQ(m.columnCount(), static_cast<int>(cols.size()));
    EXPECT_EQ(grid->horizontalHeader()->height(), 22);
    EXPECT_EQ(grid->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(grid->horizontalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
    EXPECT_FALSE(grid->horizontalHeader()->sectionsMovable());
    EXPECT_FALSE(grid->isSortingEnabled());
    EXPECT_EQ(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
    for (int c = 0; c < static_cast<int>(cols.size()); ++c) {
      SCOPED_TRACE(c);
      EXPECT_EQ(m.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString().toStdString(), cols[c].header);
      EXPECT_EQ(grid->isColumnHidden(c), cols[c].width == 0);
      if (cols[c].width > 0) {
        EXPECT_EQ(grid->columnWidth(c), cols[c].width);
      }
      const auto align = m.headerData(c, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>();
      EXPECT_EQ(align & Qt::AlignHorizontal_Mask, cols[c].align);
      const auto font = m.headerData(c, Qt::Horizontal, Qt::FontRole).value<QFont>();
      EXPECT_EQ(font.family(), cols[c].malgunHeader ? malgun : tahoma);
      EXPECT_EQ(font.pixelSize(), cols[c].malgunHeader ? 12 : 11);
    }
  }
}

}  // namespace
}  // namespace jc::test
