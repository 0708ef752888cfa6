#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace skyrelle::platform {

// Desktop tools answer at once when they work; one that hangs must not freeze the window.
inline constexpr std::chrono::milliseconds DefaultCommandTimeout{5000};

struct TCommandResult {
  enum class TOutcome { Finished, NotFound, TimedOut, StartFailed };
  TOutcome Outcome = TOutcome::StartFailed;
  int ExitCode = -1;        // Finished: the exit status, or 128 + signal
  std::string Output;       // standard output, cut at a generous size
  std::string ErrorOutput;  // standard error, likewise
  std::string StartError;   // StartFailed: why

  bool Succeeded() const { return Outcome == TOutcome::Finished && ExitCode == 0; }
};

// Runs programs from PATH with an argument vector: no shell ever sees the arguments.
class TCommandRunner {
 public:
  explicit TCommandRunner(std::chrono::milliseconds Timeout = DefaultCommandTimeout)
      : FTimeout(Timeout) {}

  // Waits for the program to end; after the timeout it is killed with everything it started.
  TCommandResult Run(const std::vector<std::string>& Arguments) const;

  // Starts a long-running program in a session of its own. Returns its process id, or 0
  // with Error set when it could not start or ended within Grace (a daemon that quits at
  // once has failed). The process is reaped by later calls.
  pid_t StartDaemon(const std::vector<std::string>& Arguments, std::chrono::milliseconds Grace,
                    std::string& Error) const;

  std::chrono::milliseconds Timeout() const { return FTimeout; }

 private:
  std::chrono::milliseconds FTimeout;
};

// Empty when the command succeeded, otherwise one line for the user, e.g.
// "gsettings failed with exit code 1: No such key".
std::string CommandFailure(const std::vector<std::string>& Arguments, const TCommandResult& Result,
                           std::chrono::milliseconds Timeout);

}  // namespace skyrelle::platform
