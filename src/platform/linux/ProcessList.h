#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace skyrelle::platform {

struct TProcess {
  pid_t Pid = 0;
  pid_t ParentPid = 0;
  std::string Name;  // the kernel's short name (at most 15 bytes)
};

// The current user's live processes (zombies left out), read from /proc; empty when /proc
// is not there.
std::vector<TProcess> RunningProcesses();

}  // namespace skyrelle::platform
