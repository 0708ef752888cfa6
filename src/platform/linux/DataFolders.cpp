#include "platform/DataFolders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace skyrelle::platform {

std::string HomeFolder() {
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
  if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_dir != nullptr)
    return entry->pw_dir;
  return "/";
}

namespace {

std::string WithoutTrailingSeparator(std::string Path) {
  while (Path.size() > 1 && Path.back() == '/') Path.pop_back();
  return Path;
}

// The XDG rule: a variable that is unset, empty or relative is ignored.
std::string XdgFolder(const char* Variable, const char* DefaultBelowHome) {
  if (const char* value = std::getenv(Variable); value != nullptr && value[0] == '/')
    return WithoutTrailingSeparator(value);
  return WithoutTrailingSeparator(HomeFolder()) + DefaultBelowHome;
}

}  // namespace

std::string ApplicationDataFolder() { return XdgFolder("XDG_DATA_HOME", "/.local/share"); }

std::string ConfigFolder() { return XdgFolder("XDG_CONFIG_HOME", "/.config"); }

}  // namespace skyrelle::platform
