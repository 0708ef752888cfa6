#pragma once

#include <memory>

#include "settings/Registry.h"

namespace skyrelle::test_support {

// An empty settings store of the test's own, removed with it: on Linux a file in a temporary
// folder, on Windows a key below HKEY_CURRENT_USER.
class TTestSettingsStore {
 public:
  TTestSettingsStore();
  ~TTestSettingsStore();
  TTestSettingsStore(const TTestSettingsStore&) = delete;
  TTestSettingsStore& operator=(const TTestSettingsStore&) = delete;

  settings::TSettingsStore Store() const;

 private:
  struct TImpl;
  std::unique_ptr<TImpl> FImpl;
};

}  // namespace skyrelle::test_support
