#include "update/HttpTransfer.h"

#include <curl/curl.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <random>
#include <system_error>

#include "core/Text.h"

namespace skyrelle::update {
namespace {

using TClock = std::chrono::steady_clock;

// Initialised once and never cleaned up: a background transfer may still run when the
// program ends, and libcurl's global state must outlive it.
void InitialiseLibrary() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct TEasyDeleter {
  void operator()(CURL* AHandle) const { curl_easy_cleanup(AHandle); }
};
using TEasyHandle = std::unique_ptr<CURL, TEasyDeleter>;

struct TSlistDeleter {
  void operator()(curl_slist* AList) const { curl_slist_free_all(AList); }
};
using THeaderList = std::unique_ptr<curl_slist, TSlistDeleter>;

// Watches the time from the connection on; libcurl has no such limit of its own.
struct TResponseWatch {
  CURL* Handle = nullptr;
  std::chrono::milliseconds Limit{0};
  bool Connected = false;
  TClock::time_point ConnectedAt;
};

int ResponseProgress(void* AWatch, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  auto& watch = *static_cast<TResponseWatch*>(AWatch);
  if (!watch.Connected) {
    curl_off_t connectTime = 0;
    curl_easy_getinfo(watch.Handle, CURLINFO_CONNECT_TIME_T, &connectTime);
    if (connectTime <= 0) return 0;
    watch.Connected = true;
    watch.ConnectedAt = TClock::now();
  }
  return TClock::now() - watch.ConnectedAt > watch.Limit ? 1 : 0;
}

struct TBodyFile {
  std::FILE* File = nullptr;
  std::int64_t Written = 0;
  std::int64_t MaxBytes = 0;
};

// A body past its limit ends the transfer, whatever the server announced: a hostile site
// must not fill the disk.
size_t WriteToFile(char* AData, size_t ASize, size_t ACount, void* ABody) {
  auto& body = *static_cast<TBodyFile*>(ABody);
  const auto bytes = static_cast<std::int64_t>(ASize * ACount);
  if (body.MaxBytes > 0 && body.Written + bytes > body.MaxBytes) return 0;
  body.Written += bytes;
  return std::fwrite(AData, 1, ASize * ACount, body.File);
}

size_t DiscardAnswer(char*, size_t ASize, size_t ACount, void*) { return ASize * ACount; }

bool IsPlainHttp(const std::string& AUrl) {
  return core::AsciiLowerCase(AUrl).starts_with("http://");
}

// A handle that speaks only https, or http too when the address itself is http.
TEasyHandle OpenHandle(const std::string& AUrl, const TTransferLimits& ALimits) {
  InitialiseLibrary();
  TEasyHandle handle(curl_easy_init());
  if (!handle) return handle;
  CURL* h = handle.get();
  const char* protocols = IsPlainHttp(AUrl) ? "http,https" : "https";
  curl_easy_setopt(h, CURLOPT_URL, AUrl.c_str());
  curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, protocols);
  curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, protocols);
  curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(h, CURLOPT_MAXREDIRS, 5L);
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
  curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(ALimits.Connect.count()));
  curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, static_cast<long>(ALimits.Total.count()));
  curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, static_cast<long>(ALimits.LowSpeedBytes));
  curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, static_cast<long>(ALimits.LowSpeedTime.count()));
  return handle;
}

// Runs the transfer; true when it ended normally with a 2xx status.
bool Perform(CURL* AHandle, const TTransferLimits& ALimits) {
  TResponseWatch watch{.Handle = AHandle, .Limit = ALimits.Response};
  if (ALimits.Response.count() > 0) {
    curl_easy_setopt(AHandle, CURLOPT_XFERINFOFUNCTION, ResponseProgress);
    curl_easy_setopt(AHandle, CURLOPT_XFERINFODATA, &watch);
    curl_easy_setopt(AHandle, CURLOPT_NOPROGRESS, 0L);
  }
  if (curl_easy_perform(AHandle) != CURLE_OK) return false;
  long status = 0;
  curl_easy_getinfo(AHandle, CURLINFO_RESPONSE_CODE, &status);
  return status >= 200 && status < 300;
}

std::filesystem::path TemporaryBeside(const std::filesystem::path& ATarget) {
  static thread_local std::mt19937_64 random{std::random_device{}()};
  char suffix[32];
  std::snprintf(suffix, sizeof suffix, ".part-%016llx", static_cast<unsigned long long>(random()));
  std::filesystem::path temporary = ATarget;
  temporary += suffix;
  return temporary;
}

bool TransferInto(CURL* AHandle, const std::filesystem::path& APartial,
                  const TTransferLimits& ALimits) {
  // "x": never write through a file or link that someone placed under our fresh name.
  std::FILE* file = std::fopen(APartial.string().c_str(), "wbx");
  if (file == nullptr) return false;
  TBodyFile body{.File = file, .MaxBytes = ALimits.MaxBytes};
  curl_easy_setopt(AHandle, CURLOPT_WRITEFUNCTION, WriteToFile);
  curl_easy_setopt(AHandle, CURLOPT_WRITEDATA, &body);
  const bool transferred = Perform(AHandle, ALimits);
  const bool flushed = std::fflush(file) == 0 && !std::ferror(file);
  return std::fclose(file) == 0 && transferred && flushed;
}

}  // namespace

bool FetchToFile(const std::string& AUrl, const std::string& ATarget,
                 const TTransferLimits& ALimits) {
  try {
    TEasyHandle handle = OpenHandle(AUrl, ALimits);
    if (!handle) return false;
    const std::filesystem::path partial = TemporaryBeside(ATarget);
    std::error_code ignored;
    if (!TransferInto(handle.get(), partial, ALimits)) {
      std::filesystem::remove(partial, ignored);
      return false;
    }
    std::error_code renamed;
    std::filesystem::rename(partial, ATarget, renamed);
    if (renamed) std::filesystem::remove(partial, ignored);
    return !renamed;
  } catch (...) {
    return false;
  }
}

bool PostBytes(const std::string& AUrl, const std::string& ABody,
               const std::vector<std::string>& AHeaders, const TTransferLimits& ALimits) {
  try {
    TEasyHandle handle = OpenHandle(AUrl, ALimits);
    if (!handle) return false;
    THeaderList headers;
    for (const std::string& line : AHeaders) {
      curl_slist* extended = curl_slist_append(headers.get(), line.c_str());
      if (extended == nullptr) return false;
      static_cast<void>(headers.release());
      headers.reset(extended);
    }
    CURL* h = handle.get();
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(h, CURLOPT_POST, 1L);
    curl_easy_setopt(h, CURLOPT_POSTFIELDS, ABody.data());
    curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(ABody.size()));
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, DiscardAnswer);
    return Perform(h, ALimits);
  } catch (...) {
    return false;
  }
}

}  // namespace skyrelle::update
