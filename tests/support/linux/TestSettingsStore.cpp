#include "support/TestSettingsStore.h"

#include "support/TempFolder.h"

namespace skyrelle::test_support {

struct TTestSettingsStore::TImpl {
  TTempFolder Folder;
};

TTestSettingsStore::TTestSettingsStore() : FImpl(std::make_unique<TImpl>()) {}
TTestSettingsStore::~TTestSettingsStore() = default;

settings::TSettingsStore TTestSettingsStore::Store() const {
  return settings::TSettingsStore(FImpl->Folder / "registry.sqlite3");
}

}  // namespace skyrelle::test_support
