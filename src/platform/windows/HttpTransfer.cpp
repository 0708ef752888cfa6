#include "update/HttpTransfer.h"

#include <windows.h>

#include <urlmon.h>
#include <winhttp.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <thread>

#include "core/Text.h"
#include "platform/windows/WideText.h"

namespace skyrelle::update {
namespace {

using platform::windows::Widen;
using TClock = std::chrono::steady_clock;

// How often a waiting caller looks at the time and the progress.
constexpr std::chrono::milliseconds CheckInterval{100};

bool StartsWithNoCase(const std::string& AText, std::string_view APrefix) {
  return core::AsciiLowerCase(AText.substr(0, APrefix.size())) == APrefix;
}

bool IsSecure(const std::string& AUrl) { return StartsWithNoCase(AUrl, "https://"); }

// A redirect's target, as the callback is given it; compared in place, since nothing may raise
// inside a callback of Windows.
bool IsSecureTarget(const wchar_t* ATarget) {
  if (ATarget == nullptr) return false;
  const std::wstring_view target(ATarget);
  return target.size() >= 8 &&
         CompareStringOrdinal(target.data(), 8, L"https://", 8, TRUE) == CSTR_EQUAL;
}

bool IsWebAddress(const std::string& AUrl) {
  return IsSecure(AUrl) || StartsWithNoCase(AUrl, "http://");
}

// COM on this thread while a download runs; a thread that has it already keeps its own.
class TComScope {
 public:
  TComScope() : FJoined(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~TComScope() {
    if (FJoined) CoUninitialize();
  }
  TComScope(const TComScope&) = delete;
  TComScope& operator=(const TComScope&) = delete;

 private:
  bool FJoined;
};

using TDownloadToFile = HRESULT(WINAPI*)(IUnknown*, const wchar_t*, const wchar_t*, DWORD,
                                         IBindStatusCallback*);

// The URL-moniker library is loaded when the first download starts, from the system's own
// folder only: a urlmon.dll beside the program must not be taken for it.
TDownloadToFile DownloadToFile() {
  static const auto Function = [] {
    const HMODULE library = LoadLibraryExW(L"urlmon.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    return library == nullptr ? nullptr
                              : reinterpret_cast<TDownloadToFile>(reinterpret_cast<void*>(
                                    GetProcAddress(library, "URLDownloadToFileW")));
  }();
  return Function;
}

// The value of a header line in a block of "Name: value" lines; nothing when it is missing.
std::optional<std::wstring> HeaderValue(std::wstring_view AHeaders, std::wstring_view AName) {
  std::size_t start = 0;
  while (start < AHeaders.size()) {
    std::size_t end = AHeaders.find(L"\r\n", start);
    if (end == std::wstring_view::npos) end = AHeaders.size();
    const std::wstring_view line = AHeaders.substr(start, end - start);
    start = end + 2;
    if (line.size() <= AName.size() || line[AName.size()] != L':' ||
        CompareStringOrdinal(line.data(), static_cast<int>(AName.size()), AName.data(),
                             static_cast<int>(AName.size()), TRUE) != CSTR_EQUAL)
      continue;
    std::wstring_view value = line.substr(AName.size() + 1);
    while (!value.empty() && value.front() == L' ') value.remove_prefix(1);
    while (!value.empty() && value.back() == L' ') value.remove_suffix(1);
    return std::wstring(value);
  }
  return std::nullopt;
}

// What the caller's thread and the downloading thread share. The downloading thread may
// outlive the call: URLDownloadToFileW cannot be stopped from outside, so a caller whose time
// is up leaves it behind, and it removes its file itself when it ends.
struct TDownloadJob {
  TDownloadJob(std::string AUrl, std::wstring APartial, const TTransferLimits& ALimits)
      : Url(std::move(AUrl)), Partial(std::move(APartial)), Limits(ALimits) {}

  const std::string Url;
  const std::wstring Partial;
  const TTransferLimits Limits;
  std::atomic<ULONG> Received{0};
  std::atomic<bool> GivenUp{false};
  std::mutex Lock;
  std::condition_variable Ended;
  bool Finished = false;  // under Lock
  bool Complete = false;  // under Lock
};

// Watches one URLDownloadToFileW: the server's answer through IHttpNegotiate::OnResponse,
// since the call itself may report success for an error page, and the progress, which ends
// the transfer past the size limit or once the caller has given up. The library asks for the
// negotiation either directly or as a service. It lives on the downloading thread's stack for
// the one call. Nothing here may raise: the methods are called from the library, across a
// COM boundary.
class TDownloadWatch final : public IBindStatusCallback,
                             public IHttpNegotiate,
                             public IServiceProvider {
 public:
  explicit TDownloadWatch(TDownloadJob& AJob) : FJob(AJob), FSecure(IsSecure(AJob.Url)) {}
  TDownloadWatch(const TDownloadWatch&) = delete;
  TDownloadWatch& operator=(const TDownloadWatch&) = delete;
  virtual ~TDownloadWatch() = default;

  // True when the stored file is the whole body of a successful answer.
  bool Complete(std::uint64_t AStoredBytes) const {
    if (FAborted || FStatus < 200 || FStatus >= 300) return false;
    if (FJob.Limits.MaxBytes > 0 && AStoredBytes > static_cast<std::uint64_t>(FJob.Limits.MaxBytes))
      return false;
    return !FAnnouncedLength || *FAnnouncedLength == AStoredBytes;
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID AId, void** AObject) override {
    if (AObject == nullptr) return E_POINTER;
    if (IsEqualIID(AId, IID_IUnknown) || IsEqualIID(AId, IID_IBindStatusCallback)) {
      *AObject = static_cast<IBindStatusCallback*>(this);
    } else if (IsEqualIID(AId, IID_IHttpNegotiate)) {
      *AObject = static_cast<IHttpNegotiate*>(this);
    } else if (IsEqualIID(AId, IID_IServiceProvider)) {
      *AObject = static_cast<IServiceProvider*>(this);
    } else {
      *AObject = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++FReferences; }
  ULONG STDMETHODCALLTYPE Release() override { return --FReferences; }

  HRESULT STDMETHODCALLTYPE QueryService(REFGUID, REFIID AId, void** AObject) override {
    if (AObject != nullptr) *AObject = nullptr;
    return IsEqualIID(AId, IID_IHttpNegotiate) ? QueryInterface(AId, AObject) : E_NOINTERFACE;
  }

  HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD, IBinding*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetPriority(LONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnLowResource(DWORD) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT, const wchar_t*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID, IUnknown*) override { return S_OK; }

  // A copy in the system's cache would stand in for the site: a descriptor must be the one
  // the site serves now.
  HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD* AFlags, BINDINFO*) override {
    if (AFlags != nullptr) *AFlags |= BINDF_GETNEWESTVERSION;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE OnProgress(ULONG AProgress, ULONG AProgressMax, ULONG AStatus,
                                       const wchar_t* AText) override {
    if (FJob.GivenUp) return Abort();
    if (AStatus == BINDSTATUS_REDIRECTING && FSecure && !IsSecureTarget(AText)) return Abort();
    if (AStatus == BINDSTATUS_BEGINDOWNLOADDATA || AStatus == BINDSTATUS_DOWNLOADINGDATA ||
        AStatus == BINDSTATUS_ENDDOWNLOADDATA) {
      FJob.Received = AProgress;
      if (Beyond(AProgress) || Beyond(AProgressMax)) return Abort();
    }
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE BeginningTransaction(const wchar_t*, const wchar_t*, DWORD,
                                                 wchar_t** AExtraHeaders) override {
    if (AExtraHeaders != nullptr) *AExtraHeaders = nullptr;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE OnResponse(DWORD AStatus, const wchar_t* AHeaders, const wchar_t*,
                                       wchar_t** AExtraHeaders) override {
    if (AExtraHeaders != nullptr) *AExtraHeaders = nullptr;
    // A redirect's answer may come before the last one; an error page ends it at once.
    FStatus = AStatus;
    if (AStatus >= 400) return Abort();
    try {
      FAnnouncedLength = AnnouncedLength(AHeaders == nullptr ? L"" : AHeaders);
    } catch (...) {
      return Abort();
    }
    return S_OK;
  }

 private:
  HRESULT Abort() {
    FAborted = true;
    return E_ABORT;
  }

  bool Beyond(ULONG ABytes) const {
    return FJob.Limits.MaxBytes > 0 && static_cast<std::int64_t>(ABytes) > FJob.Limits.MaxBytes;
  }

  // The body's length as sent, when the answer says it and the body is not re-encoded on the
  // way into the file.
  static std::optional<std::uint64_t> AnnouncedLength(std::wstring_view AHeaders) {
    const std::optional<std::wstring> encoding = HeaderValue(AHeaders, L"Content-Encoding");
    if (encoding && !encoding->empty() &&
        CompareStringOrdinal(encoding->c_str(), -1, L"identity", -1, TRUE) != CSTR_EQUAL)
      return std::nullopt;
    const std::optional<std::wstring> length = HeaderValue(AHeaders, L"Content-Length");
    if (!length || length->empty() ||
        length->find_first_not_of(L"0123456789") != std::wstring::npos)
      return std::nullopt;
    return std::stoull(*length);
  }

  TDownloadJob& FJob;
  bool FSecure;
  std::atomic<ULONG> FReferences{1};
  DWORD FStatus = 0;
  bool FAborted = false;
  std::optional<std::uint64_t> FAnnouncedLength;
};

std::optional<std::uint64_t> StoredSize(const std::wstring& AFile) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(AFile.c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    return std::nullopt;
  return (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

std::wstring TemporaryBeside(const std::string& ATarget) {
  static thread_local std::mt19937_64 random{std::random_device{}()};
  char suffix[32];
  std::snprintf(suffix, sizeof suffix, ".part-%016llx", static_cast<unsigned long long>(random()));
  return Widen(ATarget + suffix);
}

// The downloading thread's part: true when the file holds the whole body of a successful
// answer.
bool DownloadHere(TDownloadJob& AJob) {
  const TDownloadToFile download = DownloadToFile();
  if (download == nullptr) return false;
  const TComScope com;
  TDownloadWatch watch(AJob);
  if (download(nullptr, Widen(AJob.Url).c_str(), AJob.Partial.c_str(), 0, &watch) != S_OK)
    return false;
  const std::optional<std::uint64_t> stored = StoredSize(AJob.Partial);
  return stored && watch.Complete(*stored);
}

void RunDownload(const std::shared_ptr<TDownloadJob>& AJob) noexcept {
  bool complete = false;
  try {
    complete = DownloadHere(*AJob);
  } catch (...) {
  }
  const std::lock_guard lock(AJob->Lock);
  AJob->Finished = true;
  AJob->Complete = complete;
  if (AJob->GivenUp) DeleteFileW(AJob->Partial.c_str());
  AJob->Ended.notify_all();
}

// The caller's limits in time, checked while the download runs: the whole transfer, or
// without that the connection and the answer together, and the low speed over each window.
class TDeadlines {
 public:
  explicit TDeadlines(const TTransferLimits& ALimits)
      : FLimits(ALimits), FStart(TClock::now()), FWindowStart(FStart) {}

  bool Passed(ULONG AReceived) {
    const TClock::time_point now = TClock::now();
    const std::chrono::milliseconds whole = FLimits.Total.count() > 0 ? FLimits.Total
                                            : FLimits.Response.count() > 0
                                                ? FLimits.Connect + FLimits.Response
                                                : std::chrono::milliseconds(0);
    if (whole.count() > 0 && now - FStart > whole) return true;
    if (FLimits.LowSpeedBytes <= 0 || FLimits.LowSpeedTime.count() <= 0 ||
        now - FWindowStart < FLimits.LowSpeedTime)
      return false;
    const bool slow = static_cast<std::int64_t>(AReceived - FWindowBytes) <
                      FLimits.LowSpeedBytes * FLimits.LowSpeedTime.count();
    FWindowStart = now;
    FWindowBytes = AReceived;
    return slow;
  }

 private:
  TTransferLimits FLimits;
  TClock::time_point FStart;
  TClock::time_point FWindowStart;
  ULONG FWindowBytes = 0;
};

// Fetches into APartial on a thread of its own, so that a server that stalls cannot hold the
// caller past its limits; true when it holds the whole body of a successful answer.
bool Download(const std::string& AUrl, const std::wstring& APartial,
              const TTransferLimits& ALimits) {
  const auto job = std::make_shared<TDownloadJob>(AUrl, APartial, ALimits);
  std::thread(RunDownload, job).detach();
  TDeadlines deadlines(ALimits);
  std::unique_lock lock(job->Lock);
  while (!job->Ended.wait_for(lock, CheckInterval, [&job] { return job->Finished; })) {
    if (deadlines.Passed(job->Received)) {
      job->GivenUp = true;
      return false;
    }
  }
  return job->Complete;
}

struct TInternetClose {
  void operator()(HINTERNET AHandle) const { WinHttpCloseHandle(AHandle); }
};
using TInternetHandle = std::unique_ptr<void, TInternetClose>;

// Sets a time-out in milliseconds; zero keeps the system's.
bool SetTimeout(HINTERNET AHandle, DWORD AOption, std::chrono::milliseconds ALimit) {
  if (ALimit.count() <= 0) return true;
  DWORD value = static_cast<DWORD>(ALimit.count());
  return WinHttpSetOption(AHandle, AOption, &value, sizeof value) != FALSE;
}

std::wstring HeaderBlock(const std::vector<std::string>& AHeaders) {
  std::string block;
  for (const std::string& line : AHeaders) block += line + "\r\n";
  return Widen(block);
}

}  // namespace

bool FetchToFile(const std::string& AUrl, const std::string& ATarget,
                 const TTransferLimits& ALimits) {
  try {
    if (!IsWebAddress(AUrl)) return false;
    const std::wstring partial = TemporaryBeside(ATarget);
    if (GetFileAttributesW(partial.c_str()) != INVALID_FILE_ATTRIBUTES) return false;
    if (Download(AUrl, partial, ALimits) &&
        MoveFileExW(partial.c_str(), Widen(ATarget).c_str(), MOVEFILE_REPLACE_EXISTING))
      return true;
    DeleteFileW(partial.c_str());
    return false;
  } catch (...) {
    return false;
  }
}

bool PostBytes(const std::string& AUrl, const std::string& ABody,
               const std::vector<std::string>& AHeaders, const TTransferLimits& ALimits) {
  try {
    if (!IsWebAddress(AUrl)) return false;
    const std::wstring url = Widen(AUrl);
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = DWORD(-1);
    if (!WinHttpCrackUrl(url.c_str(), 0, 0, &parts)) return false;
    const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    const std::wstring target = std::wstring(parts.lpszUrlPath, parts.dwUrlPathLength) +
                                std::wstring(parts.lpszExtraInfo, parts.dwExtraInfoLength);

    const TInternetHandle session(WinHttpOpen(nullptr, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                                              WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session || !SetTimeout(session.get(), WINHTTP_OPTION_CONNECT_TIMEOUT, ALimits.Connect) ||
        !SetTimeout(session.get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, ALimits.Response) ||
        !SetTimeout(session.get(), WINHTTP_OPTION_RECEIVE_TIMEOUT, ALimits.Response))
      return false;
    const TInternetHandle connection(WinHttpConnect(session.get(), host.c_str(), parts.nPort, 0));
    if (!connection) return false;
    const TInternetHandle request(
        WinHttpOpenRequest(connection.get(), L"POST", target.c_str(), nullptr, WINHTTP_NO_REFERER,
                           WINHTTP_DEFAULT_ACCEPT_TYPES,
                           parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0));
    if (!request) return false;
    const std::wstring headers = HeaderBlock(AHeaders);
    const auto size = static_cast<DWORD>(ABody.size());
    if (!WinHttpSendRequest(
            request.get(), headers.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS : headers.c_str(),
            static_cast<DWORD>(headers.size()), const_cast<char*>(ABody.data()), size, size, 0) ||
        !WinHttpReceiveResponse(request.get(), nullptr))
      return false;
    DWORD status = 0;
    DWORD statusSize = sizeof status;
    return WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                               WINHTTP_HEADER_NAME_BY_INDEX, &status, &statusSize,
                               WINHTTP_NO_HEADER_INDEX) &&
           status >= 200 && status < 300;
  } catch (...) {
    return false;
  }
}

}  // namespace skyrelle::update
