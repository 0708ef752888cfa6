#include "analytics/AppOpenEvent.h"

#include <cstdio>
#include <cstdlib>
#include <list>
#include <mutex>
#include <thread>
#include <utility>

#include "about/Guid.h"
#include "about/OSVersion.h"
#include "analytics/JsonWriter.h"
#include "core/Text.h"
#include "settings/Registry.h"
#include "update/HttpTransfer.h"

namespace skyrelle::analytics {
namespace {

// SKYRELLE_ANALYTICS_URL's scheme, host and port; empty when unset or not an http(s) address.
std::string SiteOverride() {
  const char* value = std::getenv("SKYRELLE_ANALYTICS_URL");
  if (value == nullptr) return {};
  const std::string address(value);
  const std::string lower = core::AsciiLowerCase(address);
  if (!lower.starts_with("http://") && !lower.starts_with("https://")) return {};
  const std::size_t host = address.find("://") + 3;
  return address.substr(0, address.find_first_of("/?#", host));
}

std::string ReplaceFirst(std::string AText, std::string_view AMark, std::string_view AValue) {
  if (const std::size_t at = AText.find(AMark); at != std::string::npos)
    AText.replace(at, AMark.size(), AValue);
  return AText;
}

// The sending threads. Never destroyed, so that a send which outlives main() still finds it.
class TSendThreads {
 public:
  static TSendThreads& Instance() {
    static TSendThreads* threads = new TSendThreads;
    return *threads;
  }

  template <typename TWork>
  void Start(TWork&& AWork) {
    const std::lock_guard lock(FLock);
    TSend& send = FSends.emplace_back();
    try {
      send.Thread = std::thread([this, &send, work = std::forward<TWork>(AWork)]() mutable {
        work();
        const std::lock_guard lock(FLock);
        send.Finished = true;
      });
    } catch (...) {
      FSends.pop_back();
      throw;
    }
  }

  bool Pending() {
    const std::lock_guard lock(FLock);
    for (auto send = FSends.begin(); send != FSends.end();) {
      if (!send->Finished) {
        ++send;
        continue;
      }
      send->Thread.join();
      send = FSends.erase(send);
    }
    return !FSends.empty();
  }

 private:
  struct TSend {
    std::thread Thread;
    bool Finished = false;
  };

  std::mutex FLock;
  std::list<TSend> FSends;  // a list: each thread keeps a reference to its own entry
};

}  // namespace

std::string GetBuildConfig() { return "Release"; }

std::string GetClientId() {
  settings::TRegistry store(settings::KEY_ALL_ACCESS);
  if (!store.OpenKey(std::string(ClientIdKey), true)) return {};
  std::string id;
  if (store.ValueExists("ClientId")) id = store.ReadString("ClientId");
  if (id.empty()) {
    id = about::GUIDToString(about::NewRandomGUID());
    store.WriteString("ClientId", id);
  }
  return id;
}

std::string AppOpenEventBody(std::string_view AClientId, std::string_view AAppName,
                             std::string_view AAppVersion, std::string_view AOsText) {
  const std::string params = JsonObject({
      {"app_name", JsonString(AAppName)},
      {"app_version", JsonString(AAppVersion)},
      {"build_config", JsonString(GetBuildConfig())},
      {"os", JsonString(AOsText)},
  });
  const std::string event = JsonObject({{"name", JsonString(EventName)}, {"params", params}});
  return JsonObject({{"client_id", JsonString(AClientId)}, {"events", JsonArray({event})}});
}

std::string AppOpenEventURL(std::string_view AApiSecret) {
  std::string site = SiteOverride();
  if (site.empty()) site = CollectionSite;
  const std::string pathAndQuery = ReplaceFirst(
      ReplaceFirst(std::string(CollectPathAndQuery), "%s", MeasurementId), "%s", AApiSecret);
  return site + pathAndQuery;
}

bool DoNotTrack() {
  const char* value = std::getenv("DO_NOT_TRACK");
  return value != nullptr && std::string_view(value) == "1";
}

void PostAppOpenEvent(const std::string& AAppName, const std::string& AAppVersion,
                      const std::string& AApiSecret) noexcept {
  try {
    const std::string clientId = GetClientId();
    if (clientId.empty()) return;
    const std::string body =
        AppOpenEventBody(clientId, AAppName, AAppVersion, about::GetOSVersionText());
    const update::TTransferLimits limits{.Connect = ConnectTimeout, .Response = ResponseTimeout};
    update::PostBytes(AppOpenEventURL(AApiSecret), body, {std::string(RequestHeader)}, limits);
  } catch (...) {
    // Usage statistics never trouble the user.
  }
}

void SendAppOpenEvent(const std::string& AAppName, const std::string& AAppVersion,
                      const std::string& AApiSecret) {
  if (DoNotTrack()) return;
  TSendThreads::Instance().Start([name = AAppName, version = AAppVersion, secret = AApiSecret] {
    PostAppOpenEvent(name, version, secret);
  });
}

bool AppOpenEventPending() { return TSendThreads::Instance().Pending(); }

int AbandonAppOpenEvent(int AExitCode) {
  if (!AppOpenEventPending()) return AExitCode;
  std::fflush(nullptr);
  std::_Exit(AExitCode);
}

}  // namespace skyrelle::analytics
