#pragma once

#include <signal.h>
#include <spawn.h>

#include <string>
#include <vector>

namespace skyrelle::platform {

// The argument vector posix_spawn wants; the pointers live as long as Arguments.
inline std::vector<char*> ArgumentPointers(const std::vector<std::string>& Arguments) {
  std::vector<char*> pointers;
  pointers.reserve(Arguments.size() + 1);
  for (const std::string& argument : Arguments)
    pointers.push_back(const_cast<char*>(argument.c_str()));
  pointers.push_back(nullptr);
  return pointers;
}

// posix_spawn's attributes and file actions, released on every path.
class TSpawnSetup {
 public:
  TSpawnSetup() {
    posix_spawnattr_init(&Attributes);
    posix_spawn_file_actions_init(&Actions);
  }
  TSpawnSetup(const TSpawnSetup&) = delete;
  TSpawnSetup& operator=(const TSpawnSetup&) = delete;
  ~TSpawnSetup() {
    posix_spawn_file_actions_destroy(&Actions);
    posix_spawnattr_destroy(&Attributes);
  }

  // The child starts with default signal handling and nothing blocked, whatever the
  // program (or its GUI toolkit) changed for itself.
  void CleanSignals(short ExtraFlags) {
    sigset_t all, none;
    sigfillset(&all);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&Attributes, &all);
    posix_spawnattr_setsigmask(&Attributes, &none);
    posix_spawnattr_setflags(&Attributes,
                             POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK | ExtraFlags);
  }

  posix_spawnattr_t Attributes;
  posix_spawn_file_actions_t Actions;
};

}  // namespace skyrelle::platform
