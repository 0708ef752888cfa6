#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace skyrelle::test_support {

// What the server answers for one path.
struct THttpAnswer {
  enum class TMode {
    Whole,     // status, headers and the whole body, then close
    CutShort,  // announces the whole body, sends half of it, then closes
    Silent,    // accepts and reads the request, then never answers
  };
  int Status = 200;
  std::string Body;
  std::vector<std::string> Headers;  // extra "Name: value" lines
  TMode Mode = TMode::Whole;
  std::chrono::milliseconds Delay{0};  // waits this long before it answers
};

struct THttpRequest {
  std::string Method;
  std::string Target;  // path and query, as sent
  std::vector<std::string> Headers;
  std::string Body;
};

// A small HTTP/1.1 server on 127.0.0.1 and a free port, serving canned answers on a thread of
// its own and recording every request. Paths without an answer get 404. POSIX sockets on
// Linux, Winsock on Windows.
class TLocalHttpServer {
 public:
  TLocalHttpServer();
  ~TLocalHttpServer();
  TLocalHttpServer(const TLocalHttpServer&) = delete;
  TLocalHttpServer& operator=(const TLocalHttpServer&) = delete;

  // Answers requests for APath (the target without its query) with AAnswer from now on.
  void Serve(const std::string& APath, const THttpAnswer& AAnswer);
  // "http://127.0.0.1:<port>".
  std::string Url() const;
  int Port() const { return FPort; }
  std::vector<THttpRequest> Requests() const;

 private:
  // Sockets are descriptors on Linux and handles on Windows.
  using TSocket = std::intptr_t;

  void Run();
  void Handle(TSocket AConnection);
  THttpAnswer AnswerFor(const std::string& ATarget) const;

  TSocket FListener = -1;
  int FPort = 0;
  std::atomic<bool> FStopping{false};
  mutable std::mutex FLock;
  std::map<std::string, THttpAnswer> FAnswers;
  std::vector<THttpRequest> FRequests;
  std::vector<TSocket> FSilentConnections;
  std::thread FThread;
};

}  // namespace skyrelle::test_support
