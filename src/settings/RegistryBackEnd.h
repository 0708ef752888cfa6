#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "settings/Registry.h"

namespace skyrelle::settings {

// Where a TRegistry keeps its keys: an SQLite file on Linux, the registry itself on Windows.
// Key paths given here are normalised: no leading or trailing "\", no empty part; the root is
// the empty path. TRegistry checks the access rights it was made with before calling.
class IRegistryBackEnd {
 public:
  virtual ~IRegistryBackEnd() = default;

  // Opens the key (creating it and its missing parents when Create is set) and returns its
  // path with the case it was created with; nothing when it does not exist or cannot be made,
  // and then Failure says why when the store knows.
  virtual std::optional<std::string> OpenKey(const std::string& Path, bool Create,
                                             std::string& Failure) = 0;
  virtual void CloseKey() = 0;
  virtual bool KeyExists(const std::string& Path) = 0;
  // Removes the key with its subkeys and values; false when it was not removed.
  virtual bool DeleteKey(const std::string& Path) = 0;

  // The open key's values and subkeys; OpenKey has succeeded before these are called.
  virtual std::optional<TRegValue> ReadValue(const std::string& Name) = 0;
  // False when the store refuses the write (the key is gone, no permission); Reason then says
  // why when the store knows.
  virtual bool WriteValue(const std::string& Name, const TRegValue& Value, std::string& Reason) = 0;
  virtual bool DeleteValue(const std::string& Name) = 0;
  virtual std::vector<std::string> ValueNames() = 0;
  virtual std::vector<std::string> KeyNames() = 0;
};

// The back end of this system for the store.
std::unique_ptr<IRegistryBackEnd> CreateRegistryBackEnd(std::uint32_t Access,
                                                        const TSettingsStore& Store);

}  // namespace skyrelle::settings
