// The window's events: wiring to the handlers, one operation at a time with
// a deferred close, the refused resize, the boxes, and the widgets following
// the models during and after a handler.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWindow>

#include <memory>
#include <stdexcept>

#include "app/TForm1.h"
#include "app/qt/MainWindow.h"
#include "app/qt/QtShell.h"
#include "demo/DemoRoot.h"
#include "gui/GuiSupport.h"
#include "support/FakeShell.h"
#include "support/ModuleRootFolder.h"
#include "ui/qt/GaugeWidget.h"
#include "ui/qt/GridView.h"

namespace jc::test {
namespace {

using app::qt::MainWindow;

ui::DateTime In(int year) { return ui::DateTime{year, 6, 15, 10, 0, 0}; }

// A window in an empty root (no module, no store), with a recording shell
// whose message processing really runs Qt's queued events.
class IdleWindow : public testing::Test {
 protected:
  void SetUp() override {
    form = std::make_unique<app::TForm1>(shell, root.Paths(), [] { return In(2014); });
    window = std::make_unique<MainWindow>(*form);
    shell.onProcessMessages = [this] {
      window->SyncFromModel();
      QCoreApplication::processEvents();
    };
    window->show();
  }
  void TearDown() override {
    shell.onProcessMessages = nullptr;
    window.reset();
    form.reset();
  }
  template <typename T = QWidget>
  T* W(const char* name) {
    return Control<T>(window.get(), name);
  }
  CurrentDirectoryGuard cwd;
  ModuleRootFolder root;
  FakeShell shell;
  std::unique_ptr<app::TForm1> form;
  std::unique_ptr<MainWindow> window;
};

TEST_F(IdleWindow, ButtonClickRunsItsHandlerAndAnErrorGoesToTheBox) {
  SendClick(W("Btn_De_Custom"));
  // The audit ran and refused to start without a usable codec (no module
  // here): the error went to the box and the window goes on.
  EXPECT_FALSE(form->CustomerMode);
  ASSERT_EQ(shell.errors.size(), 1u);
  EXPECT_NE(shell.errors[0].find("암호화 모듈"), std::string::npos) << shell.errors[0];
  EXPECT_FALSE(form->Busy());
  EXPECT_TRUE(window->isVisible());
}

TEST_F(IdleWindow, SecondOperationIgnoredAndCloseWaitsWhileAHandlerRuns) {
  bool checkedInside = false;
  form->Edit_Encrypt.text = "before";
  window->SyncFromModel();
  shell.onProcessMessages = [&] {
    window->SyncFromModel();
    if (shell.processed != 1) {
      QCoreApplication::processEvents();
      return;
    }
    // The first message processing inside the operation: the operator clicks
    // the audit button again, clicks a listed row, presses Enter in the
    // number box and closes the window, all before the audit goes on.
    form->Grid_Main.SetRowCount(4);
    form->Grid_Main.SetCell(1, 3, "홍길동");
    form->Grid_Main.SetCurrentRow(1);
    QWidget* cells = window->gridMain()->viewport();
    const QPoint row3 = window->gridMain()->visualRect(window->gridMain()->model().IndexOfCell(1, 3)).center();
    PostClick(W("Btn_De_Custom"));
    PostMouse(cells, QEvent::MouseButtonPress, row3, Qt::LeftButton);
    PostMouse(cells, QEvent::MouseButtonRelease, row3, Qt::LeftButton);
    PostMouse(cells, QEvent::MouseButtonPress, row3, Qt::RightButton);
    PostKey(W("Edit_En_Jumin"), Qt::Key_Return);
    QMetaObject::invokeMethod(window.get(), &QWidget::close, Qt::QueuedConnection);
    QCoreApplication::processEvents();
    // None of it started anything, and the window is still open.
    EXPECT_TRUE(form->Busy());
    EXPECT_EQ(form->Grid_Main.CurrentRow(), 1);
    EXPECT_EQ(form->Edit_Encrypt.text, "before");
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(form->CloseRequested());
    checkedInside = true;
  };
  // A running operation that processes window messages, as every long loop does.
  window->Dispatch([&] { shell.ProcessMessages(); });
  EXPECT_TRUE(checkedInside);
  // The audit clicked meanwhile did not run (it would have shown its refusal).
  EXPECT_TRUE(shell.errors.empty());
  // Once it ended the deferred close happened and shutdown ran.
  EXPECT_FALSE(window->isVisible());
  EXPECT_FALSE(form->RunEvent([] {}));
}

TEST_F(IdleWindow, CloseWhenIdleRunsShutdown) {
  EXPECT_TRUE(window->close());
  EXPECT_FALSE(window->isVisible());
  EXPECT_FALSE(form->RunEvent([] {}));  // closed: no further events
  EXPECT_TRUE(shell.errors.empty());
}

TEST_F(IdleWindow, TypingGoesToTheModelsAndOnlyEnterInTheInputBoxesActs) {
  form->Edit_Encrypt.text = "before";
  form->Edit_Decrypt.text = "before";
  window->SyncFromModel();
  // Result boxes: typing is possible, Enter does nothing.
  TypeText(W("Edit_Encrypt"), "abc");
  SendKey(W("Edit_Encrypt"), Qt::Key_Return);
  TypeText(W("Edit_Decrypt"), "xyz");
  SendKey(W("Edit_Decrypt"), Qt::Key_Enter);
  EXPECT_EQ(form->Edit_Encrypt.text, "beforeabc");
  EXPECT_EQ(form->Edit_Decrypt.text, "beforexyz");
  // Input boxes: the typed text is in the model; other keys do nothing.
  TypeText(W("Edit_En_Jumin"), "800101");
  SendKey(W("Edit_En_Jumin"), Qt::Key_Tab);
  EXPECT_EQ(form->Edit_En_Jumin.text, "800101");
  EXPECT_EQ(form->Edit_Encrypt.text, "beforeabc");
  // Enter with a modifier is still key 13: the handler runs (no module:
  // empty result) and the widget shows the model's new text.
  SendKey(W("Edit_En_Jumin"), Qt::Key_Return, Qt::ControlModifier);
  EXPECT_EQ(form->Edit_Encrypt.text, "");
  EXPECT_EQ(W<QLineEdit>("Edit_Encrypt")->text(), "");
  SendKey(W("Edit_De_Jumin"), Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_EQ(form->Edit_Decrypt.text, "");
  EXPECT_TRUE(shell.errors.empty());
}

// The technician's date range and check box: what the operator sets is what
// the dispensing audits read, and a refresh keeps it.
TEST_F(IdleWindow, DateRangeAndCheckBoxGoToTheModels) {
  form->Dtp_Start.date = In(2014);
  form->Dtp_End.date = In(2014);
  window->SyncFromModel();
  W<QDateTimeEdit>("Dtp_Start")->setDate(QDate(2013, 1, 2));
  W<QDateTimeEdit>("Dtp_End")->setDate(QDate(2013, 12, 31));
  W<QCheckBox>("Chk_Day")->click();
  window->SyncFromModel();
  EXPECT_EQ(form->Dtp_Start.date.Yyyymmdd(), "20130102");
  EXPECT_EQ(form->Dtp_End.date.Yyyymmdd(), "20131231");
  EXPECT_TRUE(form->Chk_Day.checked);
  EXPECT_EQ(W<QDateTimeEdit>("Dtp_Start")->date(), QDate(2013, 1, 2));
  EXPECT_TRUE(W<QCheckBox>("Chk_Day")->isChecked());
}

TEST_F(IdleWindow, EveryResizeIsRefused) {
  window->resize(800, 700);
  EXPECT_EQ(window->size(), QSize(463, 614));
  window->setWindowState(Qt::WindowMaximized);
  QCoreApplication::processEvents();
  EXPECT_FALSE(window->windowState() & Qt::WindowMaximized);
  EXPECT_EQ(window->size(), QSize(463, 614));
  window->showFullScreen();
  QCoreApplication::processEvents();
  EXPECT_EQ(window->size(), QSize(463, 614));
  EXPECT_FALSE(form->FormCanResize(463, 614));
}

TEST_F(IdleWindow, OpensCentred) {
  window->hide();
  window->ShowCentred();
  const QRect screen = window->screen()->geometry();
  const QRect frame = window->frameGeometry();
  EXPECT_LE(std::abs(frame.center().x() - screen.center().x()), 1);
  EXPECT_LE(std::abs(frame.center().y() - screen.center().y()), 1);
}

// The real shell: boxes, and the refresh of the widgets during a loop.
class QtShellWindow : public testing::Test {
 protected:
  void SetUp() override {
    form = std::make_unique<app::TForm1>(shell, root.Paths(), [] { return In(2014); });
    window = std::make_unique<MainWindow>(*form);
    window->show();
  }
  void TearDown() override {
    window.reset();
    form.reset();
  }
  CurrentDirectoryGuard cwd;
  ModuleRootFolder root;
  app::qt::QtShell shell;
  std::unique_ptr<app::TForm1> form;
  std::unique_ptr<MainWindow> window;
};

TEST_F(QtShellWindow, ErrorBoxShowsTheMessageWithTheFullStopRule) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"Login failed for user", "Login failed for user."},
      {"Field 'CNT' not found", "Field 'CNT' not found."},
      {"연결할 수 없습니다.", "연결할 수 없습니다."},
      {"ends with a blank ", "ends with a blank "},
      {"ends with a comma,", "ends with a comma,"},
  };
  for (const auto& c : cases) {
    const std::string& message = c.first;
    const std::string& shown = c.second;
    const auto boxes = AnswerBoxes([&] { window->Dispatch([&] { throw std::runtime_error(message); }); });
    ASSERT_EQ(boxes.size(), 1u) << message;
    EXPECT_EQ(boxes[0].text.toStdString(), shown);
    EXPECT_EQ(boxes[0].icon, QMessageBox::Critical);
    EXPECT_EQ(boxes[0].title, "test_gui");
    EXPECT_TRUE(boxes[0].hasOk);
    EXPECT_EQ(boxes[0].buttonCount, 1);
  }
  EXPECT_TRUE(window->isVisible());
  EXPECT_FALSE(form->Busy());
}

TEST_F(QtShellWindow, InformationBoxHasOkOnly) {
  const auto boxes = AnswerBoxes([&] { shell.ShowMessage("복구완료"); });
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "복구완료");
  EXPECT_EQ(boxes[0].icon, QMessageBox::Information);
  EXPECT_EQ(boxes[0].title, "test_gui");
  EXPECT_EQ(boxes[0].buttonCount, 1);
}

TEST_F(QtShellWindow, StartUpInAnEmptyRootShowsItsBoxesAndLeavesAnEmptyWindow) {
  const auto boxes = AnswerBoxes([&] { window->Dispatch([&] { form->FormCreate(); }); });
  // The load message, then the error that ends start-up (the module folder
  // is missing); the window stays, with an empty status line and year list.
  ASSERT_GE(boxes.size(), 1u);
  EXPECT_EQ(boxes.back().icon, QMessageBox::Critical);
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(Control<QLabel>(window.get(), "LB_Msg")->text(), "");
  EXPECT_EQ(Control<QComboBox>(window.get(), "Combo_Year")->count(), 0);
}

TEST_F(QtShellWindow, WidgetsFollowTheModelsDuringAndAfterAHandler) {
  std::vector<std::string> seenInside;
  window->Dispatch([&] {
    form->LB_Msg.caption = "자료를 읽는 중입니다..";
    form->Edit_Encrypt.text = "결과";
    form->Combo_Year.items = {"2013", "2012"};
    form->Combo_Year.itemIndex = 1;
    form->Gauge1.SetMaxValue(4);
    form->Gauge1.SetProgress(1);
    form->Grid_Main.AppendRow();
    form->Grid_Main.SetCell(1, 1, "홍길동");
    form->Btn_Restore.enabled = true;
    shell.ProcessMessages();
    seenInside = {Control<QLabel>(window.get(), "LB_Msg")->text().toStdString(),
                  Control<QLineEdit>(window.get(), "Edit_Encrypt")->text().toStdString(),
                  Control<QComboBox>(window.get(), "Combo_Year")->currentText().toStdString(),
                  std::to_string(window->gauge()->shownPercent()),
                  window->gridMain()->model().index(0, 1).data().toString().toStdString(),
                  std::to_string(window->gridMain()->model().rowCount()),
                  Control(window.get(), "Btn_Restore")->isEnabled() ? "enabled" : "disabled"};
    // Set just before the handler returns: shown when it has returned.
    form->Edit_Decrypt.text = "끝";
    form->LB_Msg.SetText("3건 중 1건 검색");
  });
  EXPECT_EQ(seenInside, (std::vector<std::string>{"자료를 읽는 중입니다..", "결과", "2012", "25", "홍길동", "2",
                                                  "enabled"}));
  EXPECT_EQ(Control<QLineEdit>(window.get(), "Edit_Decrypt")->text(), "끝");
  EXPECT_EQ(Control<QLabel>(window.get(), "LB_Msg")->text(), "3건 중 1건 검색");
  // The operator's choice in the list goes back to the model.
  auto* combo = Control<QComboBox>(window.get(), "Combo_Year");
  combo->setCurrentIndex(0);
  emit combo->activated(0);
  EXPECT_EQ(form->Combo_Year.Text(), "2013");
}

// Closing the window while an operation runs stops the operation at its next
// safe point (the next message processing between two statements), says
// where it stopped, and then closes: not once the whole operation is done.
TEST(WindowClose, CloseDuringAnOperationStopsItAtTheNextSafePointThenCloses) {
  CurrentDirectoryGuard cwd;
  ModuleRootFolder root;
  app::qt::QtShell shell;
  app::TForm1 form(shell, root.Paths());
  app::qt::MainWindow window(form);
  AnswerBoxes([&] { form.RunEvent([&] { form.FormCreate(); }); });  // an empty root: start-up's box
  window.show();

  int statements = 0;
  const auto boxes = AnswerBoxes([&] {
    window.Dispatch([&] {
      form.LB_Msg.SetText("PS_MAIN 암호화중입니다..");
      form.Gauge1.SetMaxValue(23);
      for (int i = 0; i < 100; ++i) {
        ++statements;  // one statement, then the safe point
        form.Gauge1.SetProgress(i);
        if (i == 3) QMetaObject::invokeMethod(&window, &QWidget::close, Qt::QueuedConnection);
        shell.ProcessMessages();
      }
    });
  });
  EXPECT_EQ(statements, 4);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].icon, QMessageBox::Critical);
  EXPECT_TRUE(boxes[0].text.startsWith(QString::fromUtf8("창을 닫아 작업을 멈췄습니다(")))
      << boxes[0].text.toStdString();
  EXPECT_TRUE(boxes[0].text.contains(QString::fromUtf8("PS_MAIN 암호화중입니다.., 3/23")))
      << boxes[0].text.toStdString();
  EXPECT_FALSE(window.isVisible());
  EXPECT_FALSE(form.RunEvent([] {}));  // closed: shutdown ran
}

}  // namespace
}  // namespace jc::test
