#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "support/BitmapFile.h"
#include "support/Process.h"
#include "support/ScopedVariable.h"
#include "support/TempFolder.h"

namespace skyrelle::test_support {

// The file names the tests throw at every setter.
inline const std::string HostileFolder = "it's a \"$HOME\" `wall` paper \xC3\xA9t\xC3\xA9";
inline const std::string HostileFile = "cur rent'$(x) \\ \xE2\x98\x80.bmp";

std::string ReadWholeFile(const std::string& FileName);

using TCall = std::vector<std::string>;  // program name first
using TCalls = std::vector<TCall>;

// Programs that stand in for the desktop's tools: each records its name and arguments,
// then runs Body (a /bin/sh fragment).
class TStandIns {
 public:
  TStandIns();
  void Add(const std::string& Program, const std::string& Body = "") const;
  const std::string& Folder() const { return FFolder.Path(); }
  TCalls Calls() const;
  void ClearCalls() const;

 private:
  TTempFolder FFolder;
  std::string FLog;
};

// Decoders of what the setters write, to check what a desktop would read back.
std::string PercentDecoded(const std::string& Uri);           // "file:///a%20b" -> "/a b"
std::string GVariantStringValue(const std::string& Literal);  // "'it\\'s'" -> "it's"
std::string QuotedValue(const std::string& Literal);          // JSON/TOML/JS "\u00E9"...

// A virtual X server for the test; skips the test when Xvfb is not installed.
class TXvfb {
 public:
  // Starts "Xvfb -screen 0 <Geometry>" on a free display and points DISPLAY at it.
  explicit TXvfb(const std::string& Geometry);
  TXvfb(const TXvfb&) = delete;
  TXvfb& operator=(const TXvfb&) = delete;
  bool Started() const { return FServer.Started(); }
  // Ends the server at once, as a crash would.
  void Kill() { FServer.Kill(); }
  const std::string& Display() const { return FDisplay; }

 private:
  std::optional<TScopedVariable> FDisplayVariable;  // restored after Xvfb is stopped
  TBackgroundProgram FServer;
  std::string FDisplay;
};

}  // namespace skyrelle::test_support
