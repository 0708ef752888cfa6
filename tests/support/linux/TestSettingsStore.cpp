#include "support/TestSettingsStore.h"

namespace skyrelle::test_support {

struct TTestSettingsStore::TImpl {
  std::string File;
};

TTestSettingsStore::TTestSettingsStore(const TTempFolder& Folder)
    : FImpl(std::make_unique<TImpl>(TImpl{Folder / "registry.sqlite3"})) {}
TTestSettingsStore::~TTestSettingsStore() = default;

settings::TSettingsStore TTestSettingsStore::Store() const {
  return settings::TSettingsStore(FImpl->File);
}

}  // namespace skyrelle::test_support
