#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>

#include "PlatformTestSupport.h"
#include "platform/linux/CommandRunner.h"

namespace skyrelle::platform {
namespace {

using namespace std::chrono_literals;
using ::testing::HasSubstr;
using namespace test_support;

class CommandRunner : public ::testing::Test {
 protected:
  TStandIns FStandIns;
  TScopedVariable FPath{"PATH", FStandIns.Folder()};
};

TEST_F(CommandRunner, PassesEveryArgumentUntouchedAndCollectsTheOutput) {
  FStandIns.Add("tool", "echo answer; echo complaint >&2; exit 4");
  const std::vector<std::string> arguments = {"tool", "two  spaces",          "'quoted'", "$HOME",
                                              "`id`", "\xC3\xA9\xE2\x98\x80", "",         "a\nb"};
  const TCommandResult result = TCommandRunner().Run(arguments);
  EXPECT_EQ(result.Outcome, TCommandResult::TOutcome::Finished);
  EXPECT_EQ(result.ExitCode, 4);
  EXPECT_EQ(result.Output, "answer\n");
  EXPECT_EQ(result.ErrorOutput, "complaint\n");
  ASSERT_EQ(FStandIns.Calls().size(), 1u);
  EXPECT_EQ(FStandIns.Calls()[0], arguments);
  EXPECT_EQ(CommandFailure(arguments, result, 5s), "tool failed with exit code 4: complaint");
}

TEST_F(CommandRunner, ReportsAMissingProgram) {
  const TCommandResult result = TCommandRunner().Run({"no-such-tool", "x"});
  EXPECT_EQ(result.Outcome, TCommandResult::TOutcome::NotFound);
  EXPECT_EQ(CommandFailure({"no-such-tool"}, result, 5s), "no-such-tool was not found");
}

TEST_F(CommandRunner, StopsAHangingProgramWithEverythingItStarted) {
  const std::string pids = FStandIns.Folder() + "/pids";
  FStandIns.Add(
      "hang", "/bin/sleep 30 & echo $! > '" + pids + "'; echo $$ >> '" + pids + "'; /bin/sleep 30");
  const auto start = std::chrono::steady_clock::now();
  const TCommandResult result = TCommandRunner(300ms).Run({"hang"});
  EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
  EXPECT_EQ(result.Outcome, TCommandResult::TOutcome::TimedOut);
  EXPECT_EQ(CommandFailure({"hang"}, result, 300ms),
            "hang did not answer within 1 s and was stopped");
  std::istringstream started(ReadWholeFile(pids));
  pid_t child = 0, script = 0;
  started >> child >> script;
  EXPECT_TRUE(ProcessGone(script));
  // The grandchild is gone as well, once init has reaped it.
  EXPECT_TRUE(WaitUntil([child] { return ProcessGone(child); }, 10s));
}

// A tool may leave a daemon behind that inherits its output; its own exit is the answer.
TEST_F(CommandRunner, DoesNotWaitForADaemonTheProgramLeftBehind) {
  FStandIns.Add("starter", "/bin/sleep 5 & echo started");
  const auto start = std::chrono::steady_clock::now();
  const TCommandResult result = TCommandRunner(3s).Run({"starter"});
  EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
  EXPECT_TRUE(result.Succeeded());
  EXPECT_EQ(result.Output, "started\n");
}

TEST_F(CommandRunner, StartsADaemonOrSaysWhyNot) {
  FStandIns.Add("daemon", "exec /bin/sleep 30");
  FStandIns.Add("quitter", "echo nope >&2; exit 2");
  std::string error;
  const pid_t pid = TCommandRunner().StartDaemon({"daemon"}, 100ms, error);
  ASSERT_GT(pid, 0);
  EXPECT_EQ(error, "");
  EXPECT_FALSE(ProcessGone(pid));
  ::kill(pid, SIGKILL);

  EXPECT_EQ(TCommandRunner().StartDaemon({"quitter"}, 2s, error), 0);
  EXPECT_EQ(error, "quitter ended at once with exit code 2");
  EXPECT_EQ(TCommandRunner().StartDaemon({"absent"}, 100ms, error), 0);
  EXPECT_EQ(error, "absent was not found");
}

}  // namespace
}  // namespace skyrelle::platform
