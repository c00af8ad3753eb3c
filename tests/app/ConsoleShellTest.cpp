// The command line's shell: progress as a bar on a terminal and as a line
// every few seconds otherwise, driven by a clock the test moves; and a stop
// request (what Ctrl+C sets) ending the operation at its next message
// processing, saying where.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <sstream>

#include "app/ConsoleShell.h"
#include "ui/Gauge.h"

namespace jc::app {
namespace {

using namespace std::chrono_literals;

struct Rig {
  explicit Rig(ConsoleShell::Progress mode)
      : shell(err, mode, [this] { return now; }) {
    shell.WatchGauge(&gauge);
    shell.WatchStatus(&status);
    gauge.SetMinValue(0);
    gauge.SetMaxValue(1000);
  }
  void Step(int progress, std::chrono::steady_clock::duration later) {
    now += later;
    gauge.SetProgress(progress);
    shell.ProcessMessages();
  }
  std::ostringstream err;
  std::chrono::steady_clock::time_point now{};
  ui::Gauge gauge;
  std::string status = "CD_PERSON 암호화중입니다..";
  ConsoleShell shell;
};

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(ConsoleShell, TheBarCarriesTheStatusTheCountAndTheTimeLeftAndEndsWithANewline) {
  Rig rig(ConsoleShell::Progress::Bar);
  rig.Step(0, 0s);
  EXPECT_NE(rig.err.str().find("CD_PERSON 암호화중입니다..  0/1000"), std::string::npos) << rig.err.str();
  rig.Step(250, 10s);  // a quarter in 10 s: 30 s left
  EXPECT_NE(rig.err.str().find("\r["), std::string::npos);
  EXPECT_NE(rig.err.str().find("25%  CD_PERSON 암호화중입니다..  250/1000, about 0:30 left"), std::string::npos)
      << rig.err.str();
  rig.status = "PS_MAIN 암호화중입니다..";
  rig.Step(500, 10s);
  EXPECT_NE(rig.err.str().find("PS_MAIN 암호화중입니다..  500/1000, about 0:20 left"), std::string::npos);
  EXPECT_EQ(rig.err.str().find('\n'), std::string::npos);  // redrawn in place
  rig.shell.ShowMessage("done");
  EXPECT_NE(rig.err.str().find("left\x1b[K\nmessage: done\n"), std::string::npos) << rig.err.str();
  // A new run (the gauge back at its start) measures its own time.
  rig.Step(0, 100s);
  rig.Step(100, 1s);
  EXPECT_NE(rig.err.str().find("100/1000, about 0:09 left"), std::string::npos) << rig.err.str();
  rig.shell.EndProgress();
  EXPECT_EQ(rig.err.str().back(), '\n');
}

TEST(ConsoleShell, WithoutATerminalAProgressLineEveryFewSeconds) {
  Rig rig(ConsoleShell::Progress::Lines);
  rig.Step(0, 0s);
  for (int i = 1; i <= 40; ++i) rig.Step(i * 10, 1s);  // 40 s of work
  EXPECT_EQ(Count(rig.err.str(), "progress: "), 40u / ConsoleShell::kLineIntervalSeconds) << rig.err.str();
  EXPECT_NE(rig.err.str().find("progress: CD_PERSON 암호화중입니다..  50/1000, about 1:35 left\n"),
            std::string::npos)
      << rig.err.str();
  EXPECT_EQ(rig.err.str().find('\r'), std::string::npos);
  rig.shell.EndProgress();
  EXPECT_EQ(rig.err.str().find("\n\n"), std::string::npos);  // no bar to end
}

TEST(ConsoleShell, AStopRequestEndsTheOperationAtTheNextMessageProcessingSayingWhere) {
  Rig rig(ConsoleShell::Progress::None);
  rig.Step(120, 1s);
  ConsoleShell::RequestStop();
  rig.shell.Sleep(60000);  // a pause ends at once once a stop is asked for
  try {
    rig.shell.ProcessMessages();
    FAIL() << "no stop";
  } catch (const OperationCancelled& e) {
    const std::string what = e.what();
    EXPECT_NE(what.find("CD_PERSON 암호화중입니다.. (120/1000 done)"), std::string::npos) << what;
    EXPECT_NE(what.find("run the command again to continue"), std::string::npos) << what;
  }
  EXPECT_TRUE(rig.shell.Stopped());
  EXPECT_FALSE(ConsoleShell::StopRequested());
  EXPECT_NO_THROW(rig.shell.ProcessMessages());  // one request stops one operation
}

// Ctrl+C itself: the handler only asks for the stop (the process goes on),
// and gives the next Ctrl+C back to the default action.
TEST(ConsoleShell, TheInterruptSignalAsksForTheStop) {
  ConsoleShell::ClearStopRequest();
  ConsoleShell::InstallInterruptHandler();
  std::raise(SIGINT);
  EXPECT_TRUE(ConsoleShell::StopRequested());
  ConsoleShell::ClearStopRequest();
  EXPECT_EQ(std::signal(SIGINT, SIG_DFL), SIG_DFL);
}

}  // namespace
}  // namespace jc::app
