#include "IsolatedStore.h"

#include "support/ScopedVariable.h"
#include "support/TempFolder.h"

namespace skyrelle::settings::testing {

struct TIsolatedStore::TImpl {
  test_support::TTempFolder Folder;
  test_support::TScopedVariable ConfigHome{"XDG_CONFIG_HOME", Folder.Path()};
};

TIsolatedStore::TIsolatedStore() : FImpl(std::make_unique<TImpl>()) {}
TIsolatedStore::~TIsolatedStore() = default;

}  // namespace skyrelle::settings::testing
