#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace skyrelle::platform::windows {

// An open registry key, closed when the object goes. Names and paths are UTF-8.
class TRegistryKey {
 public:
  TRegistryKey() = default;
  // Opens Path below Parent with Access; Create also makes it and its missing parents.
  // Check IsOpen() or LastError() afterwards.
  TRegistryKey(HKEY Parent, const std::string& Path, REGSAM Access, bool Create = false);
  ~TRegistryKey();
  TRegistryKey(TRegistryKey&& Other) noexcept;
  TRegistryKey& operator=(TRegistryKey&& Other) noexcept;
  TRegistryKey(const TRegistryKey&) = delete;
  TRegistryKey& operator=(const TRegistryKey&) = delete;

  bool IsOpen() const { return FKey != nullptr; }
  LSTATUS LastError() const { return FError; }
  HKEY Handle() const { return FKey; }

  struct TValue {
    DWORD Type = REG_NONE;
    std::vector<BYTE> Data;
  };
  // Nothing when the value does not exist or cannot be read.
  std::optional<TValue> Read(const std::string& Name) const;
  LSTATUS Write(const std::string& Name, DWORD Type, const std::vector<BYTE>& Data) const;
  LSTATUS Delete(const std::string& Name) const;
  // In the order the registry enumerates them.
  std::vector<std::string> ValueNames() const;
  std::vector<std::string> SubkeyNames() const;
  // A text value (REG_SZ or REG_EXPAND_SZ, not expanded) up to its first null character.
  std::optional<std::string> ReadText(const std::string& Name) const;
  // A REG_DWORD value.
  std::optional<DWORD> ReadNumber(const std::string& Name) const;

 private:
  HKEY FKey = nullptr;
  LSTATUS FError = ERROR_INVALID_HANDLE;
};

}  // namespace skyrelle::platform::windows
