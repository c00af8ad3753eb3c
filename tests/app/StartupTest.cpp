// The window's start-up, shutdown and event guard, without widgets.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/TForm1.h"
#include "common/CurrentDirectoryGuard.h"
#include "demo/DemoRoot.h"
#include "support/FakeShell.h"

namespace jc::app {
namespace {

namespace fs = std::filesystem;

constexpr const char* kLoadFailed = "개인정보암호화 모듈 로드 중 에러발생";

Clock At(int year) {
  return [year] { return ui::DateTime{year, 3, 15, 9, 30, 0}; };
}

fs::path Temp(const std::string& name) {
  auto p = fs::temp_directory_path() /
           ("jc_startup_" + name + "_" + std::to_string(::getpid()));
  fs::remove_all(p);
  return p;
}

class StartupTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    root_ = Temp("demo");
    demo::DemoRootOptions o;
    o.dir = root_.string();
    o.modulePath = JC_MODULE_PATH;
    o.data.customers = 20;
    test::FakeShell shell;
    demo::MakeDemoRoot(o, shell);
  }
  static void TearDownTestSuite() { fs::remove_all(root_); }
  static fs::path root_;
  CurrentDirectoryGuard cwd_;
};
fs::path StartupTest::root_;

TEST_F(StartupTest, FullStartUpPreparesEverything) {
  test::FakeShell shell;
  TForm1 form(shell, PathMapper(root_.string()), At(2014));
  form.LB_Msg.caption = "stale";
  form.CustomerMode = true;
  EXPECT_TRUE(form.RunEvent([&] { form.FormCreate(); }));
  EXPECT_TRUE(shell.errors.empty());
  EXPECT_TRUE(shell.messages.empty());
  EXPECT_TRUE(form.Crypto.CryptoLoaded);
  ASSERT_NE(form.Crypto.HIRACrypto(), nullptr);
  ASSERT_TRUE(form.Connection && form.Connection->Connected());
  EXPECT_EQ(form.Db.Ado_Qry.Connection, form.Connection.get());
  EXPECT_EQ(form.Db.Ado_Exec.Connection, form.Connection.get());
  EXPECT_FALSE(form.CustomerMode);
  EXPECT_EQ(form.LB_Msg.caption, "");
  EXPECT_EQ(form.Grid_Main.RowCount(), 2);
  EXPECT_EQ(form.Grid_Sub.RowCount(), 2);
  EXPECT_EQ(form.Gauge1.Text(), "0%");
  EXPECT_EQ(form.Dtp_Start.date.year, 2014);
  EXPECT_EQ(form.Dtp_End.date.day, 15);
  EXPECT_EQ(form.ServerHost, "sqlite:" + (root_ / "store").string());
  // The warm-up read the key table, so the codec works at once.
  const std::string value = form.Crypto.EncryptJumin("9001011234568");
  EXPECT_EQ(form.Crypto.DecryptJumin(value), "9001011234568");
  form.FormClose();
  EXPECT_FALSE(form.Crypto.ModuleLoaded());
}

// The decrypt box: a value that gives nothing back is said to be so on the
// status line, not shown as an empty number.
TEST_F(StartupTest, TheDecryptBoxSaysWhenAValueCannotBeDecrypted) {
  test::FakeShell shell;
  TForm1 form(shell, PathMapper(root_.string()), At(2014));
  form.RunEvent([&] { form.FormCreate(); });
  ASSERT_TRUE(shell.errors.empty());
  struct Case {
    std::string value;
    bool decrypts;
  } cases[] = {{form.Crypto.EncryptJumin("9001011234568"), true}, {"not-base64!01", false}, {"abc", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    form.LB_Msg.SetText("");
    form.Edit_De_Jumin.text = c.value;
    form.RunEvent([&] { form.Edit_De_JuminKeyDown(13); });
    EXPECT_EQ(form.Edit_Decrypt.text.empty(), !c.decrypts);
    EXPECT_EQ(form.LB_Msg.caption, c.decrypts ? "" : "복호화할 수 없는 값입니다.");
  }
  form.FormClose();
}

TEST_F(StartupTest, TaxYearListFollowsTheClock) {
  struct Case {
    int year;
    std::vector<std::string> items;
  };
  const Case cases[] = {
      {2014, {"2013", "2012", "2011", "2010", "2009", "2008", "2007", "2006", "2005", "2004", "2003",
              "2002", "2001", "2000"}},
      {2001, {"2000"}},
      {2000, {}},
  };
  for (const auto& c : cases) {
    test::FakeShell shell;
    TForm1 form(shell, PathMapper(root_.string()), At(c.year));
    form.RunEvent([&] { form.FormCreate(); });
    EXPECT_EQ(form.Combo_Year.items, c.items) << c.year;
    EXPECT_EQ(form.Combo_Year.itemIndex, c.items.empty() ? -1 : 0) << c.year;
    EXPECT_EQ(form.Combo_Year.Text(), c.items.empty() ? "" : c.items[0]) << c.year;
    form.FormClose();
  }
}

TEST_F(StartupTest, StartUpFailuresEndStartUpButTheToolGoesOn) {
  // Module file missing, folder present: one load message, a working
  // connection and a full year list.
  {
    const fs::path root = Temp("nomodule");
    fs::create_directories(root / "TELVARO/Dll/HIRAEncryption");
    fs::copy(root_ / "store", root / "store");
    std::ofstream(root / "TELVARO/TELVARO.ini") << "[DATAPATH]\nPATH=sqlite:../store\n";
    test::FakeShell shell;
    TForm1 form(shell, PathMapper(root.string()), At(2014));
    form.RunEvent([&] { form.FormCreate(); });
    EXPECT_EQ(shell.messages, std::vector<std::string>{kLoadFailed});
    EXPECT_TRUE(shell.errors.empty());
    EXPECT_FALSE(form.Crypto.CryptoLoaded);
    EXPECT_TRUE(form.Connection && form.Connection->Connected());
    EXPECT_EQ(form.Combo_Year.items.size(), 14u);
    EXPECT_EQ(form.Crypto.EncryptJumin("9001011234568"), "");
    form.FormClose();
    fs::remove_all(root);
  }
  // Module folder missing: the load message, then the folder's error ends
  // start-up: no key store, no connection, no year list.
  {
    const fs::path root = Temp("nofolder");
    fs::create_directories(root);
    test::FakeShell shell;
    TForm1 form(shell, PathMapper(root.string()), At(2014));
    EXPECT_TRUE(form.RunEvent([&] { form.FormCreate(); }));
    EXPECT_EQ(shell.messages, std::vector<std::string>{kLoadFailed});
    ASSERT_EQ(shell.errors.size(), 1u);
    EXPECT_FALSE(form.Crypto.CryptoLoaded);
    EXPECT_EQ(form.Crypto.HIRACrypto(), nullptr);
    EXPECT_EQ(form.Connection, nullptr);
    EXPECT_TRUE(form.Combo_Year.items.empty());
    form.FormClose();
    fs::remove_all(root);
  }
  // Database unreachable: one error box with the provider's text; the key
  // store is not made and the module is released again.
  {
    const fs::path root = Temp("nodb");
    fs::create_directories(root / "TELVARO/Dll/HIRAEncryption");
    fs::copy_file(JC_MODULE_PATH, root / "TELVARO/Dll/HIRAEncryption/IndvInfmCrypto.so");
    std::ofstream(root / "TELVARO/TELVARO.ini") << "[DATAPATH]\nPATH=sqlite:../missing\n";
    test::FakeShell shell;
    TForm1 form(shell, PathMapper(root.string()), At(2014));
    form.RunEvent([&] { form.FormCreate(); });
    EXPECT_TRUE(shell.messages.empty());
    ASSERT_EQ(shell.errors.size(), 1u);
    EXPECT_EQ(form.Crypto.HIRACrypto(), nullptr);
    EXPECT_FALSE(form.Crypto.ModuleLoaded());
    ASSERT_NE(form.Connection, nullptr);
    EXPECT_FALSE(form.Connection->Connected());
    EXPECT_EQ(form.Db.Ado_Qry.Connection, nullptr);
    EXPECT_TRUE(form.Combo_Year.items.empty());
    EXPECT_EQ(form.LB_Msg.caption, "");
    // Handlers after an abandoned start-up touch only what exists.
    form.Edit_De_Jumin.text = "abc01";
    form.RunEvent([&] { form.Edit_De_JuminKeyDown(13); });
    EXPECT_EQ(form.Edit_Decrypt.text, "");
    form.FormClose();
    fs::remove_all(root);
  }
}

TEST(ErrorBoxText, FullStopUnlessTheLastCharacterIsAtMostAFullStop) {
  struct Case {
    const char* message;
    const char* shown;
  };
  const Case cases[] = {
      {"Invalid object name", "Invalid object name."},
      {"Done.", "Done."},
      {"a,", "a,"},
      {"a-", "a-"},
      {"a!", "a!"},
      {"a ", "a "},
      {"a/", "a/."},
      {"오류", "오류."},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatErrorText(c.message), c.shown) << c.message;
}

TEST(EventGuard, InputDuringARunningHandlerIsIgnoredAndCloseWaits) {
  test::FakeShell shell;
  TForm1 form(shell, PathMapper("/nonexistent-root"), At(2014));
  int secondRuns = 0;
  bool innerAccepted = true;
  // While the first handler processes messages, a click arrives and the
  // window is asked to close.
  shell.onProcessMessages = [&] {
    innerAccepted = form.RunEvent([&] { ++secondRuns; });
    form.RequestClose();
  };
  bool outerRan = false;
  EXPECT_TRUE(form.RunEvent([&] {
    outerRan = true;
    shell.ProcessMessages();
    EXPECT_TRUE(form.Busy());
  }));
  EXPECT_TRUE(outerRan);
  EXPECT_FALSE(innerAccepted);
  EXPECT_EQ(secondRuns, 0);
  EXPECT_FALSE(form.Busy());
  EXPECT_TRUE(form.CloseRequested());
  // Errors escaping a handler are shown and the next event runs normally.
  EXPECT_TRUE(form.RunEvent([] { throw std::runtime_error("Ado_Qry: Field 'CNT' not found"); }));
  EXPECT_EQ(shell.errors, std::vector<std::string>{"Ado_Qry: Field 'CNT' not found."});
  EXPECT_TRUE(form.RunEvent([&] { ++secondRuns; }));
  EXPECT_EQ(secondRuns, 1);
  EXPECT_FALSE(form.FormCanResize(800, 600));
}

}  // namespace
}  // namespace jc::app
