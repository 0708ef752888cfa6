#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "settings/Registry.h"

namespace skyrelle::tools {

// "REG_SZ" -> 1; a type without a name may be given as its number, decimal or 0x.
std::optional<std::uint32_t> ParseType(const std::string& Text);
// 1 -> "REG_SZ"; a type without a name is shown as its decimal number.
std::string TypeName(std::uint32_t Type);

// The value that `add` stores: text for the string types ("\0" separating the entries of
// REG_MULTI_SZ), a decimal or 0x number for REG_DWORD, REG_DWORD_BIG_ENDIAN and REG_QWORD,
// hex digits for every other type. Nothing when Data does not fit the type.
std::optional<settings::TRegValue> ParseData(std::uint32_t Type, const std::string& Data);
// The data as `query` shows it: the inverse of ParseData. Numbers as 0x hex; binary, and
// numbers of the wrong length, as upper-case hex digits.
std::string FormatData(const settings::TRegValue& Value);

}  // namespace skyrelle::tools
