#include "platform/windows/RegistryKey.h"

#include <cstring>
#include <utility>

#include "platform/windows/WideText.h"

namespace skyrelle::platform::windows {

TRegistryKey::TRegistryKey(HKEY Parent, const std::string& Path, REGSAM Access, bool Create) {
  const std::wstring path = Widen(Path);
  FError = Create ? RegCreateKeyExW(Parent, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                    Access, nullptr, &FKey, nullptr)
                  : RegOpenKeyExW(Parent, path.c_str(), 0, Access, &FKey);
  if (FError != ERROR_SUCCESS) FKey = nullptr;
}

TRegistryKey::~TRegistryKey() {
  if (FKey != nullptr) RegCloseKey(FKey);
}

TRegistryKey::TRegistryKey(TRegistryKey&& Other) noexcept
    : FKey(std::exchange(Other.FKey, nullptr)), FError(Other.FError) {}

TRegistryKey& TRegistryKey::operator=(TRegistryKey&& Other) noexcept {
  if (this != &Other) {
    if (FKey != nullptr) RegCloseKey(FKey);
    FKey = std::exchange(Other.FKey, nullptr);
    FError = Other.FError;
  }
  return *this;
}

std::optional<TRegistryKey::TValue> TRegistryKey::Read(const std::string& Name) const {
  if (FKey == nullptr) return std::nullopt;
  const std::wstring name = Widen(Name);
  TValue value;
  DWORD size = 0;
  // The value may grow between asking its size and reading it: ask again then.
  for (;;) {
    LSTATUS status = RegQueryValueExW(FKey, name.c_str(), nullptr, &value.Type, nullptr, &size);
    if (status != ERROR_SUCCESS) return std::nullopt;
    value.Data.resize(size);
    status = RegQueryValueExW(FKey, name.c_str(), nullptr, &value.Type, value.Data.data(), &size);
    if (status == ERROR_MORE_DATA) continue;
    if (status != ERROR_SUCCESS) return std::nullopt;
    value.Data.resize(size);
    return value;
  }
}

LSTATUS TRegistryKey::Write(const std::string& Name, DWORD Type,
                            const std::vector<BYTE>& Data) const {
  if (FKey == nullptr) return ERROR_INVALID_HANDLE;
  return RegSetValueExW(FKey, Widen(Name).c_str(), 0, Type, Data.data(),
                        static_cast<DWORD>(Data.size()));
}

LSTATUS TRegistryKey::Delete(const std::string& Name) const {
  if (FKey == nullptr) return ERROR_INVALID_HANDLE;
  return RegDeleteValueW(FKey, Widen(Name).c_str());
}

namespace {

enum class TNameKind { Values, Subkeys };

// The key's value or subkey names, in the registry's own order.
std::vector<std::string> EnumerateNames(HKEY AKey, TNameKind AKind) {
  std::vector<std::string> names;
  DWORD longestSubkey = 0;
  DWORD longestValue = 0;
  if (AKey == nullptr ||
      RegQueryInfoKeyW(AKey, nullptr, nullptr, nullptr, nullptr, &longestSubkey, nullptr, nullptr,
                       &longestValue, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
    return names;
  const DWORD longest = AKind == TNameKind::Subkeys ? longestSubkey : longestValue;
  std::wstring name(longest + 1, L'\0');
  for (DWORD index = 0;; ++index) {
    DWORD length = longest + 1;
    const LSTATUS status =
        AKind == TNameKind::Subkeys
            ? RegEnumKeyExW(AKey, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr)
            : RegEnumValueW(AKey, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
    if (status != ERROR_SUCCESS) break;
    names.push_back(Narrow(std::wstring_view(name.data(), length)));
  }
  return names;
}

}  // namespace

std::vector<std::string> TRegistryKey::ValueNames() const {
  return EnumerateNames(FKey, TNameKind::Values);
}

std::vector<std::string> TRegistryKey::SubkeyNames() const {
  return EnumerateNames(FKey, TNameKind::Subkeys);
}

std::optional<std::string> TRegistryKey::ReadText(const std::string& Name) const {
  const std::optional<TValue> value = Read(Name);
  if (!value || (value->Type != REG_SZ && value->Type != REG_EXPAND_SZ)) return std::nullopt;
  std::wstring text(value->Data.size() / sizeof(wchar_t), L'\0');
  std::memcpy(text.data(), value->Data.data(), text.size() * sizeof(wchar_t));
  if (const std::size_t end = text.find(L'\0'); end != std::wstring::npos) text.resize(end);
  return Narrow(text);
}

std::optional<DWORD> TRegistryKey::ReadNumber(const std::string& Name) const {
  const std::optional<TValue> value = Read(Name);
  if (!value || value->Type != REG_DWORD || value->Data.size() != sizeof(DWORD))
    return std::nullopt;
  return static_cast<DWORD>(value->Data[0] | (value->Data[1] << 8) | (value->Data[2] << 16) |
                            (static_cast<DWORD>(value->Data[3]) << 24));
}

}  // namespace skyrelle::platform::windows
