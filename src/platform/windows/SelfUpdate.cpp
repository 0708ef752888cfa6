#include "platform/SelfUpdate.h"

#include <windows.h>

#include <stdlib.h>
#include <stdexcept>

#include "platform/windows/FolderPath.h"
#include "platform/windows/WideText.h"

namespace skyrelle::platform {
namespace {

using windows::Widen;
using windows::WithoutTrailingSeparator;

}  // namespace

// The user's temporary folder in its long form: the update folder and the script live there.
std::string PrivateRuntimeFolder() {
  wchar_t folder[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
  if (length == 0 || length > MAX_PATH)
    throw std::runtime_error("The system names no temporary folder");
  const DWORD longLength = GetLongPathNameW(folder, nullptr, 0);
  if (longLength == 0) return WithoutTrailingSeparator(windows::Narrow(folder));
  std::wstring longForm(longLength, L'\0');
  longForm.resize(GetLongPathNameW(folder, longForm.data(), longLength));
  return WithoutTrailingSeparator(windows::Narrow(longForm));
}

// The script copies over the program file as the user: the file must not be read-only, and
// the user must be able to make files in its folder.
bool MayReplaceProgramFile(const std::string& AFileName) {
  const std::wstring file = Widen(AFileName);
  const DWORD attributes = GetFileAttributesW(file.c_str());
  if (AFileName.empty() || attributes == INVALID_FILE_ATTRIBUTES ||
      (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0)
    return false;
  const std::size_t separator = file.find_last_of(L"\\/");
  const std::wstring folder =
      separator == std::wstring::npos ? L"." : file.substr(0, separator + 1);
  wchar_t probe[MAX_PATH] = {};
  if (GetTempFileNameW(folder.c_str(), L"sky", 0, probe) == 0) return false;
  DeleteFileW(probe);
  return true;
}

void RemoveEnvironmentVariable(const std::string& AName) {
  const std::wstring name = Widen(AName);
  // The C runtime keeps a copy of its own, which getenv reads.
  _wputenv_s(name.c_str(), L"");
  SetEnvironmentVariableW(name.c_str(), nullptr);
}

}  // namespace skyrelle::platform
