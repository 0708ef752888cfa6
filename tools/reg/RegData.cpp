#include "tools/reg/RegData.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <limits>
#include <utility>

#include "core/Text.h"

namespace skyrelle::tools {
namespace {

using settings::TRegValue;

constexpr std::array<std::pair<std::uint32_t, const char*>, 12> TypeNames{{
    {settings::REG_NONE, "REG_NONE"},
    {settings::REG_SZ, "REG_SZ"},
    {settings::REG_EXPAND_SZ, "REG_EXPAND_SZ"},
    {settings::REG_BINARY, "REG_BINARY"},
    {settings::REG_DWORD, "REG_DWORD"},
    {settings::REG_DWORD_BIG_ENDIAN, "REG_DWORD_BIG_ENDIAN"},
    {settings::REG_LINK, "REG_LINK"},
    {settings::REG_MULTI_SZ, "REG_MULTI_SZ"},
    {8, "REG_RESOURCE_LIST"},
    {9, "REG_FULL_RESOURCE_DESCRIPTOR"},
    {10, "REG_RESOURCE_REQUIREMENTS_LIST"},
    {settings::REG_QWORD, "REG_QWORD"},
}};

constexpr const char* MultiSeparator = "\\0";

// A decimal or 0x number within [Min, Max].
std::optional<std::int64_t> ParseNumber(const std::string& Text, std::int64_t Min,
                                        std::uint64_t Max) {
  const bool hex = Text.size() > 2 && Text[0] == '0' && (Text[1] == 'x' || Text[1] == 'X');
  const bool negative = !hex && !Text.empty() && Text[0] == '-';
  const char* first = Text.data() + (hex ? 2 : negative ? 1 : 0);
  const char* last = Text.data() + Text.size();
  std::uint64_t magnitude = 0;
  const auto [end, error] = std::from_chars(first, last, magnitude, hex ? 16 : 10);
  if (error != std::errc() || end != last || first == last) return std::nullopt;
  if (negative) {
    if (magnitude > static_cast<std::uint64_t>(-(Min + 1)) + 1) return std::nullopt;
    return static_cast<std::int64_t>(0 - magnitude);
  }
  if (magnitude > Max) return std::nullopt;
  return static_cast<std::int64_t>(magnitude);
}

std::vector<std::uint8_t> Bytes(std::uint64_t Value, std::size_t Size, bool BigEndian) {
  std::vector<std::uint8_t> data(Size);
  for (std::size_t i = 0; i < Size; ++i) {
    data[BigEndian ? Size - 1 - i : i] = static_cast<std::uint8_t>(Value & 0xFF);
    Value >>= 8;
  }
  return data;
}

std::uint64_t Number(const std::vector<std::uint8_t>& Data, bool BigEndian) {
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < Data.size(); ++i)
    value = (value << 8) | Data[BigEndian ? i : Data.size() - 1 - i];
  return value;
}

std::optional<std::vector<std::uint8_t>> ParseHex(const std::string& Text) {
  if (Text.size() % 2 != 0) return std::nullopt;
  std::vector<std::uint8_t> data(Text.size() / 2);
  for (std::size_t i = 0; i < data.size(); ++i) {
    const auto [end, error] =
        std::from_chars(Text.data() + 2 * i, Text.data() + 2 * i + 2, data[i], 16);
    if (error != std::errc() || end != Text.data() + 2 * i + 2) return std::nullopt;
  }
  return data;
}

std::string Hex(const std::vector<std::uint8_t>& Data) {
  static constexpr const char* Digits = "0123456789ABCDEF";
  std::string text;
  for (const std::uint8_t byte : Data) {
    text += Digits[byte >> 4];
    text += Digits[byte & 0xF];
  }
  return text;
}

std::string HexNumber(std::uint64_t Value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(Value));
  return text;
}

std::vector<std::uint8_t> MultiText(const std::string& Data) {
  std::vector<std::uint8_t> bytes;
  for (std::size_t start = 0; !Data.empty() && start <= Data.size();) {
    const std::size_t end = std::min(Data.find(MultiSeparator, start), Data.size());
    const TRegValue entry = settings::MakeTextValue(Data.substr(start, end - start));
    bytes.insert(bytes.end(), entry.Data.begin(), entry.Data.end());
    start = end + 2;
  }
  bytes.insert(bytes.end(), {0, 0});
  return bytes;
}

std::string MultiTextOf(const std::vector<std::uint8_t>& Data) {
  std::u16string units;
  for (std::size_t i = 0; i + 1 < Data.size(); i += 2)
    units.push_back(static_cast<char16_t>(Data[i] | (Data[i + 1] << 8)));
  while (!units.empty() && units.back() == u'\0') units.pop_back();
  std::string text;
  for (std::size_t start = 0; start <= units.size() && !units.empty();) {
    const std::size_t end = std::min(units.find(u'\0', start), units.size());
    if (start > 0) text += MultiSeparator;
    text += core::Utf16ToUtf8(units.substr(start, end - start));
    start = end + 1;
  }
  return text;
}

}  // namespace

std::optional<std::uint32_t> ParseType(const std::string& Text) {
  const std::string lower = core::AsciiLowerCase(Text);
  for (const auto& [type, name] : TypeNames)
    if (core::AsciiLowerCase(name) == lower) return type;
  const auto number = ParseNumber(Text, 0, std::numeric_limits<std::uint32_t>::max());
  if (!number) return std::nullopt;
  return static_cast<std::uint32_t>(*number);
}

std::string TypeName(std::uint32_t Type) {
  for (const auto& [type, name] : TypeNames)
    if (type == Type) return name;
  return std::to_string(Type);
}

std::optional<TRegValue> ParseData(std::uint32_t Type, const std::string& Data) {
  using namespace settings;
  if (Type == REG_SZ || Type == REG_EXPAND_SZ) return MakeTextValue(Data, Type);
  if (Type == REG_MULTI_SZ) return TRegValue{Type, MultiText(Data)};
  if (Type == REG_DWORD || Type == REG_DWORD_BIG_ENDIAN) {
    const auto number = ParseNumber(Data, std::numeric_limits<std::int32_t>::min(),
                                    std::numeric_limits<std::uint32_t>::max());
    if (!number) return std::nullopt;
    return TRegValue{Type,
                     Bytes(static_cast<std::uint64_t>(*number), 4, Type == REG_DWORD_BIG_ENDIAN)};
  }
  if (Type == REG_QWORD) {
    const auto number = ParseNumber(Data, std::numeric_limits<std::int64_t>::min(),
                                    std::numeric_limits<std::uint64_t>::max());
    if (!number) return std::nullopt;
    return TRegValue{Type, Bytes(static_cast<std::uint64_t>(*number), 8, false)};
  }
  const auto bytes = ParseHex(Data);
  if (!bytes) return std::nullopt;
  return TRegValue{Type, *bytes};
}

std::string FormatData(const TRegValue& Value) {
  using namespace settings;
  const std::size_t size = Value.Data.size();
  switch (Value.Type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
      return TextOfData(Value.Data);
    case REG_MULTI_SZ:
      return MultiTextOf(Value.Data);
    case REG_DWORD:
    case REG_DWORD_BIG_ENDIAN:
      if (size == 4) return HexNumber(Number(Value.Data, Value.Type == REG_DWORD_BIG_ENDIAN));
      break;
    case REG_QWORD:
      if (size == 8) return HexNumber(Number(Value.Data, false));
      break;
    default:
      break;
  }
  return Hex(Value.Data);
}

}  // namespace skyrelle::tools
