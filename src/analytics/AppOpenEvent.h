#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace skyrelle::analytics {

// The Google Analytics 4 Measurement Protocol stream that receives the event.
constexpr std::string_view MeasurementId = "G-K4W8QT2RZX";
constexpr std::string_view EventName = "app_open";
// The collection endpoint; SKYRELLE_ANALYTICS_URL (an http or https address) replaces its
// scheme, host and port, for tests and local collectors.
constexpr std::string_view CollectionSite = "https://www.google-analytics.com";
// The two "%s" take the measurement identifier and the API secret, as they are.
constexpr std::string_view CollectPathAndQuery = "/mp/collect?measurement_id=%s&api_secret=%s";
constexpr std::chrono::milliseconds ConnectTimeout{3000};
constexpr std::chrono::milliseconds ResponseTimeout{3000};
constexpr std::string_view RequestHeader = "Content-Type: application/json";
// One identifier per user, whatever the program file is called.
constexpr std::string_view ClientIdKey = "Software\\Halvorn\\Analytics";

std::string GetBuildConfig();

// The stored client identifier; a missing or empty one is replaced by a new random GUID in
// its 38-character braced form and stored. The empty text when the key can be neither opened
// nor created. Raises the store's errors (a value that is not text is left as it is).
std::string GetClientId();

// The event document for these values.
std::string AppOpenEventBody(std::string_view AClientId, std::string_view AAppName,
                             std::string_view AAppVersion, std::string_view AOsText);

// The collection address with the measurement identifier and AApiSecret.
std::string AppOpenEventURL(std::string_view AApiSecret);

// True when the user asked not to be tracked (DO_NOT_TRACK=1): nothing is sent and no
// identifier is made.
bool DoNotTrack();

// Builds and sends one event; every failure ends it quietly. Blocks for the request.
void PostAppOpenEvent(const std::string& AAppName, const std::string& AAppVersion,
                      const std::string& AApiSecret) noexcept;

// Starts PostAppOpenEvent on a thread of its own with copies of the texts, and returns at
// once. Raises only when the thread cannot be started.
void SendAppOpenEvent(const std::string& AAppName, const std::string& AAppVersion,
                      const std::string& AApiSecret);

// True while an event is still being sent. Sending threads that have ended are joined first,
// so false means none is left.
bool AppOpenEventPending();

// For the end of main(): returns AExitCode when no event is being sent any more. While one
// still waits for its answer, ends the process here at once with AExitCode, without the exit
// handlers, which would tear down what that thread still uses.
int AbandonAppOpenEvent(int AExitCode);

}  // namespace skyrelle::analytics
