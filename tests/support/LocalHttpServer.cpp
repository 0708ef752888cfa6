#include "support/LocalHttpServer.h"

#ifdef _WIN32
#include <winsock2.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <cstring>
#include <stdexcept>

namespace skyrelle::test_support {
namespace {

constexpr int PollMilliseconds = 20;

// The few calls in which the two systems' sockets differ.
#ifdef _WIN32
using TNativeSocket = SOCKET;
using TLength = int;
constexpr int NoSignal = 0;

TNativeSocket Native(std::intptr_t ASocket) { return static_cast<TNativeSocket>(ASocket); }

// Winsock must be started once in the process before any socket is made.
TNativeSocket NewSocket() {
  static const bool started = [] {
    WSADATA data{};
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return started ? ::socket(AF_INET, SOCK_STREAM, 0) : INVALID_SOCKET;
}

bool Invalid(TNativeSocket ASocket) { return ASocket == INVALID_SOCKET; }
void CloseSocket(std::intptr_t ASocket) { ::closesocket(Native(ASocket)); }
int PollFor(WSAPOLLFD& AWaiting) { return ::WSAPoll(&AWaiting, 1, PollMilliseconds); }
TNativeSocket Accept(std::intptr_t AListener) {
  return ::accept(Native(AListener), nullptr, nullptr);
}
bool SameNameNoCase(const char* ALeft, const char* ARight, std::size_t ASize) {
  return ::_strnicmp(ALeft, ARight, ASize) == 0;
}
std::string LastErrorText() { return "Winsock error " + std::to_string(::WSAGetLastError()); }
#else
using TNativeSocket = int;
using TLength = socklen_t;
using WSAPOLLFD = pollfd;
constexpr int NoSignal = MSG_NOSIGNAL;

TNativeSocket Native(std::intptr_t ASocket) { return static_cast<TNativeSocket>(ASocket); }
TNativeSocket NewSocket() { return ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0); }
bool Invalid(TNativeSocket ASocket) { return ASocket < 0; }
void CloseSocket(std::intptr_t ASocket) { ::close(Native(ASocket)); }
int PollFor(pollfd& AWaiting) { return ::poll(&AWaiting, 1, PollMilliseconds); }
TNativeSocket Accept(std::intptr_t AListener) {
  return ::accept4(Native(AListener), nullptr, nullptr, SOCK_CLOEXEC);
}
bool SameNameNoCase(const char* ALeft, const char* ARight, std::size_t ASize) {
  return ::strncasecmp(ALeft, ARight, ASize) == 0;
}
std::string LastErrorText() { return std::strerror(errno); }
#endif

const char* ReasonPhrase(int AStatus) {
  switch (AStatus) {
    case 200:
      return "OK";
    case 301:
      return "Moved Permanently";
    case 302:
      return "Found";
    case 404:
      return "Not Found";
    default:
      return "Status";
  }
}

void SendAll(std::intptr_t AConnection, const std::string& AData) {
  std::size_t sent = 0;
  while (sent < AData.size()) {
    const auto n = ::send(Native(AConnection), AData.data() + sent,
                          static_cast<int>(AData.size() - sent), NoSignal);
    if (n <= 0) return;
    sent += static_cast<std::size_t>(n);
  }
}

// The next bytes of the connection; false at its end or on an error.
bool ReceiveMore(std::intptr_t AConnection, std::string& AData) {
  char buffer[4096];
  const auto n = ::recv(Native(AConnection), buffer, sizeof buffer, 0);
  if (n <= 0) return false;
  AData.append(buffer, static_cast<std::size_t>(n));
  return true;
}

// Reads one request: head up to the blank line, then Content-Length bytes of body.
bool ReadRequest(std::intptr_t AConnection, THttpRequest& ARequest) {
  std::string data;
  std::size_t headEnd = std::string::npos;
  while ((headEnd = data.find("\r\n\r\n")) == std::string::npos)
    if (!ReceiveMore(AConnection, data)) return false;
  std::size_t lineStart = 0;
  std::size_t contentLength = 0;
  for (bool first = true; lineStart < headEnd; first = false) {
    const std::size_t lineEnd = data.find("\r\n", lineStart);
    const std::string line = data.substr(lineStart, lineEnd - lineStart);
    lineStart = lineEnd + 2;
    if (first) {
      const std::size_t space1 = line.find(' ');
      const std::size_t space2 = line.find(' ', space1 + 1);
      ARequest.Method = line.substr(0, space1);
      ARequest.Target = line.substr(space1 + 1, space2 - space1 - 1);
      continue;
    }
    ARequest.Headers.push_back(line);
    if (SameNameNoCase(line.c_str(), "Content-Length:", 15))
      contentLength = std::stoul(line.substr(15));
  }
  ARequest.Body = data.substr(headEnd + 4);
  while (ARequest.Body.size() < contentLength)
    if (!ReceiveMore(AConnection, ARequest.Body)) return false;
  return true;
}

std::string AnswerHead(const THttpAnswer& AAnswer) {
  std::string head =
      "HTTP/1.1 " + std::to_string(AAnswer.Status) + " " + ReasonPhrase(AAnswer.Status) +
      "\r\nContent-Length: " + std::to_string(AAnswer.Body.size()) + "\r\nConnection: close\r\n";
  for (const std::string& line : AAnswer.Headers) head += line + "\r\n";
  return head + "\r\n";
}

}  // namespace

TLocalHttpServer::TLocalHttpServer() {
  const TNativeSocket listener = NewSocket();
  if (Invalid(listener)) throw std::runtime_error("test server: no socket");
  FListener = static_cast<TSocket>(listener);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  TLength length = sizeof address;
  if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listener, 16) != 0 ||
      ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    const std::string error = LastErrorText();
    CloseSocket(FListener);
    throw std::runtime_error("test server: " + error);
  }
  FPort = ntohs(address.sin_port);
  FThread = std::thread([this] { Run(); });
}

TLocalHttpServer::~TLocalHttpServer() {
  FStopping = true;
  FThread.join();
  for (const TSocket connection : FSilentConnections) CloseSocket(connection);
  CloseSocket(FListener);
}

void TLocalHttpServer::Serve(const std::string& APath, const THttpAnswer& AAnswer) {
  std::lock_guard guard(FLock);
  FAnswers[APath] = AAnswer;
}

std::string TLocalHttpServer::Url() const { return "http://127.0.0.1:" + std::to_string(FPort); }

std::vector<THttpRequest> TLocalHttpServer::Requests() const {
  std::lock_guard guard(FLock);
  return FRequests;
}

THttpAnswer TLocalHttpServer::AnswerFor(const std::string& ATarget) const {
  std::lock_guard guard(FLock);
  const auto found = FAnswers.find(ATarget.substr(0, ATarget.find('?')));
  if (found != FAnswers.end()) return found->second;
  return THttpAnswer{.Status = 404, .Body = "not found"};
}

void TLocalHttpServer::Run() {
  while (!FStopping) {
    WSAPOLLFD waiting{.fd = Native(FListener), .events = POLLIN, .revents = 0};
    if (PollFor(waiting) <= 0) continue;
    const TNativeSocket connection = Accept(FListener);
    if (!Invalid(connection)) Handle(static_cast<TSocket>(connection));
  }
}

void TLocalHttpServer::Handle(TSocket AConnection) {
  THttpRequest request;
  if (!ReadRequest(AConnection, request)) {
    CloseSocket(AConnection);
    return;
  }
  const THttpAnswer answer = AnswerFor(request.Target);
  {
    std::lock_guard guard(FLock);
    FRequests.push_back(request);
    if (answer.Mode == THttpAnswer::TMode::Silent) {
      FSilentConnections.push_back(AConnection);
      return;
    }
  }
  std::this_thread::sleep_for(answer.Delay);
  const bool cut = answer.Mode == THttpAnswer::TMode::CutShort;
  SendAll(AConnection,
          AnswerHead(answer) + (cut ? answer.Body.substr(0, answer.Body.size() / 2) : answer.Body));
  CloseSocket(AConnection);
}

}  // namespace skyrelle::test_support
