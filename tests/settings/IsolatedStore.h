#pragma once

#include <memory>

namespace skyrelle::test_support {

// Stands in an empty store of its own for the current user's while it lives, so a test never
// touches the user's settings: on Linux a configuration folder in a temporary folder, on
// Windows a key of its own that takes the place of HKEY_CURRENT_USER in this process.
class TIsolatedStore {
 public:
  TIsolatedStore();
  ~TIsolatedStore();
  TIsolatedStore(const TIsolatedStore&) = delete;
  TIsolatedStore& operator=(const TIsolatedStore&) = delete;

 private:
  struct TImpl;
  std::unique_ptr<TImpl> FImpl;
};

}  // namespace skyrelle::test_support
