#pragma once

#include <string_view>

namespace skyrelle::update {

// Without the spaces and control characters (codes up to 32) at both ends.
inline std::string_view Trim(std::string_view Text) {
  const auto trimmed = [](char C) { return static_cast<unsigned char>(C) <= ' '; };
  while (!Text.empty() && trimmed(Text.front())) Text.remove_prefix(1);
  while (!Text.empty() && trimmed(Text.back())) Text.remove_suffix(1);
  return Text;
}

}  // namespace skyrelle::update
