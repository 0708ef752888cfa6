#include "app/UsageEvent.h"

#include "analytics/AppOpenEvent.h"
#include "update/FileVersion.h"

namespace skyrelle::app {

void SendUsageEvent(const std::string& ProgramPath) {
  analytics::SendAppOpenEvent(std::string(UsageEventAppName),
                              update::GetFileVersionText(ProgramPath),
                              std::string(AnalyticsApiSecret));
}

}  // namespace skyrelle::app
