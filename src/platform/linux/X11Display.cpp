#include "platform/linux/X11Display.h"

#include <cstdlib>
#include <mutex>
#include <set>
#include <stdexcept>

namespace skyrelle::platform {
namespace {

// Xlib's handler is one for the whole process; one trap at a time owns it.
std::mutex TrapLock;
Display* TrappedConnection = nullptr;
int FirstError = 0;
XErrorHandler PreviousHandler = nullptr;

int CollectError(Display* Connection, XErrorEvent* Event) {
  if (Connection == TrappedConnection) {
    if (FirstError == 0) FirstError = Event->error_code;
    return 0;
  }
  return PreviousHandler != nullptr ? PreviousHandler(Connection, Event) : 0;
}

// Xlib's I/O error handler is one for the whole process and ends it by default. For these
// connections it only returns, and Xlib then calls the connection's exit handler, which
// marks it lost; other connections keep the handler that was there before.
std::once_flag IOErrorHandlerSet;
XIOErrorHandler PreviousIOHandler = nullptr;
std::mutex OwnConnectionsLock;
std::set<Display*> OwnConnections;

int OnIOError(Display* Connection) {
  {
    std::lock_guard lock(OwnConnectionsLock);
    if (OwnConnections.count(Connection) != 0) return 0;
  }
  return PreviousIOHandler != nullptr ? PreviousIOHandler(Connection) : 0;
}

void MarkLost(Display*, void* Lost) { *static_cast<bool*>(Lost) = true; }

}  // namespace

TDisplay::TDisplay(const std::string& Name)
    : FConnection(XOpenDisplay(Name.empty() ? nullptr : Name.c_str())) {
  if (FConnection == nullptr) {
    const char* variable = std::getenv("DISPLAY");
    const std::string shown = !Name.empty() ? Name : variable != nullptr ? variable : "";
    throw std::runtime_error(shown.empty() ? "No X display is set (DISPLAY is empty)"
                                           : "Cannot open the X display \"" + shown + "\"");
  }
  std::call_once(IOErrorHandlerSet, [] { PreviousIOHandler = XSetIOErrorHandler(OnIOError); });
  {
    std::lock_guard lock(OwnConnectionsLock);
    OwnConnections.insert(FConnection);
  }
  XSetIOErrorExitHandler(FConnection, MarkLost, &FLost);
}

TDisplay::~TDisplay() {
  XCloseDisplay(FConnection);
  std::lock_guard lock(OwnConnectionsLock);
  OwnConnections.erase(FConnection);
}

TErrorTrap::TErrorTrap(Display* Connection) : FConnection(Connection) {
  TrapLock.lock();
  TrappedConnection = Connection;
  FirstError = 0;
  PreviousHandler = XSetErrorHandler(CollectError);
}

TErrorTrap::~TErrorTrap() {
  XSync(FConnection, False);
  XSetErrorHandler(PreviousHandler);
  TrappedConnection = nullptr;
  TrapLock.unlock();
}

std::string TErrorTrap::Sync() {
  XSync(FConnection, False);
  const int code = FirstError;
  FirstError = 0;
  if (code == 0) return {};
  char text[256] = {};
  XGetErrorText(FConnection, code, text, sizeof text);
  return text;
}

}  // namespace skyrelle::platform
