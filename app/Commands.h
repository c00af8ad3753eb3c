#pragma once
// The commands of the command line, one function each (see Cli.h for their
// shared conventions).
#include <iosfwd>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/Cli.h"
#include "app/ConsoleShell.h"
#include "app/TForm1.h"
#include "common/HostPath.h"

namespace jc::app {

// Wrong usage found after the command line was read (a setting this build
// cannot serve): the command ends with the usage status, its text printed.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct CommandContext {
  CommandContext(const CliOptions& options, std::ostream& out, std::ostream& err);
  ~CommandContext();

  // Makes the window's state and runs its start-up; false when start-up
  // showed an error box (the command should end with status 1). Throws
  // UsageError, before anything starts, when the INI file names an embedded
  // store and this build has none.
  bool StartUp();
  // Prints why and the command's usage; returns the usage status.
  int Usage(const std::string& why);
  // The exit status: failed when an error box was shown.
  int Finish(int status);

  const CliOptions& options;
  const std::vector<std::string>& args;
  std::ostream& out;
  std::ostream& err;
  ConsoleShell shell;
  PathMapper paths;
  std::unique_ptr<TForm1> form;
};

// A date argument YYYYMMDD; false when it is not one.
bool ParseDate(const std::string& text, ui::DateTime& date);
// True when date a comes before date b (the time of day is not compared).
bool DateBefore(const ui::DateTime& a, const ui::DateTime& b);

int CmdCreateStore(CommandContext& ctx);
int CmdSql(CommandContext& ctx);
int CmdEncrypt(CommandContext& ctx);
int CmdDecrypt(CommandContext& ctx);
int CmdCreateKey(CommandContext& ctx);
int CmdAuditCustomers(CommandContext& ctx);
int CmdHistory(CommandContext& ctx);
int CmdRepair(CommandContext& ctx);
int CmdAuditDispensing(CommandContext& ctx);
int CmdReportNormal(CommandContext& ctx);
int CmdBuildMapping(CommandContext& ctx);
int CmdVerifyMapping(CommandContext& ctx);
int CmdEncryptTables(CommandContext& ctx);
int CmdMigrationStatus(CommandContext& ctx);
int CmdCleanup(CommandContext& ctx);
int CmdDemo(CommandContext& ctx);
int CmdJournal(CommandContext& ctx);
int CmdUndo(CommandContext& ctx);

}  // namespace jc::app
