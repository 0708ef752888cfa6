#include "settings/Registry.h"

#include <bit>

#include "core/Text.h"
#include "settings/RegistryBackEnd.h"

namespace skyrelle::settings {
namespace {

ERegistryException GetDataFailed(const std::string& Name) {
  return ERegistryException("Echec à l'obtention des données pour '" + Name + "'");
}

ERegistryException InvalidType(const std::string& Name) {
  return ERegistryException("Type de données incorrect pour '" + Name + "'");
}

// The runtime's text, then on a line of its own why the store refused, when that is known.
ERegistryException SetDataFailed(const std::string& Name, const std::string& Reason) {
  const std::string text = "Echec à la définition des données pour '" + Name + "'";
  return ERegistryException(Reason.empty() ? text : text + "\n" + Reason);
}

// Why a normalised key path lies beyond the store's limits, or "".
std::string KeyLimitProblem(std::string_view Path) {
  std::size_t depth = 0;
  for (std::size_t start = 0; !Path.empty() && start <= Path.size();) {
    const std::size_t end = std::min(Path.find('\\', start), Path.size());
    if (core::Utf16Length(Path.substr(start, end - start)) > MaxNameLength)
      return "Key names are at most " + std::to_string(MaxNameLength) + " characters long";
    if (++depth > MaxKeyDepth)
      return "Keys are at most " + std::to_string(MaxKeyDepth) + " levels deep";
    start = end + 1;
  }
  return "";
}

// "\Software\Halvorn\" -> "Software\Halvorn"; the root is the empty path. Nothing for a path
// with an empty part ("a\\b").
std::optional<std::string> NormalisedKeyPath(std::string_view Key) {
  if (!Key.empty() && Key.front() == '\\') Key.remove_prefix(1);
  if (!Key.empty() && Key.back() == '\\') Key.remove_suffix(1);
  if (Key.empty()) return std::string();
  if (Key.front() == '\\' || Key.back() == '\\' || Key.find("\\\\") != std::string_view::npos)
    return std::nullopt;
  return std::string(Key);
}

std::uint64_t LittleEndian(const std::vector<std::uint8_t>& Data) {
  std::uint64_t value = 0;
  for (std::size_t i = Data.size(); i-- > 0;) value = (value << 8) | Data[i];
  return value;
}

std::vector<std::uint8_t> LittleEndianBytes(std::uint64_t Value, std::size_t Size) {
  std::vector<std::uint8_t> data(Size);
  for (std::uint8_t& byte : data) {
    byte = static_cast<std::uint8_t>(Value & 0xFF);
    Value >>= 8;
  }
  return data;
}

}  // namespace

TRegValue MakeTextValue(const std::string& Text, std::uint32_t Type) {
  std::u16string units = core::BytesToUtf16(Text);
  units.push_back(u'\0');
  TRegValue value{Type, {}};
  value.Data.reserve(units.size() * 2);
  for (const char16_t unit : units) {
    value.Data.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    value.Data.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  return value;
}

std::string TextOfData(const std::vector<std::uint8_t>& Data) {
  std::u16string units;
  for (std::size_t i = 0; i + 1 < Data.size(); i += 2) {
    const auto unit = static_cast<char16_t>(Data[i] | (Data[i + 1] << 8));
    if (unit == u'\0') break;
    units.push_back(unit);
  }
  return core::Utf16ToBytes(units);
}

struct TRegistry::TImpl {
  std::uint32_t Access;
  std::unique_ptr<IRegistryBackEnd> BackEnd;
  std::optional<std::string> Key;  // the open key's stored path
  std::string Failure;             // why the last opening failed, when known

  bool May(std::uint32_t Right) const { return (Access & Right) == Right; }
};

TRegistry::TRegistry(std::uint32_t Access, const TSettingsStore& Store)
    : FImpl(std::make_unique<TImpl>()) {
  FImpl->Access = Access;
  FImpl->BackEnd = CreateRegistryBackEnd(Access, Store);
}

TRegistry::~TRegistry() = default;

void TRegistry::SetRootKey(TRootKey /*Root*/) {}

bool TRegistry::OpenKey(const std::string& Key, bool CanCreate) {
  CloseKey();
  FImpl->Failure.clear();
  const std::optional<std::string> path = NormalisedKeyPath(Key);
  if (!path) return false;
  FImpl->Failure = KeyLimitProblem(*path);
  if (!FImpl->Failure.empty()) return false;
  FImpl->Key =
      FImpl->BackEnd->OpenKey(*path, CanCreate && FImpl->May(KEY_CREATE_SUB_KEY), FImpl->Failure);
  return FImpl->Key.has_value();
}

const std::string& TRegistry::OpenFailure() const { return FImpl->Failure; }

void TRegistry::CloseKey() {
  FImpl->Key.reset();
  FImpl->BackEnd->CloseKey();
}

std::string TRegistry::CurrentPath() const { return FImpl->Key.value_or(std::string()); }

bool TRegistry::KeyExists(const std::string& Key) {
  const std::optional<std::string> path = NormalisedKeyPath(Key);
  return path && FImpl->BackEnd->KeyExists(*path);
}

bool TRegistry::DeleteKey(const std::string& Key) {
  const std::optional<std::string> path = NormalisedKeyPath(Key);
  if (!path || path->empty() || !FImpl->May(KEY_CREATE_SUB_KEY)) return false;
  return FImpl->BackEnd->DeleteKey(*path);
}

std::optional<TRegValue> TRegistry::ReadValue(const std::string& Name) {
  if (!FImpl->Key) return std::nullopt;
  return FImpl->BackEnd->ReadValue(Name);
}

void TRegistry::WriteValue(const std::string& Name, const TRegValue& Value) {
  if (!FImpl->Key || !FImpl->May(KEY_SET_VALUE)) throw SetDataFailed(Name, FImpl->Failure);
  if (core::Utf16Length(Name) > MaxNameLength)
    throw SetDataFailed(
        Name, "Value names are at most " + std::to_string(MaxNameLength) + " characters long");
  std::string reason;
  if (!FImpl->BackEnd->WriteValue(Name, Value, reason)) throw SetDataFailed(Name, reason);
}

bool TRegistry::DeleteValue(const std::string& Name) {
  if (!FImpl->Key || !FImpl->May(KEY_SET_VALUE)) return false;
  return FImpl->BackEnd->DeleteValue(Name);
}

bool TRegistry::ValueExists(const std::string& Name) { return ReadValue(Name).has_value(); }

std::vector<std::string> TRegistry::GetValueNames() {
  if (!FImpl->Key) return {};
  return FImpl->BackEnd->ValueNames();
}

std::vector<std::string> TRegistry::GetKeyNames() {
  if (!FImpl->Key) return {};
  return FImpl->BackEnd->KeyNames();
}

std::string TRegistry::ReadString(const std::string& Name) {
  const std::optional<TRegValue> value = ReadValue(Name);
  if (!value || value->Data.empty()) return {};
  if (value->Type != REG_SZ && value->Type != REG_EXPAND_SZ) throw InvalidType(Name);
  return TextOfData(value->Data);
}

std::int32_t TRegistry::ReadInteger(const std::string& Name) {
  const std::optional<TRegValue> value = ReadValue(Name);
  if (!value || value->Data.size() > sizeof(std::int32_t)) throw GetDataFailed(Name);
  // A double word shorter than 4 bytes is refused too: its missing bytes would be garbage.
  if ((value->Type != REG_DWORD && value->Type != REG_DWORD_BIG_ENDIAN) ||
      value->Data.size() != sizeof(std::int32_t))
    throw InvalidType(Name);
  return static_cast<std::int32_t>(LittleEndian(value->Data));
}

double TRegistry::ReadDateTime(const std::string& Name) {
  const std::optional<TRegValue> value = ReadValue(Name);
  if (!value || value->Data.size() > sizeof(double)) throw GetDataFailed(Name);
  if (value->Type != REG_BINARY || value->Data.size() != sizeof(double)) throw InvalidType(Name);
  return std::bit_cast<double>(LittleEndian(value->Data));
}

void TRegistry::WriteString(const std::string& Name, const std::string& Value) {
  WriteValue(Name, MakeTextValue(Value));
}

void TRegistry::WriteInteger(const std::string& Name, std::int32_t Value) {
  WriteValue(Name, {REG_DWORD, LittleEndianBytes(static_cast<std::uint32_t>(Value), 4)});
}

void TRegistry::WriteDateTime(const std::string& Name, double Value) {
  WriteValue(Name, {REG_BINARY, LittleEndianBytes(std::bit_cast<std::uint64_t>(Value), 8)});
}

}  // namespace skyrelle::settings
