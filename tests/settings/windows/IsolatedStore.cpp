#include "IsolatedStore.h"

#include <windows.h>

#include <stdexcept>
#include <string>

namespace skyrelle::test_support {

struct TIsolatedStore::TImpl {
  std::wstring Path;
  HKEY Key = nullptr;
};

TIsolatedStore::TIsolatedStore() : FImpl(std::make_unique<TImpl>()) {
  FImpl->Path = L"Software\\Skyrelle tests\\" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                std::to_wstring(GetTickCount64());
  if (RegCreateKeyExW(HKEY_CURRENT_USER, FImpl->Path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_ALL_ACCESS, nullptr, &FImpl->Key, nullptr) != ERROR_SUCCESS ||
      RegOverridePredefKey(HKEY_CURRENT_USER, FImpl->Key) != ERROR_SUCCESS)
    throw std::runtime_error("cannot make a registry key for the test");
}

TIsolatedStore::~TIsolatedStore() {
  RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
  RegCloseKey(FImpl->Key);
  RegDeleteTreeW(HKEY_CURRENT_USER, FImpl->Path.c_str());
}

}  // namespace skyrelle::test_support
