#include "platform/ShellFolders.h"

#include <shlobj.h>
#include <windows.h>

#include <cstring>

#include "platform/windows/WideText.h"

namespace skyrelle::platform {
namespace {

// COM for the main thread, as a single-threaded apartment, from before the program's own
// start-up code until after it has ended; the shell's folder services may need it.
struct TComApartment {
  TComApartment() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE); }
  ~TComApartment() { CoUninitialize(); }
};
const TComApartment ComApartment;

using TGetKnownFolderPath = HRESULT(WINAPI*)(REFKNOWNFOLDERID, DWORD, HANDLE, PWSTR*);

TGetKnownFolderPath KnownFolderService() {
  static const auto Service = [] {
    const HMODULE shell = LoadLibraryW(L"shell32.dll");
    return shell == nullptr ? nullptr
                            : reinterpret_cast<TGetKnownFolderPath>(reinterpret_cast<void*>(
                                  GetProcAddress(shell, "SHGetKnownFolderPath")));
  }();
  return Service;
}

}  // namespace

std::string ShellKnownFolderPath(const std::array<std::uint8_t, 16>& FolderId) {
  const TGetKnownFolderPath service = KnownFolderService();
  if (service == nullptr) return {};
  GUID folder;
  std::memcpy(&folder, FolderId.data(), sizeof folder);
  wchar_t* path = nullptr;
  std::string result;
  if (SUCCEEDED(service(folder, 0, nullptr, &path))) result = windows::Narrow(path);
  CoTaskMemFree(path);
  return result;
}

std::string ShellFolderPath(int CSIDL) {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
  return windows::Narrow(path);
}

}  // namespace skyrelle::platform
