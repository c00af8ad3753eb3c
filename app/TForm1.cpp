#include "app/TForm1.h"

#include <chrono>
#include <ctime>
#include <exception>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "app/Ini.h"
#include "common/LocalTime.h"
#include "common/Text.h"
#include "db/EmbeddedStore.h"

namespace jc::app {

namespace {

constexpr const char* kIniFile = "C:\\TELVARO\\TELVARO.ini";
constexpr const char* kIniSection = "DATAPATH";
constexpr const char* kIniKey = "PATH";
constexpr const char* kNotDecryptedText = "복호화할 수 없는 값입니다.";

// A "PATH" of the form sqlite:FOLDER names an embedded store; a relative
// FOLDER is taken from the INI file's folder.
std::string ResolveEmbeddedStore(const std::string& host, const std::string& iniPath) {
  if (!NamesEmbeddedStore(host)) return host;
  const std::string prefix(db::kEmbeddedStorePrefix);
  const std::filesystem::path folder = PathFromUtf8(host.substr(prefix.size()));
  if (folder.empty() || folder.is_absolute()) return host;
  const auto base = PathFromUtf8(iniPath).parent_path();
  return prefix + PathToUtf8((base / folder).lexically_normal());
}

bool FileExists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(PathFromUtf8(path), ec);
}

}  // namespace

bool NamesEmbeddedStore(const std::string& host) { return host.rfind(db::kEmbeddedStorePrefix, 0) == 0; }

std::string ModuleErrorsNotShownText(int count) {
  return "같은 작업에서 암호화 모듈 오류가 " + std::to_string(count) +
         "건 더 있었습니다(오류 상자는 처음 한 번만 표시). 데이터 키가 값을 만든 키와 다를 수 있습니다.";
}

ui::DateTime SystemNow() {
  const std::tm local = LocalTime(std::time(nullptr));
  return ui::DateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                      local.tm_hour, local.tm_min, local.tm_sec};
}

TForm1::TForm1(Shell& shell, PathMapper paths, Clock clock)
    : Crypto(shell, paths), shell_(shell), paths_(std::move(paths)), clock_(std::move(clock)) {}

TForm1::~TForm1() = default;

std::string TForm1::IniPath() const { return paths_.Map(kIniFile); }

std::string TForm1::ConfiguredHost(const std::string& defaultHost) const {
  return ReadProfileString(IniPath(), kIniSection, kIniKey, defaultHost);
}

std::string TForm1::MissingFilesText() const {
  std::string text;
  const std::string ini = IniPath();
  const std::string module = paths_.Map(Crypto.ModuleFile);
  if (!FileExists(ini)) text += "No INI file at " + ini + ".\r\n";
  if (!FileExists(module)) text += "No crypto module at " + module + ".\r\n";
  // Without a root folder (on Windows) the fixed paths stand as they are.
  if (paths_.Root().empty())
    return text + "The fixed paths under C:\\ were used; give another folder to stand for C:\\ with --root DIR or "
                  "the environment variable JUMINCHECK_ROOT";
  return text + "The folder standing for C:\\ is " + paths_.Root() +
         "; give the right one with --root DIR or the environment variable JUMINCHECK_ROOT";
}

bool TForm1::FormCanResize(int, int) const { return false; }

void TForm1::TechnicianViewRequested() {
  if (TechnicianView || !shell_.Confirm(kTechnicianViewQuestion)) return;
  ShowTechnicianView();
}

void TForm1::ShowTechnicianView() {
  EnterTechnicianView();
  RefreshJournal();
}

bool TForm1::RunEvent(const std::function<void()>& handler) {
  // Message processing inside a running handler can deliver another click
  // or key; the query objects, SqlText and the grids serve one operation at
  // a time, so such input is dropped.
  if (busy_ || closed_) return false;
  busy_ = true;
  Crypto.BeginOperation();
  try {
    handler();
  } catch (const std::exception& e) {
    shell_.ShowError(FormatErrorText(e.what()));
  } catch (...) {
    shell_.ShowError(FormatErrorText("Unknown error"));
  }
  // The operation's end is an idle moment too. Housekeeping that fails here
  // is no failure of the operation: the next statement meets whatever is
  // wrong with the connection and says so.
  try {
    ConnectionIdle();
  } catch (...) {
  }
  // The module's error box came once; the failures after it are counted.
  const int moduleErrorsNotShown = Crypto.EndOperation();
  if (moduleErrorsNotShown > 0) shell_.ShowMessage(ModuleErrorsNotShownText(moduleErrorsNotShown));
  busy_ = false;
  return true;
}

void TForm1::RequestClose() { closeRequested_ = true; }

std::string StoppedByCloseText(const std::string& status, const ui::Gauge& gauge) {
  return "창을 닫아 작업을 멈췄습니다(" + status + ", " + std::to_string(gauge.Progress()) + "/" +
         std::to_string(gauge.MaxValue()) + "). 그때까지 한 작업은 그대로 남으며, 다시 실행하면 남은 작업을 이어서 합니다.";
}

std::function<std::string()> TForm1::CloseWhileBusy() {
  RequestClose();
  const std::string where = LB_Msg.caption;  // what the operation was doing
  LB_Msg.SetText(kClosingText);
  return [this, where] { return StoppedByCloseText(where, Gauge1); };
}

void TForm1::ConnectionIdle() {
  if (Connection && Connection->Connected()) Connection->Idle();
}

void TForm1::PausingShell::Sleep(int ms) {
  form_.ConnectionIdle();
  form_.shell_.Sleep(ms);
}

db::TADOConnection& TForm1::OpenConnection() {
  Connection = std::make_unique<db::TADOConnection>();
  Connection->ConnectionString = db::BuildConnectionString(ServerHost);
  Connection->Open();
  return *Connection;
}

void TForm1::FormCreate() {
  // 1-2
  CustomerMode = false;
  LB_Msg.caption.clear();
  ServerHost.clear();
  // 3: the database host from the INI file (default: the current, empty host)
  ServerHost = ResolveEmbeddedStore(ConfiguredHost(ServerHost), IniPath());
  // 4: a failed load is no error here (the loader has said so); a missing
  // module folder raises and ends start-up, naming what was looked for.
  try {
    Crypto.CryptoLoaded = Crypto.LoadCryptoModule();
  } catch (const std::filesystem::filesystem_error&) {
    throw std::runtime_error(MissingFilesText());
  }
  // 5: the key store; making it opens the connection. Without the INI file
  // the host is empty, and the connection's error alone would not say why.
  try {
    Crypto.CreateKeyStore([this]() -> db::TADOConnection& { return OpenConnection(); });
  } catch (const std::exception& e) {
    if (FileExists(IniPath())) throw;
    throw std::runtime_error(std::string(e.what()) + "\r\n" + MissingFilesText());
  }
  // 6: warm-up, so that the key table is read before any operation runs.
  (void)Crypto.EncryptJumin("");
  // 7
  Db.Ado_Qry.Connection = Connection.get();
  Db.Ado_Exec.Connection = Connection.get();
  // 9
  const ui::DateTime now = clock_();
  Dtp_Start.date = now;
  Dtp_End.date = now;
  // 10-11
  Grid_Main.ClearNonFixed();
  Grid_Main.SetRowCount(2);
  Grid_Sub.ClearNonFixed();
  Grid_Sub.SetRowCount(2);
  LB_Msg.caption.clear();
  // 12: the tax years, newest first, the previous calendar year selected.
  Combo_Year.items.clear();
  Combo_Year.itemIndex = -1;
  for (int n = now.year - 2001; n >= 0; --n) {
    Combo_Year.items.push_back("20" + std::string(n < 10 ? "0" : "") + std::to_string(n));
  }
  if (!Combo_Year.items.empty()) Combo_Year.itemIndex = 0;
}

void TForm1::FormClose() {
  if (closed_) return;
  closed_ = true;
  Crypto.DestroyKeyStore();
}

void TForm1::Edit_En_JuminKeyDown(int key) {
  if (key != 13) return;
  Edit_Encrypt.text = Crypto.EncryptJumin(Trim(Edit_En_Jumin.text));
}

void TForm1::Edit_De_JuminKeyDown(int key) {
  if (key != 13) return;
  Edit_Decrypt.text = Crypto.DecryptJumin(Edit_De_Jumin.text);
  // An empty result looks like an empty number: the status line says that
  // the value gave nothing back, as the command line does.
  if (Edit_Decrypt.text.empty() && !Trim(Edit_De_Jumin.text).empty())
    LB_Msg.SetText(kNotDecryptedText);
}

std::vector<TForm1::ButtonClick> TForm1::OffscreenButtons() {
  return {{Btn_Check, &TForm1::Btn_CheckClick},     {Btn_Mapping, &TForm1::Btn_MappingClick},
          {Btn_Encrypt, &TForm1::Btn_EncryptClick}, {Btn_DeTest, &TForm1::Btn_DeTestClick},
          {Btn_De_Test, &TForm1::Btn_De_TestClick}, {Btn_De_Bun, &TForm1::Btn_De_BunClick},
          {Btn_Restore, &TForm1::Btn_RestoreClick}, {Button1, &TForm1::Button1Click}};
}

}  // namespace jc::app
