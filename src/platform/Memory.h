#pragma once

namespace skyrelle::platform {

// Hands memory the program has freed back to the system where the allocator keeps it.
void ReleaseFreeMemory();

}  // namespace skyrelle::platform
