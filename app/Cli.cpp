#include "app/Cli.h"

#include <unistd.h>
#ifdef _WIN32
#include <windows.h>
#endif

#include <cctype>
#include <cstdlib>
#include <exception>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>

#include "app/Commands.h"
#include "app/ProgramConsole.h"
#include "app/ConsoleShell.h"
#include "app/TForm1.h"
#include "db/EmbeddedStore.h"

namespace jc::app {

namespace {

struct CommandSpec {
  const char* name;
  const char* usage;
  const char* help;
  int (*run)(CommandContext&);
  // The options the command takes, blank-separated; any other argument
  // that looks like an option is wrong usage.
  const char* options = "";
};

const CommandSpec kCommands[] = {
    {"create-store", "create-store FOLDER", "make an empty embedded store with the pharmacy schema",
     &CmdCreateStore},
    {"sql", "sql STATEMENT", "run one statement on the configured connection and print the result",
     &CmdSql},
    {"encrypt", "encrypt TEXT", "print the stored encrypted value of TEXT", &CmdEncrypt},
    {"decrypt", "decrypt VALUE", "print the plain text of a stored encrypted VALUE", &CmdDecrypt},
    {"create-key", "create-key", "write a fresh data key of version \"01\" into the key table",
     &CmdCreateKey},
    {"audit-customers", "audit-customers [--year YYYY | --from YYYYMMDD --to YYYYMMDD]",
     "run the customer decryption audit and print Grid_Main", &CmdAuditCustomers,
     "--year --from --to"},
    {"history", "history CUSCODE", "show the history of a customer code and print Grid_Sub",
     &CmdHistory},
    {"repair", "repair CUSCODE ROW [--yes]",
     "copy the stored value of history row ROW into the customer's records", &CmdRepair, "--yes"},
    {"audit-dispensing",
     "audit-dispensing --table PS_MAIN|INS_COMPOS [--from YYYYMMDD --to YYYYMMDD] [--restore]",
     "run a dispensing-record audit and print Grid_Main and Grid_Sub; with --restore, restore "
     "the listed records from their customers and print those restored",
     &CmdAuditDispensing, "--table --from --to --restore"},
    {"report-normal", "report-normal",
     "list the masked customer records whose values decrypt to a full number, print Grid_Main "
     "and save them to TV_BASE..AAA",
     &CmdReportNormal},
    {"build-mapping", "build-mapping", "build the mapping table TV_BASE..TEMP_MAPPING_BAK",
     &CmdBuildMapping},
    {"verify-mapping", "verify-mapping",
     "verify every mapping entry and print the failing ones; status 1 when any failed",
     &CmdVerifyMapping},
    {"encrypt-tables", "encrypt-tables [--yes]",
     "verify the mapping, then mask the mapped numbers of the 23 tables (cannot be undone)",
     &CmdEncryptTables, "--yes"},
    {"migration-status", "migration-status [--check-values]",
     "count plain, mapped and masked numbers per table (reads only)", &CmdMigrationStatus,
     "--check-values"},
    {"cleanup", "cleanup [--yes]",
     "drop the mapping tables and TV_BASE..AAA, which hold plain numbers, once nothing is left to "
     "mask; asks for yes on a terminal, needs --yes without one",
     &CmdCleanup, "--yes"},
    {"journal", "journal [--last N | ID]",
     "list the last N journaled operations (default 20), or the records of operation ID with their "
     "values before and after and whether each still holds the value written",
     &CmdJournal, "--last"},
    {"undo", "undo ID [--yes]",
     "put back the values operation ID replaced, where the record still holds the value written "
     "(asks on a terminal; --yes without one)",
     &CmdUndo, "--yes"},
    {"demo", "demo DIR [--customers N] [--seed S]",
     "make a demo root in DIR with a store full of synthetic pharmacy data", &CmdDemo,
     "--customers --seed --module"},
};

const CommandSpec* FindCommand(const std::string& name) {
  for (const auto& c : kCommands)
    if (name == c.name) return &c;
  return nullptr;
}

// The help of each command under a Korean locale.
const char* KoreanHelp(const std::string& name) {
  static const struct {
    const char* name;
    const char* help;
  } kHelp[] = {
      {"create-store", "약국 스키마로 빈 내장 저장소를 만듭니다"},
      {"sql", "설정된 연결에서 문장 하나를 실행하고 결과를 출력합니다"},
      {"encrypt", "TEXT의 암호화 저장값을 출력합니다"},
      {"decrypt", "암호화 저장값 VALUE의 평문을 출력합니다"},
      {"create-key", "버전 \"01\"의 새 데이터 키를 키 테이블에 씁니다"},
      {"audit-customers", "고객 복호화 점검을 실행하고 Grid_Main을 출력합니다"},
      {"history", "고객코드의 이력을 보여주고 Grid_Sub를 출력합니다"},
      {"repair", "이력 ROW행의 저장값을 그 고객의 같은 주민번호 레코드에 복사합니다 (묻고 나서; 터미널이 없으면 --yes)"},
      {"audit-dispensing",
       "조제 레코드 점검을 실행하고 Grid_Main과 Grid_Sub를 출력합니다; --restore이면 목록의 레코드를 "
       "고객에게서 복원하고 복원한 것을 출력합니다"},
      {"report-normal", "정상 복호화되는 마스킹 고객 레코드를 출력하고 TV_BASE..AAA에 저장합니다"},
      {"build-mapping", "매핑 테이블 TV_BASE..TEMP_MAPPING_BAK을 만듭니다"},
      {"verify-mapping", "매핑 항목을 모두 검증하고 실패한 항목을 출력합니다; 실패가 있으면 상태 1"},
      {"encrypt-tables", "매핑을 검증한 뒤 23개 테이블의 매핑된 번호를 마스킹합니다 (되돌릴 수 없음)"},
      {"migration-status", "테이블별 평문, 매핑, 마스킹 번호를 셉니다 (읽기만 함)"},
      {"cleanup",
       "평문 번호가 든 매핑 테이블과 TV_BASE..AAA를 지웁니다 (마스킹할 번호가 남으면 거부); 터미널에서는 "
       "yes를 묻고, 터미널이 없으면 --yes가 필요합니다"},
      {"journal", "변경 기록: 최근 작업 N개(기본 20), 또는 작업 ID가 바꾼 기록과 그 전후 값을 출력합니다"},
      {"undo",
       "작업 ID가 바꾼 값을 되돌립니다 (그 뒤에 바뀐 기록은 건너뜀); 터미널에서는 묻고, 터미널이 없으면 "
       "--yes가 필요합니다"},
      {"demo", "DIR에 합성 약국 데이터가 든 데모 루트를 만듭니다"},
  };
  for (const auto& h : kHelp)
    if (name == h.name) return h.help;
  return nullptr;
}

}  // namespace

bool KoreanMessages() {
#ifdef _WIN32
  return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_KOREAN;
#else
  // The first of these that is set decides, as for any program's messages.
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value && *value) return std::string(value).rfind("ko", 0) == 0;
  }
  return false;
#endif
}

namespace {

// Without a root folder the fixed paths stand as they are on Windows; on
// Linux "/" stands for "C:\".
bool NoDefaultRoot() { return AbsoluteRoot("").empty(); }
std::string ModuleFileName() { return std::string("IndvInfmCrypto") + SharedLibrarySuffix(); }

void PrintUsageKorean(std::ostream& out) {
  out << "사용법: jumincheck [--root DIR] [--technician | COMMAND ...]\n"
         "\n"
         "명령 없이 실행하면 창이 열립니다(--technician: 모든 컨트롤을 보여 주는 기술자 화면). --root DIR은 \"C:\\\"를 대신하는 폴더입니다\n"
         "(기본값: $JUMINCHECK_ROOT, 없으면 "
      << (NoDefaultRoot() ? "C:\\ 그대로" : "/") << "). INI 파일은 DIR/TELVARO/TELVARO.ini,\n"
      << "암호화 모듈은 DIR/TELVARO/Dll/HIRAEncryption/" << ModuleFileName() << "입니다.\n"
      << "\n"
         "명령:\n";
  for (const auto& c : kCommands) {
    const char* help = KoreanHelp(c.name);
    out << "  " << c.usage << "\n      " << (help ? help : c.help) << "\n";
  }
  out << "\n표는 stdout에 탭으로 구분된 줄로, 상자는 stderr에 \"message: \"와 \"error: \" 줄로,\n"
         "상태 줄은 \"status: \"로 출력됩니다. Ctrl+C는 다음 문장 경계에서 작업을 멈춥니다.\n"
         "종료 상태: 0 완료, 1 오류 표시 또는 명령 실패, 2 잘못된 사용법, 130 Ctrl+C로 멈춤.\n";
}

}  // namespace

void PrintUsage(std::ostream& out) {
  if (KoreanMessages()) {
    PrintUsageKorean(out);
    return;
  }
  out << "usage: jumincheck [--root DIR] [--technician | COMMAND ...]\n"
         "\n"
         "Without a command the window opens; --technician opens it in the technician's\n"
         "view, which shows every control (the migration, the dispensing audits, the\n"
         "restore and the report). --root DIR names the folder that stands\n"
         "for \"C:\\\" (default: $JUMINCHECK_ROOT, else "
      << (NoDefaultRoot() ? "C:\\ itself" : "/") << "): the INI file is\n"
      << "DIR/TELVARO/TELVARO.ini and the crypto module\n"
         "DIR/TELVARO/Dll/HIRAEncryption/"
      << ModuleFileName() << ".\n"
      << "\n"
         "Commands:\n";
  for (const auto& c : kCommands) out << "  " << c.usage << "\n      " << c.help << "\n";
  out << "\nGrids print to stdout as tab-separated lines; boxes print to stderr as\n"
         "\"message: \" and \"error: \" lines, the status line as \"status: \".\n"
         "Ctrl+C stops the running operation at its next statement boundary.\n"
         "Exit status: 0 done, 1 an error was shown or the command failed, 2 wrong usage,\n"
         "130 stopped by Ctrl+C.\n";
}

namespace {

// An argument shaped like an option: "--name" or "-x...", one word.
bool LooksLikeOption(const std::string& a) {
  if (a.size() < 2 || a[0] != '-') return false;
  if (a[1] != '-' && !std::isalpha(static_cast<unsigned char>(a[1]))) return false;
  return a.find_first_of(" \t\n") == std::string::npos;
}

bool TakesOption(const CommandSpec& command, const std::string& option) {
  const std::string list = std::string(" ") + command.options + " ";
  return list.find(" " + option + " ") != std::string::npos;
}

// What is wrong with the options of a command's arguments: one it does not
// take, or one given twice (the last would silently win); empty when none.
std::string OptionProblem(const CommandSpec& command, const std::vector<std::string>& args) {
  std::vector<std::string> seen;
  for (const std::string& a : args) {
    if (!LooksLikeOption(a)) continue;
    if (!TakesOption(command, a)) return std::string("unknown option '") + a + "'";
    for (const std::string& s : seen)
      if (s == a) return a + " is given twice";
    seen.push_back(a);
  }
  return {};
}

bool ReportUsageError(std::ostream& err, int& exitCode, const std::string& why) {
  err << "jumincheck: " << why << " (see --help)\n";
  exitCode = kExitUsage;
  return false;
}

}  // namespace

bool ParseCommandLine(int argc, char** argv, CliOptions& options, std::ostream& out,
                      std::ostream& err, int& exitCode) {
  const std::string envRoot = ProgramEnvironment("JUMINCHECK_ROOT");
  options.root = envRoot;
  bool rootGiven = false;
  int i = 1;
  for (; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      PrintUsage(out);
      exitCode = kExitOk;
      return false;
    }
    if (a == "--root" || a.rfind("--root=", 0) == 0) {
      if (rootGiven) return ReportUsageError(err, exitCode, "--root is given twice");
      rootGiven = true;
      if (a == "--root") {
        if (i + 1 >= argc) return ReportUsageError(err, exitCode, "--root needs a folder");
        options.root = argv[++i];
      } else {
        options.root = a.substr(7);
      }
      continue;
    }
    if (a == "--technician") {
      options.technician = true;
      continue;
    }
    if (a.rfind("-", 0) == 0) {
      // Qt's own options (-platform ...) pass through to the window, but
      // only when no command follows and they are Qt's single-dash form:
      // anything else is an option this program does not know.
      bool commandFollows = false;
      for (int j = i + 1; j < argc; ++j)
        if (FindCommand(argv[j])) commandFollows = true;
      if (commandFollows || a.rfind("--", 0) == 0)
        return ReportUsageError(err, exitCode, "unknown option '" + a + "'");
      break;
    }
    break;
  }
  // A relative root names a folder below the current directory as it is
  // now; the module loader changes the current directory later.
  options.root = AbsoluteRoot(options.root);
  if (i < argc && argv[i][0] != '-') {
    options.command = argv[i++];
    for (; i < argc; ++i) options.args.emplace_back(argv[i]);
    if (!FindCommand(options.command))
      return ReportUsageError(err, exitCode, "unknown command '" + options.command + "'");
    if (options.technician)
      return ReportUsageError(err, exitCode, "--technician opens the window in the technician's view; it takes no command");
  }
  return true;
}

void PrintTsvRow(const std::vector<std::string>& cells, std::ostream& out) {
  for (std::size_t c = 0; c < cells.size(); ++c) {
    if (c) out << '\t';
    for (char ch : cells[c]) out << (ch == '\t' || ch == '\n' || ch == '\r' ? ' ' : ch);
  }
  out << '\n';
}

void PrintGrid(const ui::ResultGrid& grid, std::ostream& out) {
  std::vector<std::string> cells(static_cast<std::size_t>(grid.ColCount()));
  for (int r = 0; r < grid.RowCount(); ++r) {
    for (int c = 0; c < grid.ColCount(); ++c) cells[static_cast<std::size_t>(c)] = grid.Cell(c, r);
    PrintTsvRow(cells, out);
  }
}

CommandContext::CommandContext(const CliOptions& o, std::ostream& out_, std::ostream& err_)
    : options(o), args(o.args), out(out_), err(err_),
      shell(err_, &err_ != &std::cerr         ? ConsoleShell::Progress::None
                  : isatty(STDERR_FILENO) != 0 ? ConsoleShell::Progress::Bar
                                               : ConsoleShell::Progress::Lines),
      paths(o.root) {
  if (isatty(STDIN_FILENO)) shell.SetTerminal(&std::cin);
}

CommandContext::~CommandContext() {
  if (form) form->FormClose();
}

bool CommandContext::StartUp() {
  form = std::make_unique<TForm1>(shell, paths);
  if (!db::EmbeddedStoreBuiltIn() && NamesEmbeddedStore(form->ConfiguredHost()))
    throw UsageError("the INI file " + form->IniPath() + " names an embedded store. " + db::kNoEmbeddedStore);
  shell.WatchGauge(&form->Gauge1);
  shell.WatchStatus(&form->LB_Msg.caption);
  form->RunEvent([this] { form->FormCreate(); });
  return !shell.ErrorShown();
}

int CommandContext::Usage(const std::string& why) {
  const CommandSpec* command = FindCommand(options.command);
  err << "jumincheck: " << why << "\nusage: jumincheck [--root DIR] " << (command ? command->usage : "")
      << '\n';
  return kExitUsage;
}

int CommandContext::Finish(int status) {
  shell.EndProgress();
  if (shell.Stopped()) return kExitStopped;
  if (shell.ErrorShown() && status == kExitOk) return kExitFailed;
  return status;
}

int RunCommand(const CliOptions& options, std::ostream& out, std::ostream& err) {
  const CommandSpec* command = FindCommand(options.command);
  if (!command) {
    err << "jumincheck: unknown command '" << options.command << "'\n";
    return kExitUsage;
  }
  if (&err == &std::cerr) ConsoleShell::InstallInterruptHandler();
  CommandContext ctx(options, out, err);
  const std::string problem = OptionProblem(*command, options.args);
  if (!problem.empty()) return ctx.Usage(problem);
  // An error no handler took is shown as an error box would be, and fails
  // the command.
  try {
    return command->run(ctx);
  } catch (const UsageError& e) {
    err << "jumincheck: " << e.what() << '\n';
    return kExitUsage;
  } catch (const std::exception& e) {
    err << "error: " << e.what() << '\n';
    return kExitFailed;
  }
}

}  // namespace jc::app
