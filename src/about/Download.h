#pragma once

#include <string>
#include <string_view>

#include "update/HttpTransfer.h"

namespace skyrelle::about {

// The window waits for the descriptor before it shows; an installer or a package may take as
// long as data keeps coming.
using update::DescriptorLimits;
inline const update::TTransferLimits& ManualDownloadLimits = update::PackageLimits;

// A fresh unique file name in the user's temporary folder with the given extension; no file
// of that name is left on disk. Without a temporary folder to write in, the extension alone.
// Never raises.
std::string MakeTempFileName(std::string_view Extension);

}  // namespace skyrelle::about
