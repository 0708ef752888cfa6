#include "platform/linux/CommandRunner.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <set>
#include <system_error>
#include <thread>
#include <utility>

#include "platform/linux/SpawnSetup.h"

extern char** environ;

namespace skyrelle::platform {
namespace {

using TClock = std::chrono::steady_clock;

constexpr std::size_t MaxCapturedBytes = std::size_t{64} * 1024;

class TFd {
 public:
  explicit TFd(int Fd = -1) : FFd(Fd) {}
  TFd(TFd&& Other) noexcept : FFd(std::exchange(Other.FFd, -1)) {}
  TFd& operator=(TFd&&) = delete;
  ~TFd() { Close(); }
  int Get() const { return FFd; }
  void Close() {
    if (FFd >= 0) ::close(FFd);
    FFd = -1;
  }

 private:
  int FFd;
};

struct TPipe {
  TFd Read, Write;
};

TPipe MakePipe() {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) throw std::system_error(errno, std::generic_category());
  return TPipe{TFd(fds[0]), TFd(fds[1])};
}

// Children started with StartDaemon; reaped whenever a command runs so none stays a zombie.
std::mutex DaemonsLock;
std::set<pid_t> Daemons;

void ReapDaemons() {
  std::lock_guard lock(DaemonsLock);
  for (auto it = Daemons.begin(); it != Daemons.end();) {
    if (::waitpid(*it, nullptr, WNOHANG) != 0)
      it = Daemons.erase(it);
    else
      ++it;
  }
}

int ExitCodeOf(int Status) {
  if (WIFEXITED(Status)) return WEXITSTATUS(Status);
  if (WIFSIGNALED(Status)) return 128 + WTERMSIG(Status);
  return -1;
}

void ReadAvailable(int Fd, std::string& Into, bool& Open) {
  char buffer[4096];
  const ssize_t count = ::read(Fd, buffer, sizeof buffer);
  if (count > 0) {
    const std::size_t room = MaxCapturedBytes - std::min(MaxCapturedBytes, Into.size());
    Into.append(buffer, std::min(room, static_cast<std::size_t>(count)));
  } else if (count == 0 || (errno != EINTR && errno != EAGAIN)) {
    Open = false;
  }
}

// What is in the pipe now; a process the child left behind may keep it open for long.
void Drain(int Fd, std::string& Into) {
  ::fcntl(Fd, F_SETFL, O_NONBLOCK);
  for (bool open = true; open;) {
    const std::size_t before = Into.size();
    ReadAvailable(Fd, Into, open);
    if (Into.size() == before) break;
  }
}

// Reads both pipes until the child has ended (not until the pipes close: a tool may leave a
// daemon behind that keeps them open) or the deadline passes. True when it ended in time.
bool CollectUntilExit(pid_t Pid, int OutFd, int ErrFd, TClock::time_point Deadline,
                      TCommandResult& Result) {
  bool outOpen = true, errOpen = true;
  for (;;) {
    int status = 0;
    const pid_t done = ::waitpid(Pid, &status, WNOHANG);
    if (done == Pid) {
      Result.ExitCode = ExitCodeOf(status);
      // Whatever is already in the pipes belongs to the answer.
      Drain(OutFd, Result.Output);
      Drain(ErrFd, Result.ErrorOutput);
      return true;
    }
    const auto now = TClock::now();
    if (now >= Deadline) return false;
    pollfd fds[2] = {{outOpen ? OutFd : -1, POLLIN, 0}, {errOpen ? ErrFd : -1, POLLIN, 0}};
    const auto wait = std::min<long long>(
        20, std::chrono::duration_cast<std::chrono::milliseconds>(Deadline - now).count() + 1);
    if (::poll(fds, 2, static_cast<int>(wait)) > 0) {
      if (fds[0].revents != 0) ReadAvailable(OutFd, Result.Output, outOpen);
      if (fds[1].revents != 0) ReadAvailable(ErrFd, Result.ErrorOutput, errOpen);
    }
  }
}

std::string FirstLine(const std::string& Text) {
  const auto begin = Text.find_first_not_of(" \t\r\n");
  if (begin == std::string::npos) return {};
  const auto end = Text.find_first_of("\r\n", begin);
  return Text.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
}

}  // namespace

TCommandResult TCommandRunner::Run(const std::vector<std::string>& Arguments) const {
  ReapDaemons();
  TCommandResult result;
  TPipe out = MakePipe();
  TPipe err = MakePipe();
  TSpawnSetup setup;
  posix_spawn_file_actions_addopen(&setup.Actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&setup.Actions, out.Write.Get(), STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&setup.Actions, err.Write.Get(), STDERR_FILENO);
  // A group of its own, so that a timeout ends the helpers it started too.
  posix_spawnattr_setpgroup(&setup.Attributes, 0);
  setup.CleanSignals(POSIX_SPAWN_SETPGROUP);

  std::vector<char*> argv = ArgumentPointers(Arguments);
  pid_t pid = 0;
  const int spawnError =
      ::posix_spawnp(&pid, argv[0], &setup.Actions, &setup.Attributes, argv.data(), environ);
  out.Write.Close();
  err.Write.Close();
  if (spawnError != 0) {
    result.Outcome = spawnError == ENOENT ? TCommandResult::TOutcome::NotFound
                                          : TCommandResult::TOutcome::StartFailed;
    result.StartError = std::strerror(spawnError);
    return result;
  }

  if (CollectUntilExit(pid, out.Read.Get(), err.Read.Get(), TClock::now() + FTimeout, result)) {
    result.Outcome = TCommandResult::TOutcome::Finished;
    return result;
  }
  ::kill(-pid, SIGKILL);
  ::kill(pid, SIGKILL);
  while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
  }
  result.Outcome = TCommandResult::TOutcome::TimedOut;
  return result;
}

pid_t TCommandRunner::StartDaemon(const std::vector<std::string>& Arguments,
                                  std::chrono::milliseconds Grace, std::string& Error) const {
  ReapDaemons();
  TSpawnSetup setup;
  posix_spawn_file_actions_addopen(&setup.Actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&setup.Actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&setup.Actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  // Its own session: it outlives this program and no terminal signal reaches it.
  setup.CleanSignals(POSIX_SPAWN_SETSID);

  std::vector<char*> argv = ArgumentPointers(Arguments);
  pid_t pid = 0;
  const int spawnError =
      ::posix_spawnp(&pid, argv[0], &setup.Actions, &setup.Attributes, argv.data(), environ);
  if (spawnError != 0) {
    TCommandResult result;
    result.Outcome = spawnError == ENOENT ? TCommandResult::TOutcome::NotFound
                                          : TCommandResult::TOutcome::StartFailed;
    result.StartError = std::strerror(spawnError);
    Error = CommandFailure(Arguments, result, FTimeout);
    return 0;
  }
  const auto deadline = TClock::now() + Grace;
  while (TClock::now() < deadline) {
    int status = 0;
    if (::waitpid(pid, &status, WNOHANG) == pid) {
      Error =
          Arguments.front() + " ended at once with exit code " + std::to_string(ExitCodeOf(status));
      return 0;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::lock_guard lock(DaemonsLock);
  Daemons.insert(pid);
  return pid;
}

std::string CommandFailure(const std::vector<std::string>& Arguments, const TCommandResult& Result,
                           std::chrono::milliseconds Timeout) {
  const std::string& program = Arguments.front();
  switch (Result.Outcome) {
    case TCommandResult::TOutcome::NotFound:
      return program + " was not found";
    case TCommandResult::TOutcome::StartFailed:
      return program + " could not be started: " + Result.StartError;
    case TCommandResult::TOutcome::TimedOut:
      return program + " did not answer within " + std::to_string((Timeout.count() + 999) / 1000) +
             " s and was stopped";
    case TCommandResult::TOutcome::Finished:
      break;
  }
  if (Result.ExitCode == 0) return {};
  std::string text = program + " failed with exit code " + std::to_string(Result.ExitCode);
  std::string detail = FirstLine(Result.ErrorOutput);
  if (detail.empty()) detail = FirstLine(Result.Output);
  if (!detail.empty()) text += ": " + detail;
  return text;
}

}  // namespace skyrelle::platform
