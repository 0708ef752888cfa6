#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "support/WaitUntil.h"

// Other processes for tests and benchmarks: programs run to their end, copies of the test
// running a function, and servers left running in the background.
namespace skyrelle::test_support {

struct TProgramRun {
  int ExitCode = -1;  // or 128 + the signal that ended the program
  std::string Output;
  std::string ErrorOutput;
  long PeakKilobytes = 0;  // the most memory it held at once
  double WallSeconds = 0;
  double CpuSeconds = 0;  // user and system
};

// Runs the program at Arguments[0] with the others as its arguments and Input on its standard
// input, and waits for it to end.
TProgramRun RunProgram(const std::vector<std::string>& Arguments, const std::string& Input = "");

// A copy of this process that runs Body and ends with its result as exit code (99 when it
// raised, with the error on standard error). Killed and reaped when destroyed.
class TChildProcess {
 public:
  explicit TChildProcess(const std::function<int()>& Body);
  TChildProcess(const TChildProcess&) = delete;
  TChildProcess& operator=(const TChildProcess&) = delete;
  ~TChildProcess();

  // Waits for the end: the exit code, or 128 + the signal that ended it.
  int Wait();
  void Kill();
  // The most memory the copy held at once; known after Wait.
  long PeakKilobytes() const { return FPeakKilobytes; }

 private:
  int FPid;
  std::optional<int> FExitCode;
  long FPeakKilobytes = 0;
};

// Runs Body in a copy of this process and returns its exit code, as TChildProcess does. A root
// user is first made "nobody", who is given Folder and everything in it, so that file
// permissions apply to it as to any user (tests run as root in CI).
int RunAsNobody(const std::string& Folder, const std::function<int()>& Body);

// A program from PATH left running, its standard output read line by line. It ends with
// the test, even one that crashes.
class TBackgroundProgram {
 public:
  explicit TBackgroundProgram(const std::vector<std::string>& Arguments);
  TBackgroundProgram(const TBackgroundProgram&) = delete;
  TBackgroundProgram& operator=(const TBackgroundProgram&) = delete;
  // Asks the program to end and waits for it.
  ~TBackgroundProgram();

  // False when the program could not be started (not installed, for one).
  bool Started() const { return FPid > 0; }
  // The next line of its output without the line break; nothing when none comes in time.
  std::optional<std::string> ReadLine(std::chrono::milliseconds Timeout);
  // Ends it at once, as a crash would.
  void Kill();

 private:
  int FPid = 0;
  int FOutput = -1;
  std::string FPending;
};

// True when the process has ended; a zombie counts as ended, as in a container nobody may
// reap an orphan.
bool ProcessGone(int Pid);

}  // namespace skyrelle::test_support
