// The window over a complete root (module, store, data key, synthetic data):
// start-up runs to the end, so the year list, the Enter keys and the audit
// with its history view can be driven through the widgets.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include <memory>

#include "app/TForm1.h"
#include "app/qt/MainWindow.h"
#include "demo/DemoRoot.h"
#include "gui/GuiSupport.h"
#include "support/FakeShell.h"
#include "support/ModuleRootFolder.h"
#include "ui/qt/GaugeWidget.h"
#include "ui/qt/GridView.h"

namespace jc::test {
namespace {

using app::qt::MainWindow;

class DemoWindow : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    CurrentDirectoryGuard cwd;
    root_ = new ModuleRootFolder;
    demo::DemoRootOptions options;
    options.dir = root_->Root().string();
    options.modulePath = JC_MODULE_PATH;
    options.data.customers = 40;
    options.data.today = demo::Date{2014, 6, 1};
    FakeShell shell;
    demo::MakeDemoRoot(options, shell);
  }
  static void TearDownTestSuite() {
    delete root_;
    root_ = nullptr;
  }

  void Open(int year) {
    form = std::make_unique<app::TForm1>(shell, root_->Paths(), [year] { return ui::DateTime{year, 6, 15}; });
    window = std::make_unique<MainWindow>(*form);
    shell.onProcessMessages = [this] {
      window->SyncFromModel();
      QCoreApplication::processEvents();
    };
    window->show();
    window->Dispatch([this] { form->FormCreate(); });
  }
  void TearDown() override {
    if (window) window->close();
    shell.onProcessMessages = nullptr;
    window.reset();
    form.reset();
  }
  template <typename T = QWidget>
  T* W(const char* name) {
    return Control<T>(window.get(), name);
  }

  static ModuleRootFolder* root_;
  CurrentDirectoryGuard cwd;
  FakeShell shell;
  std::unique_ptr<app::TForm1> form;
  std::unique_ptr<MainWindow> window;
};

ModuleRootFolder* DemoWindow::root_ = nullptr;

TEST_F(DemoWindow, YearListFollowsTheClock) {
  struct Case {
    int year;
    std::vector<std::string> items;
    int index;
  };
  std::vector<std::string> from2013;
  for (int y = 2013; y >= 2000; --y) from2013.push_back(std::to_string(y));
  const std::vector<Case> cases = {{2014, from2013, 0}, {2001, {"2000"}, 0}, {2000, {}, -1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.year);
    Open(c.year);
    EXPECT_TRUE(shell.errors.empty());
    auto* combo = W<QComboBox>("Combo_Year");
    std::vector<std::string> shown;
    for (int i = 0; i < combo->count(); ++i) shown.push_back(combo->itemText(i).toStdString());
    EXPECT_EQ(shown, c.items);
    EXPECT_EQ(combo->currentIndex(), c.index);
    EXPECT_EQ(form->Combo_Year.Text(), c.index < 0 ? "" : c.items[0]);
    TearDown();
  }
}

TEST_F(DemoWindow, EnterKeysEncryptAndDecrypt) {
  Open(2014);
  ASSERT_TRUE(shell.errors.empty());
  TypeText(W("Edit_En_Jumin"), "8001011234567");
  SendKey(W("Edit_En_Jumin"), Qt::Key_Return);
  const QString stored = W<QLineEdit>("Edit_Encrypt")->text();
  ASSERT_FALSE(stored.isEmpty());
  EXPECT_TRUE(stored.endsWith("01"));
  TypeText(W("Edit_De_Jumin"), stored);
  SendKey(W("Edit_De_Jumin"), Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_EQ(W<QLineEdit>("Edit_Decrypt")->text(), "8001011234567");
  EXPECT_TRUE(shell.errors.empty());
  EXPECT_TRUE(shell.messages.empty());
}

TEST_F(DemoWindow, AuditListsAndAClickShowsTheHistory) {
  Open(2014);
  ASSERT_TRUE(shell.errors.empty());
  SendClick(W("Btn_De_Custom"));
  ASSERT_TRUE(shell.errors.empty()) << shell.errors[0];
  const QString status = W<QLabel>("LB_Msg")->text();
  EXPECT_TRUE(status.endsWith("건 검색")) << status.toStdString();
  EXPECT_EQ(status.toStdString(), form->LB_Msg.caption);
  auto* main = window->gridMain();
  EXPECT_EQ(main->model().rowCount(), form->Grid_Main.RowCount() - 1);
  EXPECT_EQ(window->gauge()->shownPercent(), form->Gauge1.PercentDone());
  if (form->Grid_Main.RowCount() < 3) GTEST_SKIP() << "the demo data listed fewer than two customers";
  // Click the second listed row: it becomes current, then its history shows.
  const QPoint at = main->visualRect(main->model().IndexOfCell(1, 2)).center();
  SendMouse(main->viewport(), QEvent::MouseButtonPress, at, Qt::LeftButton);
  SendMouse(main->viewport(), QEvent::MouseButtonRelease, at, Qt::LeftButton);
  EXPECT_EQ(form->Grid_Main.CurrentRow(), 2);
  EXPECT_TRUE(shell.errors.empty());
  EXPECT_EQ(window->gridSub()->model().headerData(4, Qt::Horizontal, Qt::DisplayRole).toString(), "고객등록일");
  EXPECT_EQ(window->gridSub()->model().rowCount(), form->Grid_Sub.RowCount() - 1);
}

}  // namespace
}  // namespace jc::test
