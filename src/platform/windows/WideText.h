#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace skyrelle::platform::windows {

// UTF-8 inside the program, UTF-16 at every call into Windows. Malformed input becomes U+FFFD.
std::wstring Widen(std::string_view Text);
std::string Narrow(std::wstring_view Text);

// The environment variable's value; the empty text when it is not set.
std::string EnvironmentText(const wchar_t* Name);

// The system's description of an error code (FormatMessageW), without the closing line break.
std::string SystemErrorText(DWORD Code);

}  // namespace skyrelle::platform::windows
