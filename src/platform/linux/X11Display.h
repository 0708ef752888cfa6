#pragma once

#include <X11/Xlib.h>

#include <string>

namespace skyrelle::platform {

// A connection to an X server. When the server goes away in the middle of a call, Xlib
// would end the whole program; here the connection is marked lost instead, and every later
// request on it does nothing.
class TDisplay {
 public:
  // Name empty: $DISPLAY. Raises std::runtime_error when there is no X server to talk to.
  explicit TDisplay(const std::string& Name);
  TDisplay(const TDisplay&) = delete;
  TDisplay& operator=(const TDisplay&) = delete;
  ~TDisplay();

  Display* Handle() const { return FConnection; }
  bool Lost() const { return FLost; }

 private:
  Display* FConnection = nullptr;
  bool FLost = false;
};

// The text for a connection that was lost.
inline constexpr const char* ConnectionLostText = "The X server closed the connection";

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
