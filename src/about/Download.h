#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "update/HttpTransfer.h"

namespace skyrelle::about {

// The descriptor is a few lines: the window waits for it before it shows.
inline const update::TTransferLimits DescriptorLimits{.Connect = std::chrono::seconds(10),
                                                      .Total = std::chrono::seconds(20)};

// An installer or a package may take as long as data keeps coming.
inline const update::TTransferLimits ManualDownloadLimits{.Connect = std::chrono::seconds(10),
                                                          .LowSpeedBytes = 1024,
                                                          .LowSpeedTime = std::chrono::seconds(30)};

// Fetches URL into FileName whole: true only when the entire file arrived; a failed fetch
// leaves an earlier file of that name as it was. Never raises.
bool DownloadURLToFile(const std::string& URL, const std::string& FileName,
                       const update::TTransferLimits& Limits);

// A fresh unique file name in the user's temporary folder with the given extension; no file
// of that name is left on disk. Without a temporary folder to write in, the extension alone.
// Never raises.
std::string MakeTempFileName(std::string_view Extension);

}  // namespace skyrelle::about
