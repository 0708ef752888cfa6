#include "IsolatedStore.h"

#include "support/ScopedVariable.h"
#include "support/TempFolder.h"

namespace skyrelle::test_support {

struct TIsolatedStore::TImpl {
  TTempFolder Folder;
  TScopedVariable ConfigHome{"XDG_CONFIG_HOME", Folder.Path()};
};

TIsolatedStore::TIsolatedStore() : FImpl(std::make_unique<TImpl>()) {}
TIsolatedStore::~TIsolatedStore() = default;

}  // namespace skyrelle::test_support
