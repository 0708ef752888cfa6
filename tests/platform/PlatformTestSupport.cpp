#include "PlatformTestSupport.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "core/Text.h"

namespace skyrelle::platform::testing {
namespace fs = std::filesystem;

std::string ReadWholeFile(const std::string& FileName) {
  std::ifstream file(FileName, std::ios::binary);
  if (!file) throw std::runtime_error("cannot read " + FileName);
  std::ostringstream content;
  content << file.rdbuf();
  return content.str();
}

TStandIns::TStandIns() : FLog(FFolder / "calls.log") {}

void TStandIns::Add(const std::string& Program, const std::string& Body) const {
  const std::string file = FFolder / Program;
  std::ofstream(file) << "#!/bin/sh\n"
                      << "printf '%s\\0' \"${0##*/}\" \"$@\" >> '" << FLog << "'\n"
                      << "printf '\\036\\0' >> '" << FLog << "'\n"
                      << Body << "\n";
  fs::permissions(file, fs::perms::owner_all);
}

TCalls TStandIns::Calls() const {
  TCalls calls;
  if (!fs::exists(FLog)) return calls;
  const std::string log = ReadWholeFile(FLog);
  TCall call;
  std::size_t start = 0;
  for (std::size_t end; (end = log.find('\0', start)) != std::string::npos; start = end + 1) {
    std::string field = log.substr(start, end - start);
    if (field == "\036") {
      calls.push_back(call);
      call.clear();
    } else {
      call.push_back(field);
    }
  }
  return calls;
}

void TStandIns::ClearCalls() const {
  std::error_code error;
  fs::remove(FLog, error);
}

namespace {

int HexValue(char C) {
  if (C >= '0' && C <= '9') return C - '0';
  if (C >= 'a' && C <= 'f') return C - 'a' + 10;
  if (C >= 'A' && C <= 'F') return C - 'A' + 10;
  throw std::runtime_error("bad hex digit");
}

// Backslash escapes shared by the quoted forms; \u escapes are UTF-16 units.
std::string Unescaped(const std::string& Inner) {
  std::u16string units;
  std::string pending;
  const auto flush = [&] {
    units += core::Utf8ToUtf16(pending);
    pending.clear();
  };
  for (std::size_t i = 0; i < Inner.size(); ++i) {
    if (Inner[i] != '\\') {
      pending += Inner[i];
      continue;
    }
    const char next = Inner.at(++i);
    if (next == 'u') {
      flush();
      units += static_cast<char16_t>(std::stoi(Inner.substr(i + 1, 4), nullptr, 16));
      i += 4;
    } else {
      pending += next == 'n' ? '\n' : next == 't' ? '\t' : next;
    }
  }
  flush();
  return core::Utf16ToUtf8(units);
}

}  // namespace

std::string PercentDecoded(const std::string& Uri) {
  if (Uri.rfind("file://", 0) != 0) throw std::runtime_error("not a file URI: " + Uri);
  std::string path;
  for (std::size_t i = 7; i < Uri.size(); ++i) {
    if (Uri[i] == '%') {
      path += static_cast<char>(HexValue(Uri.at(i + 1)) * 16 + HexValue(Uri.at(i + 2)));
      i += 2;
    } else {
      path += Uri[i];
    }
  }
  return path;
}

std::string GVariantStringValue(const std::string& Literal) {
  if (Literal.size() < 2 || Literal.front() != '\'' || Literal.back() != '\'')
    throw std::runtime_error("not a GVariant string: " + Literal);
  return Unescaped(Literal.substr(1, Literal.size() - 2));
}

std::string QuotedValue(const std::string& Literal) {
  if (Literal.size() < 2 || Literal.front() != '"' || Literal.back() != '"')
    throw std::runtime_error("not a quoted string: " + Literal);
  return Unescaped(Literal.substr(1, Literal.size() - 2));
}

TXvfb::TXvfb(const std::string& Geometry) {
  int fds[2];
  if (::pipe(fds) != 0) throw std::runtime_error("pipe failed");
  const std::string fd = std::to_string(fds[1]);
  std::vector<std::string> arguments = {"Xvfb",   "-displayfd", fd,    "-screen", "0",
                                        Geometry, "-nolisten",  "tcp", "-noreset"};
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  // Xvfb must not outlive a test that crashes.
  FPid = ::fork();
  if (FPid == 0) {
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    ::close(fds[0]);
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, STDOUT_FILENO);
    ::dup2(null, STDERR_FILENO);
    ::execvp("Xvfb", argv.data());
    ::_exit(127);
  }
  ::close(fds[1]);
  // Xvfb writes the display number it chose once it accepts connections.
  std::string number;
  pollfd wait = {fds[0], POLLIN, 0};
  char buffer[16];
  while (number.find('\n') == std::string::npos && ::poll(&wait, 1, 20000) > 0) {
    const ssize_t count = ::read(fds[0], buffer, sizeof buffer);
    if (count <= 0) break;
    number.append(buffer, static_cast<std::size_t>(count));
  }
  ::close(fds[0]);
  if (number.find('\n') == std::string::npos) {
    ::kill(FPid, SIGKILL);
    int status = 0;
    ::waitpid(FPid, &status, 0);
    FPid = 0;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 127) return;  // not installed
    throw std::runtime_error("Xvfb did not start");
  }
  FDisplay = ":" + number.substr(0, number.find('\n'));
  FDisplayVariable.emplace("DISPLAY", FDisplay);
}

void TXvfb::Kill() {
  if (FPid <= 0) return;
  ::kill(FPid, SIGKILL);
  ::waitpid(FPid, nullptr, 0);
  FPid = 0;
}

TXvfb::~TXvfb() {
  if (FPid <= 0) return;
  ::kill(FPid, SIGTERM);
  ::waitpid(FPid, nullptr, 0);
}

// A zombie counts as gone: in a container nobody may reap an orphan.
bool ProcessGone(pid_t Pid) {
  if (::kill(Pid, 0) != 0) return errno == ESRCH;
  std::ifstream stat("/proc/" + std::to_string(Pid) + "/stat");
  std::string line;
  std::getline(stat, line);
  const auto close = line.rfind(')');
  return close != std::string::npos && close + 2 < line.size() && line[close + 2] == 'Z';
}

}  // namespace skyrelle::platform::testing
