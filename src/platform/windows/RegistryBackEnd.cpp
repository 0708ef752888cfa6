// The settings store on Windows is the registry's current-user hive.
// The store's names for access rights and value types are macros in <windows.h>, with the
// same values: its header goes first.
#include "settings/RegistryBackEnd.h"

#include <windows.h>

#include <algorithm>

#include "platform/windows/RegistryKey.h"
#include "platform/windows/WideText.h"

namespace skyrelle::settings {

std::string SettingsStorePath() { return ""; }

namespace {

using platform::windows::TRegistryKey;

std::string Below(const std::string& Root, const std::string& Path) {
  if (Root.empty()) return Path;
  return Path.empty() ? Root : Root + "\\" + Path;
}

bool SameName(const std::string& Left, const std::string& Right) {
  const std::wstring left = platform::windows::Widen(Left);
  const std::wstring right = platform::windows::Widen(Right);
  return CompareStringOrdinal(left.data(), static_cast<int>(left.size()), right.data(),
                              static_cast<int>(right.size()), TRUE) == CSTR_EQUAL;
}

class TWindowsRegistryBackEnd final : public IRegistryBackEnd {
 public:
  TWindowsRegistryBackEnd(std::uint32_t Access, std::string Root)
      : FAccess(Access), FRoot(std::move(Root)) {}

  std::optional<std::string> OpenKey(const std::string& Path, bool Create,
                                     std::string& Failure) override {
    FKey = TRegistryKey(HKEY_CURRENT_USER, Below(FRoot, Path), FAccess, Create);
    if (FKey.IsOpen()) return StoredPath(Path);
    // A key that is not there is no failure to explain.
    if (FKey.LastError() != ERROR_FILE_NOT_FOUND)
      Failure = platform::windows::SystemErrorText(static_cast<DWORD>(FKey.LastError()));
    return std::nullopt;
  }

  void CloseKey() override { FKey = TRegistryKey(); }

  bool KeyExists(const std::string& Path) override {
    return TRegistryKey(HKEY_CURRENT_USER, Below(FRoot, Path), KEY_READ).IsOpen();
  }

  bool DeleteKey(const std::string& Path) override {
    const std::wstring key = platform::windows::Widen(Below(FRoot, Path));
    return RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str()) == ERROR_SUCCESS && !KeyExists(Path);
  }

  std::optional<TRegValue> ReadValue(const std::string& Name) override {
    std::optional<TRegistryKey::TValue> value = FKey.Read(Name);
    if (!value) return std::nullopt;
    return TRegValue{value->Type, std::move(value->Data)};
  }

  bool WriteValue(const std::string& Name, const TRegValue& Value, std::string& Reason) override {
    const LSTATUS status = FKey.Write(Name, Value.Type, Value.Data);
    // A key deleted meanwhile needs no words, as with the SQLite store.
    if (status != ERROR_SUCCESS && status != ERROR_KEY_DELETED)
      Reason = platform::windows::SystemErrorText(static_cast<DWORD>(status));
    return status == ERROR_SUCCESS;
  }

  bool DeleteValue(const std::string& Name) override { return FKey.Delete(Name) == ERROR_SUCCESS; }

  std::vector<std::string> ValueNames() override { return FKey.ValueNames(); }

  std::vector<std::string> KeyNames() override {
    std::vector<std::string> names = FKey.SubkeyNames();
    std::sort(names.begin(), names.end(), [](const std::string& A, const std::string& B) {
      const std::wstring a = platform::windows::Widen(A);
      const std::wstring b = platform::windows::Widen(B);
      return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                  static_cast<int>(b.size()), TRUE) == CSTR_LESS_THAN;
    });
    return names;
  }

 private:
  // The registry keeps each name's case but has no call that gives a key's path with it:
  // each part is looked up among its parent's subkeys.
  std::string StoredPath(const std::string& Path) const {
    std::string stored;
    TRegistryKey parent(HKEY_CURRENT_USER, FRoot, KEY_READ);
    for (std::size_t start = 0; start < Path.size();) {
      std::size_t end = Path.find('\\', start);
      if (end == std::string::npos) end = Path.size();
      std::string part = Path.substr(start, end - start);
      for (const std::string& name : parent.SubkeyNames())
        if (SameName(name, part)) part = name;
      stored += (stored.empty() ? "" : "\\") + part;
      parent = TRegistryKey(parent.Handle(), part, KEY_READ);
      start = end + 1;
    }
    return stored;
  }

  std::uint32_t FAccess;
  std::string FRoot;
  TRegistryKey FKey;
};

}  // namespace

std::unique_ptr<IRegistryBackEnd> CreateRegistryBackEnd(std::uint32_t Access,
                                                        const TSettingsStore& Store) {
  return std::make_unique<TWindowsRegistryBackEnd>(Access, Store.Location());
}

}  // namespace skyrelle::settings
