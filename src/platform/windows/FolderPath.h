#pragma once

#include <string>

namespace skyrelle::platform::windows {

// A folder without the separators at its end, except a drive's root ("C:\"), which keeps it.
inline std::string WithoutTrailingSeparator(std::string AFolder) {
  while (AFolder.size() > 3 && (AFolder.back() == '\\' || AFolder.back() == '/'))
    AFolder.pop_back();
  return AFolder;
}

}  // namespace skyrelle::platform::windows
