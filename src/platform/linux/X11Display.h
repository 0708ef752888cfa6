#pragma once

#include <X11/Xlib.h>

#include <memory>
#include <string>

namespace skyrelle::platform {

struct TDisplayCloser {
  void operator()(Display* Connection) const { XCloseDisplay(Connection); }
};
using TDisplay = std::unique_ptr<Display, TDisplayCloser>;

// Name empty: $DISPLAY. Raises std::runtime_error when there is no X server to talk to.
TDisplay OpenDisplay(const std::string& Name);

// While alive, X errors on Connection are collected instead of ending the program
// (Xlib's default); errors on other connections go to the handler that was there before.
class TErrorTrap {
 public:
  explicit TErrorTrap(Display* Connection);
  TErrorTrap(const TErrorTrap&) = delete;
  TErrorTrap& operator=(const TErrorTrap&) = delete;
  ~TErrorTrap();

  // Waits for the server to handle every request so far; returns the text of the first
  // error among them, or empty.
  std::string Sync();

 private:
  Display* FConnection;
};

}  // namespace skyrelle::platform
