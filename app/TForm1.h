#pragma once
// The main window's behaviour, without widgets: the models of every control
// (FormModel), the database session, the crypto unit, and one method per
// event handler. The Qt view forwards events here; the command line calls the
// same methods headless.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "audit/BulkRestore.h"
#include "audit/Undo.h"
#include "common/HostPath.h"
#include "crypto/CryptoUnit.h"
#include "db/Connection.h"
#include "db/Session.h"
#include "migration/EncryptionRun.h"
#include "ui/FormModel.h"
#include "common/Shell.h"

namespace jc::app {

enum class MouseButton { Left, Right, Middle };

// The undo button with no journaled operation selected.
inline constexpr const char* kUndoNothingSelected = "되돌릴 작업을 목록에서 고르세요.";

// The question before the default window turns into the technician's view.
inline constexpr const char* kTechnicianViewQuestion =
    "기술자 화면으로 바꿉니다. 매핑테이블 만들기, 검증 시작, 암호화진행, 조제내역·분업예외 복호화검증, "
    "주민번호 복구, 정상데이터 확인 버튼이 나타납니다. 이 작업들은 데이터베이스를 바꾸며, 암호화진행은 "
    "되돌릴 수 없습니다. 계속하시겠습니까?";

// The status line's text when the window is closed during an operation.
inline constexpr const char* kClosingText = "창을 닫습니다: 작업을 다음 안전한 지점에서 멈춥니다....";
// The error box of an operation stopped by the window's close: where it
// stopped (the status line before the close, the gauge) and that a rerun
// continues.
std::string StoppedByCloseText(const std::string& status, const ui::Gauge& gauge);

// Local wall-clock time; injectable for tests.
using Clock = std::function<ui::DateTime()>;
ui::DateTime SystemNow();

// Whether a host value of the INI file names an embedded store ("sqlite:").
bool NamesEmbeddedStore(const std::string& host);

// The information box after an operation whose module errors were shown
// once: how many more there were.
std::string ModuleErrorsNotShownText(int count);

class TForm1 : public ui::FormModel {
 public:
  TForm1(Shell& shell, PathMapper paths, Clock clock = SystemNow);
  ~TForm1();

  // Window events.
  void FormCreate();
  void FormClose();
  // Refuses every size change.
  bool FormCanResize(int newWidth, int newHeight) const;
  // The technician's view asked for from the default window (its shortcut):
  // entered after a Yes to kTechnicianViewQuestion.
  void TechnicianViewRequested();
  // Enters the technician's view and fills its journal list.
  void ShowTechnicianView();
  // The technician's view: the last operations of the change journal, and
  // the undo of the one selected in Grid_Journal (asked first).
  void RefreshJournal();
  void Btn_UndoClick();
  // The technician's view: drops the work tables that hold plain numbers,
  // after a question, refused while numbers are left to mask.
  void Btn_CleanupClick();

  // Handlers, by the name of their control and event.
  void Btn_MappingClick();
  void Btn_CheckClick();
  void Btn_DeTestClick();
  void Btn_EncryptClick();
  void Btn_De_CustomClick();
  void Grid_MainClickCell(int col, int row);
  // row: the grid row under the pointer (0 the header, -1 below the rows).
  void Grid_SubMouseDown(MouseButton button, int row);
  void Btn_De_TestClick();
  void Btn_De_BunClick();
  void Btn_RestoreClick();
  void Button1Click();
  // The buttons beyond the right edge or hidden, each with its handler, in
  // the order the windows add them.
  struct ButtonClick {
    ui::TButton& button;
    void (TForm1::*handler)();
  };
  std::vector<ButtonClick> OffscreenButtons();
  void Edit_En_JuminKeyDown(int key);
  void Edit_De_JuminKeyDown(int key);

  // The repair from Grid_Sub's current row, as a right click on it runs it
  // (the question included); true when the customer's records were updated
  // (the command line's exit status).
  bool RepairCurrentHistoryRow();
  // The restore as a click on Btn_Restore runs it; what it restored, skipped
  // and failed (the command line prints and judges it).
  audit::RestoreResult RestoreDispensingPairs();
  // Undo of a journaled operation, under the operation lock, after its
  // question; nothing when the operator answered No.
  std::optional<audit::UndoResult> UndoJournaledOperation(const std::string& id);

  // Runs one event: an error that escapes is shown in the error box and the
  // tool goes on. While a handler runs, a second event is ignored (returns
  // false); a close request made meanwhile is deferred until it ends.
  bool RunEvent(const std::function<void()>& handler);
  bool Busy() const { return busy_; }
  // Close requested while busy: the view closes once the handler has ended.
  bool CloseRequested() const { return closeRequested_; }
  void RequestClose();
  // The window was closed while a handler runs: the close is deferred
  // (RequestClose), the status line says so, and the text returned at the
  // operation's next safe point says where it stopped (the window's shell
  // stops the operation there with it).
  std::function<std::string()> CloseWhileBusy();

  // Creates the connection, stores it in Connection, opens it and returns it.
  db::TADOConnection& OpenConnection();

  // Rows the last encryption run masked, per table completed.
  std::vector<migration::TableMasked> LastRunMasked;

  // State shared with the operations.
  db::Session Db;
  std::unique_ptr<db::TADOConnection> Connection;
  crypto::CryptoUnit Crypto;
  Shell& shell() { return shell_; }
  const PathMapper& paths() const { return paths_; }

  // The INI file the host is read from, mapped onto this machine.
  std::string IniPath() const;
  // The value of "PATH" in section "DATAPATH" of that file, as start-up
  // reads it (defaultHost when the file, the section or the key is missing).
  std::string ConfiguredHost(const std::string& defaultHost = {}) const;

  // Which of the INI file and the crypto module are missing, where they were
  // looked for, and how the root folder is given.
  std::string MissingFilesText() const;

  // Who and when, for the change journal: this computer and user, the
  // window's clock.
  audit::JournalContext Journal() const;

 private:
  // The shell the operations are handed: the window's own, except that each
  // of their pauses first gives the connection its idle moment (the embedded
  // store checkpoints its WAL there rather than in the middle of commits).
  class PausingShell : public Shell {
   public:
    explicit PausingShell(TForm1& form) : form_(form) {}
    void ProcessMessages() override { form_.shell_.ProcessMessages(); }
    void Sleep(int ms) override;
    void ShowMessage(const std::string& text) override { form_.shell_.ShowMessage(text); }
    void ShowError(const std::string& text) override { form_.shell_.ShowError(text); }
    bool Confirm(const std::string& text) override { return form_.shell_.Confirm(text); }

   private:
    TForm1& form_;
  };
  // The connection's idle moment, when there is an open one.
  void ConnectionIdle();

  Shell& shell_;
  PausingShell ops_{*this};
  PathMapper paths_;
  Clock clock_;
  bool busy_ = false;
  bool closeRequested_ = false;
  bool closed_ = false;
};

}  // namespace jc::app
