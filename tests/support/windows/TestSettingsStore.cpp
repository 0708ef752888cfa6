// The store's names for access rights and value types are macros in <windows.h>, with the
// same values: its header goes first.
#include "support/TestSettingsStore.h"

#include <windows.h>

#include <atomic>
#include <string>

namespace skyrelle::test_support {

struct TTestSettingsStore::TImpl {
  std::string Key;
};

TTestSettingsStore::TTestSettingsStore(const TTempFolder& /*Folder*/)
    : FImpl(std::make_unique<TImpl>()) {
  static std::atomic<int> count{0};
  FImpl->Key = "Software\\Skyrelle tests\\store-" + std::to_string(GetCurrentProcessId()) + "-" +
               std::to_string(++count);
}

TTestSettingsStore::~TTestSettingsStore() {
  RegDeleteTreeW(HKEY_CURRENT_USER, std::wstring(FImpl->Key.begin(), FImpl->Key.end()).c_str());
}

settings::TSettingsStore TTestSettingsStore::Store() const {
  return settings::TSettingsStore(FImpl->Key);
}

}  // namespace skyrelle::test_support
