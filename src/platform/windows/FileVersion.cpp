#include "update/FileVersion.h"

#include <windows.h>

#include <vector>

#include "platform/windows/WideText.h"
#include "update/OSError.h"

namespace skyrelle::update {
namespace {

// Returns 0 with Version filled, or the system's error code of the step that failed.
DWORD ReadVersionResource(const std::string& FileName, TFileVersion& Version) {
  const std::wstring file = platform::windows::Widen(FileName);
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
  if (size == 0) return GetLastError();
  std::vector<BYTE> information(size);
  if (!GetFileVersionInfoW(file.c_str(), 0, size, information.data())) return GetLastError();
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(information.data(), L"\\", reinterpret_cast<void**>(&fixed), &length))
    return GetLastError() != 0 ? GetLastError() : ERROR_RESOURCE_TYPE_NOT_FOUND;
  if (fixed == nullptr || length < sizeof(VS_FIXEDFILEINFO)) return ERROR_RESOURCE_TYPE_NOT_FOUND;
  Version = {HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
             HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS)};
  return 0;
}

}  // namespace

std::string GetFileVersionText(const std::string& FileName) {
  TFileVersion version;
  return ReadVersionResource(FileName, version) == 0 ? FormatVersion(version) : std::string();
}

TFileVersion ReadFileVersion(const std::string& FileName) {
  TFileVersion version;
  if (const DWORD error = ReadVersionResource(FileName, version); error != 0)
    throw EOSError(static_cast<int>(error));
  return version;
}

}  // namespace skyrelle::update
