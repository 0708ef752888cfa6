#include "platform/Memory.h"

#include <malloc.h>

namespace skyrelle::platform {

void ReleaseFreeMemory() { malloc_trim(0); }

}  // namespace skyrelle::platform
