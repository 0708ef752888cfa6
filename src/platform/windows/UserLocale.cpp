#include "platform/UserLocale.h"

#include <windows.h>

#include "platform/windows/WideText.h"

namespace skyrelle::platform {

// Windows names locales "de-DE"; the program's form is "de_DE".
std::string CollationLocale() {
  wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
  if (GetUserDefaultLocaleName(name, LOCALE_NAME_MAX_LENGTH) == 0) return "";
  std::string locale = windows::Narrow(name);
  for (char& c : locale)
    if (c == '-') c = '_';
  return locale;
}

}  // namespace skyrelle::platform
