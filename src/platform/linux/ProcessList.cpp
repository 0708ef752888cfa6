#include "platform/linux/ProcessList.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace skyrelle::platform {
namespace {

// /proc/PID/stat is "pid (name) state ppid ..."; the name may itself hold ") ".
bool ReadStat(const std::filesystem::path& Folder, TProcess& Process) {
  std::ifstream file(Folder / "stat");
  std::string line;
  if (!std::getline(file, line)) return false;
  const auto open = line.find('(');
  const auto close = line.rfind(')');
  if (open == std::string::npos || close == std::string::npos || close < open) return false;
  Process.Name = line.substr(open + 1, close - open - 1);
  std::istringstream rest(line.substr(close + 1));
  char state = 0;
  long parent = 0;
  // A zombie has ended; it only waits for its parent to notice.
  if (!(rest >> state >> parent) || state == 'Z') return false;
  Process.ParentPid = static_cast<pid_t>(parent);
  return true;
}

}  // namespace

std::vector<TProcess> RunningProcesses() {
  std::vector<TProcess> processes;
  std::error_code error;
  const uid_t me = ::getuid();
  for (std::filesystem::directory_iterator it("/proc", error), end; !error && it != end;
       it.increment(error)) {
    const std::filesystem::directory_entry& entry = *it;
    const std::string name = entry.path().filename().string();
    if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
    struct stat info {};
    if (::stat(entry.path().c_str(), &info) != 0 || info.st_uid != me) continue;
    TProcess process;
    process.Pid = static_cast<pid_t>(std::strtol(name.c_str(), nullptr, 10));
    if (ReadStat(entry.path(), process)) processes.push_back(std::move(process));
  }
  return processes;
}

}  // namespace skyrelle::platform
