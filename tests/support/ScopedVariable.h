#pragma once

#include <optional>
#include <string>

namespace skyrelle::test_support {

// Sets an environment variable (std::nullopt: removes it) for the scope, then restores it.
class TScopedVariable {
 public:
  TScopedVariable(const char* Name, const std::optional<std::string>& Value);
  ~TScopedVariable();
  TScopedVariable(const TScopedVariable&) = delete;
  TScopedVariable& operator=(const TScopedVariable&) = delete;

 private:
  void Set(const std::optional<std::string>& Value) const;

  std::string FName;
  std::optional<std::string> FOld;
};

}  // namespace skyrelle::test_support
