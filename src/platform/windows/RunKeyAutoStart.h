#pragma once

#include <string>

#include "platform/IAutoStart.h"

namespace skyrelle::platform::windows {

// The current user's Run key, from the hive's root.
inline constexpr const char* RunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// The log-on start entry as the value "Skyrelle" of a key of the current user's hive (the
// Run key in the program): only its presence counts; enabling writes the program's path as
// REG_SZ, as it is, without quotation marks or arguments.
class TRunKeyAutoStart final : public IAutoStart {
 public:
  TRunKeyAutoStart(std::string ProgramPath, std::string Key = RunKey);

  bool IsEnabled() const override;
  void Set(bool Enable) override;

 private:
  std::string FProgramPath;
  std::string FKey;
};

}  // namespace skyrelle::platform::windows
