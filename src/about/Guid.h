#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace skyrelle::about {

// A 128-bit identifier, laid out as Windows lays out a GUID; equal when all 16 bytes are.
struct TGUID {
  std::uint32_t D1 = 0;
  std::uint16_t D2 = 0;
  std::uint16_t D3 = 0;
  std::array<std::uint8_t, 8> D4{};
  bool operator==(const TGUID&) const = default;
};

// The registry text form: "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper-case digits.
std::string GUIDToString(const TGUID& Id);

// A new random identifier (version 4: 122 random bits, the version and variant fields set).
TGUID NewRandomGUID();

// Reads the registry text form at compile time, so constants are written as Windows prints
// them and a mistyped one does not compile.
consteval TGUID GUIDFromText(std::string_view Text) {
  if (Text.size() != 38 || Text[0] != '{' || Text[37] != '}' || Text[9] != '-' || Text[14] != '-' ||
      Text[19] != '-' || Text[24] != '-')
    throw std::invalid_argument("not a braced GUID");
  std::uint64_t digits[32] = {};
  std::size_t count = 0;
  for (const char c : Text.substr(1, 36)) {
    if (c == '-') continue;
    if (c >= '0' && c <= '9') {
      digits[count++] = static_cast<std::uint64_t>(c - '0');
    } else if (c >= 'A' && c <= 'F') {
      digits[count++] = static_cast<std::uint64_t>(c - 'A') + 10;
    } else if (c >= 'a' && c <= 'f') {
      digits[count++] = static_cast<std::uint64_t>(c - 'a') + 10;
    } else {
      throw std::invalid_argument("not a hexadecimal digit");
    }
  }
  const auto number = [&digits](std::size_t First, std::size_t Count) {
    std::uint64_t value = 0;
    for (std::size_t i = First; i < First + Count; ++i) value = value * 16 + digits[i];
    return value;
  };
  TGUID id;
  id.D1 = static_cast<std::uint32_t>(number(0, 8));
  id.D2 = static_cast<std::uint16_t>(number(8, 4));
  id.D3 = static_cast<std::uint16_t>(number(12, 4));
  for (std::size_t i = 0; i < 8; ++i) id.D4[i] = static_cast<std::uint8_t>(number(16 + 2 * i, 2));
  return id;
}

}  // namespace skyrelle::about
