#include "PlatformTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "core/Text.h"

namespace skyrelle::test_support {
namespace fs = std::filesystem;

std::string ReadWholeFile(const std::string& FileName) {
  std::ifstream file(FileName, std::ios::binary);
  if (!file) throw std::runtime_error("cannot read " + FileName);
  std::ostringstream content;
  content << file.rdbuf();
  return content.str();
}

TStandIns::TStandIns() : FLog(FFolder / "calls.log") {}

void TStandIns::Add(const std::string& Program, const std::string& Body) const {
  const std::string file = FFolder / Program;
  std::ofstream(file) << "#!/bin/sh\n"
                      << "printf '%s\\0' \"${0##*/}\" \"$@\" >> '" << FLog << "'\n"
                      << "printf '\\036\\0' >> '" << FLog << "'\n"
                      << Body << "\n";
  fs::permissions(file, fs::perms::owner_all);
}

TCalls TStandIns::Calls() const {
  TCalls calls;
  if (!fs::exists(FLog)) return calls;
  const std::string log = ReadWholeFile(FLog);
  TCall call;
  std::size_t start = 0;
  for (std::size_t end; (end = log.find('\0', start)) != std::string::npos; start = end + 1) {
    std::string field = log.substr(start, end - start);
    if (field == "\036") {
      calls.push_back(call);
      call.clear();
    } else {
      call.push_back(field);
    }
  }
  return calls;
}

void TStandIns::ClearCalls() const {
  std::error_code error;
  fs::remove(FLog, error);
}

namespace {

int HexValue(char C) {
  if (C >= '0' && C <= '9') return C - '0';
  if (C >= 'a' && C <= 'f') return C - 'a' + 10;
  if (C >= 'A' && C <= 'F') return C - 'A' + 10;
  throw std::runtime_error("bad hex digit");
}

// Backslash escapes shared by the quoted forms; \u escapes are UTF-16 units.
std::string Unescaped(const std::string& Inner) {
  std::u16string units;
  std::string pending;
  const auto flush = [&] {
    units += core::Utf8ToUtf16(pending);
    pending.clear();
  };
  for (std::size_t i = 0; i < Inner.size(); ++i) {
    if (Inner[i] != '\\') {
      pending += Inner[i];
      continue;
    }
    const char next = Inner.at(++i);
    if (next == 'u') {
      flush();
      units += static_cast<char16_t>(std::stoi(Inner.substr(i + 1, 4), nullptr, 16));
      i += 4;
    } else {
      pending += next == 'n' ? '\n' : next == 't' ? '\t' : next;
    }
  }
  flush();
  return core::Utf16ToUtf8(units);
}

}  // namespace

std::string PercentDecoded(const std::string& Uri) {
  if (Uri.rfind("file://", 0) != 0) throw std::runtime_error("not a file URI: " + Uri);
  std::string path;
  for (std::size_t i = 7; i < Uri.size(); ++i) {
    if (Uri[i] == '%') {
      path += static_cast<char>(HexValue(Uri.at(i + 1)) * 16 + HexValue(Uri.at(i + 2)));
      i += 2;
    } else {
      path += Uri[i];
    }
  }
  return path;
}

std::string GVariantStringValue(const std::string& Literal) {
  if (Literal.size() < 2 || Literal.front() != '\'' || Literal.back() != '\'')
    throw std::runtime_error("not a GVariant string: " + Literal);
  return Unescaped(Literal.substr(1, Literal.size() - 2));
}

std::string QuotedValue(const std::string& Literal) {
  if (Literal.size() < 2 || Literal.front() != '"' || Literal.back() != '"')
    throw std::runtime_error("not a quoted string: " + Literal);
  return Unescaped(Literal.substr(1, Literal.size() - 2));
}

// Xvfb writes the display number it chose once it accepts connections.
TXvfb::TXvfb(const std::string& Geometry)
    : FServer(
          {"Xvfb", "-displayfd", "1", "-screen", "0", Geometry, "-nolisten", "tcp", "-noreset"}) {
  if (!FServer.Started()) return;  // not installed
  const std::optional<std::string> number = FServer.ReadLine(std::chrono::seconds(20));
  if (!number) throw std::runtime_error("Xvfb did not start");
  FDisplay = ":" + *number;
  FDisplayVariable.emplace("DISPLAY", FDisplay);
}

}  // namespace skyrelle::test_support
