#include "platform/ProgramFile.h"

#include <windows.h>

#include "platform/windows/WideText.h"

namespace skyrelle::platform {

// GetModuleFileNameW cuts the path to the buffer without saying so but by filling it: grow
// the buffer until the path fits.
std::string ProgramFilePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) return windows::Narrow(std::wstring_view(path.data(), length));
    path.resize(path.size() * 2);
  }
}

}  // namespace skyrelle::platform
