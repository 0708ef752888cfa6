#include "platform/UserLocale.h"

#include <cstdlib>

namespace skyrelle::platform {

// "de_DE.UTF-8@euro" -> "de_DE", taken from LC_ALL, LC_COLLATE or LANG as the C library does.
std::string CollationLocale() {
  for (const char* name : {"LC_ALL", "LC_COLLATE", "LANG"}) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') continue;
    std::string locale(value);
    locale = locale.substr(0, locale.find_first_of(".@"));
    if (locale == "C" || locale == "POSIX") return "";
    return locale;
  }
  return "";
}

}  // namespace skyrelle::platform
