#include "ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

namespace skyrelle::bench {

namespace {

double Seconds(const timeval& Time) { return double(Time.tv_sec) + double(Time.tv_usec) / 1e6; }

std::string ReadAll(int Descriptor) {
  std::string Text;
  char Buffer[4096];
  for (ssize_t Read; (Read = ::read(Descriptor, Buffer, sizeof Buffer)) > 0;)
    Text.append(Buffer, static_cast<std::size_t>(Read));
  return Text;
}

}  // namespace

TChildRun RunChild(const std::vector<std::string>& Command, double TimeoutSeconds) {
  char ErrorFile[] = "/tmp/skyrelle-bench-stderr-XXXXXX";
  const int Errors = ::mkstemp(ErrorFile);
  ::unlink(ErrorFile);
  const auto Start = std::chrono::steady_clock::now();
  const pid_t Child = ::fork();
  if (Child == 0) {
    ::dup2(Errors, 2);
    std::vector<char*> Argv;
    for (const std::string& Part : Command) Argv.push_back(const_cast<char*>(Part.c_str()));
    Argv.push_back(nullptr);
    ::execv(Argv[0], Argv.data());
    ::_exit(127);
  }
  TChildRun Run;
  int Status = 0;
  rusage Usage{};
  while (::wait4(Child, &Status, WNOHANG, &Usage) == 0) {
    const std::chrono::duration<double> Elapsed = std::chrono::steady_clock::now() - Start;
    if (Elapsed.count() > TimeoutSeconds) ::kill(Child, SIGKILL);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  Run.WallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
  Run.CpuSeconds = Seconds(Usage.ru_utime) + Seconds(Usage.ru_stime);
  Run.PeakKilobytes = Usage.ru_maxrss;
  Run.ExitCode = WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
  ::lseek(Errors, 0, SEEK_SET);
  Run.ErrorOutput = ReadAll(Errors);
  ::close(Errors);
  return Run;
}

}  // namespace skyrelle::bench
