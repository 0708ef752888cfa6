#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace skyrelle::update {

// How long a transfer may take. Zero means no limit of that kind. Windows fetches through the
// URL-moniker library, which takes no time-outs: there the caller stops waiting for a download
// at Total, or without one at Connect + Response, or when it is slower than the low-speed
// limit, and MaxBytes ends it at the first progress report past it.
struct TTransferLimits {
  std::chrono::milliseconds Connect{10000};  // until the connection stands
  std::chrono::milliseconds Total{0};        // the whole transfer
  std::chrono::milliseconds Response{0};     // from the connection to the end of the answer
  std::int64_t LowSpeedBytes = 0;            // abort when slower than this many bytes a second
  std::chrono::seconds LowSpeedTime{0};      // for this long
  std::int64_t MaxBytes = 0;                 // the most a stored body may hold
};

// A descriptor is a few lines, and whoever fetches it waits: it comes quickly or not at all.
inline const TTransferLimits DescriptorLimits{.Connect = std::chrono::seconds(10),
                                              .Total = std::chrono::seconds(20)};
// A package or an installer may take as long as data keeps coming.
inline const TTransferLimits PackageLimits{.Connect = std::chrono::seconds(10),
                                           .LowSpeedBytes = 1024,
                                           .LowSpeedTime = std::chrono::seconds(30)};

// Fetches AUrl into ATarget whole (a temporary file beside it, renamed on success): true only
// for a 2xx answer whose entire body was stored. On failure nothing is left under ATarget and an
// earlier file there is untouched. Addresses are https with verified certificates; plain http
// only when AUrl itself is http (a test server or mirror named by the user), and redirects never
// leave https. Never raises.
bool FetchToFile(const std::string& AUrl, const std::string& ATarget,
                 const TTransferLimits& ALimits);

// POSTs ABody with the extra header lines ("Name: value"); the answer is discarded unread.
// True for a 2xx answer. Never raises; safe on any thread.
bool PostBytes(const std::string& AUrl, const std::string& ABody,
               const std::vector<std::string>& AHeaders, const TTransferLimits& ALimits);

}  // namespace skyrelle::update
