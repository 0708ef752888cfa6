#pragma once

#include <string>
#include <string_view>

namespace skyrelle::app {

// The usage event's application name and its Measurement Protocol stream's secret.
inline constexpr std::string_view UsageEventAppName = "Skyrelle";
inline constexpr std::string_view AnalyticsApiSecret = "Qw7kTz4uGs9YbNc2VfH8jD";

// The app-open event with the program file's version text, on a thread of its own; nothing
// waits for it. Raises only when the thread cannot be started.
void SendUsageEvent(const std::string& ProgramPath);

}  // namespace skyrelle::app
