#include "about/Guid.h"

#include <cstdio>
#include <random>

namespace skyrelle::about {

std::string GUIDToString(const TGUID& Id) {
  char text[39];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                unsigned{Id.D1}, unsigned{Id.D2}, unsigned{Id.D3}, unsigned{Id.D4[0]},
                unsigned{Id.D4[1]}, unsigned{Id.D4[2]}, unsigned{Id.D4[3]}, unsigned{Id.D4[4]},
                unsigned{Id.D4[5]}, unsigned{Id.D4[6]}, unsigned{Id.D4[7]});
  return text;
}

TGUID NewRandomGUID() {
  std::random_device source;
  const auto next16 = [&source] { return static_cast<std::uint16_t>(source()); };
  TGUID id;
  id.D1 = static_cast<std::uint32_t>(source());
  id.D2 = next16();
  id.D3 = static_cast<std::uint16_t>((next16() & 0x0FFF) | 0x4000);
  for (std::uint8_t& byte : id.D4) byte = static_cast<std::uint8_t>(source());
  id.D4[0] = static_cast<std::uint8_t>((id.D4[0] & 0x3F) | 0x80);
  return id;
}

}  // namespace skyrelle::about
