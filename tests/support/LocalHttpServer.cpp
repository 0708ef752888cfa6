#include "support/LocalHttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>

namespace skyrelle::test_support {
namespace {

constexpr int PollMilliseconds = 20;

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

void SendAll(int AConnection, const std::string& AData) {
  std::size_t sent = 0;
  while (sent < AData.size()) {
    const ssize_t n = ::send(AConnection, AData.data() + sent, AData.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return;
    sent += static_cast<std::size_t>(n);
  }
}

// Reads one request: head up to the blank line, then Content-Length bytes of body.
bool ReadRequest(int AConnection, THttpRequest& ARequest) {
  std::string data;
  char buffer[4096];
  std::size_t headEnd = std::string::npos;
  while ((headEnd = data.find("\r\n\r\n")) == std::string::npos) {
    const ssize_t n = ::recv(AConnection, buffer, sizeof buffer, 0);
    if (n <= 0) return false;
    data.append(buffer, static_cast<std::size_t>(n));
  }
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
    if (strncasecmp(line.c_str(), "Content-Length:", 15) == 0)
      contentLength = std::stoul(line.substr(15));
  }
  ARequest.Body = data.substr(headEnd + 4);
  while (ARequest.Body.size() < contentLength) {
    const ssize_t n = ::recv(AConnection, buffer, sizeof buffer, 0);
    if (n <= 0) return false;
    ARequest.Body.append(buffer, static_cast<std::size_t>(n));
  }
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
  FListener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (FListener < 0) throw std::runtime_error("test server: no socket");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (::bind(FListener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(FListener, 16) != 0 ||
      ::getsockname(FListener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    ::close(FListener);
    throw std::runtime_error(std::string("test server: ") + std::strerror(errno));
  }
  FPort = ntohs(address.sin_port);
  FThread = std::thread([this] { Run(); });
}

TLocalHttpServer::~TLocalHttpServer() {
  FStopping = true;
  FThread.join();
  for (int connection : FSilentConnections) ::close(connection);
  ::close(FListener);
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
    pollfd waiting{.fd = FListener, .events = POLLIN, .revents = 0};
    if (::poll(&waiting, 1, PollMilliseconds) <= 0) continue;
    const int connection = ::accept4(FListener, nullptr, nullptr, SOCK_CLOEXEC);
    if (connection >= 0) Handle(connection);
  }
}

void TLocalHttpServer::Handle(int AConnection) {
  THttpRequest request;
  if (!ReadRequest(AConnection, request)) {
    ::close(AConnection);
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
  const bool cut = answer.Mode == THttpAnswer::TMode::CutShort;
  SendAll(AConnection,
          AnswerHead(answer) + (cut ? answer.Body.substr(0, answer.Body.size() / 2) : answer.Body));
  ::close(AConnection);
}

}  // namespace skyrelle::test_support
