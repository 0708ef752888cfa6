#pragma once

#include <memory>

#include "settings/Registry.h"
#include "support/TempFolder.h"

namespace skyrelle::test_support {

// An empty settings store of the test's own: on Linux the file "registry.sqlite3" in the
// test's folder, on Windows a key below HKEY_CURRENT_USER, removed with the object.
class TTestSettingsStore {
 public:
  explicit TTestSettingsStore(const TTempFolder& Folder);
  ~TTestSettingsStore();
  TTestSettingsStore(const TTestSettingsStore&) = delete;
  TTestSettingsStore& operator=(const TTestSettingsStore&) = delete;

  settings::TSettingsStore Store() const;

 private:
  struct TImpl;
  std::unique_ptr<TImpl> FImpl;
};

}  // namespace skyrelle::test_support
