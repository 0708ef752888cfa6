#include "support/Process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "platform/linux/SpawnSetup.h"

namespace skyrelle::test_support {
namespace {

int ExitCodeOf(int Status) {
  return WIFEXITED(Status) ? WEXITSTATUS(Status) : 128 + WTERMSIG(Status);
}

double Seconds(const timeval& Time) {
  return static_cast<double>(Time.tv_sec) + static_cast<double>(Time.tv_usec) / 1e6;
}

using platform::ArgumentPointers;

// An unnamed temporary file, removed when closed.
class TScratchFile {
 public:
  explicit TScratchFile(const std::string& Content = "") : FFile(std::tmpfile()) {
    if (FFile == nullptr) throw std::runtime_error("no temporary file");
    std::fwrite(Content.data(), 1, Content.size(), FFile);
    std::rewind(FFile);
  }
  TScratchFile(const TScratchFile&) = delete;
  TScratchFile& operator=(const TScratchFile&) = delete;
  ~TScratchFile() { std::fclose(FFile); }

  int Descriptor() const { return ::fileno(FFile); }
  std::string Content() const {
    std::string content;
    char buffer[4096];
    for (off_t at = 0;;) {
      const ssize_t got = ::pread(Descriptor(), buffer, sizeof buffer, at);
      if (got <= 0) return content;
      content.append(buffer, static_cast<std::size_t>(got));
      at += got;
    }
  }

 private:
  std::FILE* FFile;
};

}  // namespace

TProgramRun RunProgram(const std::vector<std::string>& Arguments, const std::string& Input) {
  TScratchFile input(Input), output, errorOutput;
  std::vector<char*> argv = ArgumentPointers(Arguments);
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = ::fork();
  if (child == 0) {
    ::dup2(input.Descriptor(), STDIN_FILENO);
    ::dup2(output.Descriptor(), STDOUT_FILENO);
    ::dup2(errorOutput.Descriptor(), STDERR_FILENO);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  int status = 0;
  rusage usage{};
  while (::wait4(child, &status, 0, &usage) < 0 && errno == EINTR) {
  }
  const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - start;
  return {.ExitCode = ExitCodeOf(status),
          .Output = output.Content(),
          .ErrorOutput = errorOutput.Content(),
          .PeakKilobytes = usage.ru_maxrss,
          .WallSeconds = wall.count(),
          .CpuSeconds = Seconds(usage.ru_utime) + Seconds(usage.ru_stime)};
}

TChildProcess::TChildProcess(const std::function<int()>& Body) : FPid(::fork()) {
  if (FPid != 0) return;
  int code = 99;
  try {
    code = Body();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "child %d: %s\n", static_cast<int>(::getpid()), error.what());
  } catch (...) {
  }
  ::_exit(code);
}

TChildProcess::~TChildProcess() {
  if (!FExitCode) {
    Kill();
    Wait();
  }
}

int TChildProcess::Wait() {
  if (!FExitCode) {
    int status = 0;
    rusage usage{};
    while (::wait4(FPid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    FExitCode = ExitCodeOf(status);
    FPeakKilobytes = usage.ru_maxrss;
  }
  return *FExitCode;
}

void TChildProcess::Kill() { ::kill(FPid, SIGKILL); }

TBackgroundProgram::TBackgroundProgram(const std::vector<std::string>& Arguments) {
  int output[2], started[2];
  if (::pipe2(output, O_CLOEXEC) != 0 || ::pipe2(started, O_CLOEXEC) != 0)
    throw std::runtime_error("pipe failed");
  std::vector<char*> argv = ArgumentPointers(Arguments);
  const pid_t child = ::fork();
  if (child == 0) {
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    ::dup2(output[1], STDOUT_FILENO);
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, STDERR_FILENO);
    ::execvp(argv[0], argv.data());
    const char failed = 1;  // the pipe closes unread when the program starts
    (void)!::write(started[1], &failed, 1);
    ::_exit(127);
  }
  ::close(output[1]);
  ::close(started[1]);
  char failed = 0;
  const bool startFailed = ::read(started[0], &failed, 1) == 1;
  ::close(started[0]);
  FOutput = output[0];
  if (startFailed) {
    ::waitpid(child, nullptr, 0);
    return;
  }
  FPid = child;
}

TBackgroundProgram::~TBackgroundProgram() {
  if (FPid > 0) {
    ::kill(FPid, SIGTERM);
    ::waitpid(FPid, nullptr, 0);
  }
  ::close(FOutput);
}

std::optional<std::string> TBackgroundProgram::ReadLine(std::chrono::milliseconds Timeout) {
  const auto deadline = std::chrono::steady_clock::now() + Timeout;
  for (;;) {
    if (const auto end = FPending.find('\n'); end != std::string::npos) {
      std::string line = FPending.substr(0, end);
      FPending.erase(0, end + 1);
      return line;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd ready = {FOutput, POLLIN, 0};
    if (left.count() <= 0 || ::poll(&ready, 1, static_cast<int>(left.count())) <= 0)
      return std::nullopt;
    char buffer[256];
    const ssize_t got = ::read(FOutput, buffer, sizeof buffer);
    if (got <= 0) return std::nullopt;
    FPending.append(buffer, static_cast<std::size_t>(got));
  }
}

void TBackgroundProgram::Kill() {
  if (FPid <= 0) return;
  ::kill(FPid, SIGKILL);
  ::waitpid(FPid, nullptr, 0);
  FPid = 0;
}

int RunAsNobody(const std::string& Folder, const std::function<int()>& Body) {
  return TChildProcess([&] {
           if (::geteuid() == 0) {
             constexpr uid_t nobody = 65534;
             for (const auto& entry : std::filesystem::recursive_directory_iterator(Folder))
               if (::lchown(entry.path().c_str(), nobody, nobody) != 0) ::_exit(97);
             if (::lchown(Folder.c_str(), nobody, nobody) != 0 || ::setgid(nobody) != 0 ||
                 ::setuid(nobody) != 0)
               ::_exit(97);
           }
           return Body();
         })
      .Wait();
}

bool ProcessGone(int Pid) {
  if (::kill(Pid, 0) != 0) return errno == ESRCH;
  std::ifstream stat("/proc/" + std::to_string(Pid) + "/stat");
  std::string line;
  std::getline(stat, line);
  const auto close = line.rfind(')');
  return close != std::string::npos && close + 2 < line.size() && line[close + 2] == 'Z';
}

}  // namespace skyrelle::test_support
