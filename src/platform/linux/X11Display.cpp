#include "platform/linux/X11Display.h"

#include <cstdlib>
#include <mutex>
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

}  // namespace

TDisplay OpenDisplay(const std::string& Name) {
  Display* connection = XOpenDisplay(Name.empty() ? nullptr : Name.c_str());
  if (connection == nullptr) {
    const char* variable = std::getenv("DISPLAY");
    const std::string shown = !Name.empty() ? Name : variable != nullptr ? variable : "";
    throw std::runtime_error(shown.empty() ? "No X display is set (DISPLAY is empty)"
                                           : "Cannot open the X display \"" + shown + "\"");
  }
  return TDisplay(connection);
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
