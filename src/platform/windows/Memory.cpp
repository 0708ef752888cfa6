#include "platform/Memory.h"

#include <windows.h>

namespace skyrelle::platform {

// The C runtime allocates from the process heap; compacting it decommits its free pages.
void ReleaseFreeMemory() { HeapCompact(GetProcessHeap(), 0); }

}  // namespace skyrelle::platform
