#include "about/Guid.h"

#include <cstdio>

namespace skyrelle::about {

std::string GUIDToString(const TGUID& Id) {
  char text[39];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                unsigned{Id.D1}, unsigned{Id.D2}, unsigned{Id.D3}, unsigned{Id.D4[0]},
                unsigned{Id.D4[1]}, unsigned{Id.D4[2]}, unsigned{Id.D4[3]}, unsigned{Id.D4[4]},
                unsigned{Id.D4[5]}, unsigned{Id.D4[6]}, unsigned{Id.D4[7]});
  return text;
}

}  // namespace skyrelle::about
