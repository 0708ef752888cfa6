#include "platform/SystemInfo.h"

#include <sys/utsname.h>

#include <optional>

#include "core/Text.h"
#include "platform/FileSystem.h"

namespace skyrelle::platform {
namespace {

// os-release is a few hundred bytes; a larger file is read no further than this.
constexpr std::size_t MaxOsReleaseSize = std::size_t{64} * 1024;

bool IsVariableName(std::string_view Name) {
  if (Name.empty() || (Name.front() >= '0' && Name.front() <= '9')) return false;
  for (const char c : Name)
    if (!(c == '_' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')))
      return false;
  return true;
}

// A shell word: quotes removed and escapes resolved; an unquoted blank ends it.
std::string ShellWord(std::string_view Text) {
  constexpr std::string_view escapedInDoubleQuotes = "$\"\\`";
  std::string word;
  char quote = 0;
  for (std::size_t i = 0; i < Text.size(); ++i) {
    const char c = Text[i];
    const bool hasNext = i + 1 < Text.size();
    if (quote == '\'') {
      if (c == '\'')
        quote = 0;
      else
        word += c;
    } else if (quote == '"') {
      if (c == '"')
        quote = 0;
      else if (c == '\\' && hasNext &&
               escapedInDoubleQuotes.find(Text[i + 1]) != std::string_view::npos)
        word += Text[++i];
      else
        word += c;
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == '\\' && hasNext) {
      word += Text[++i];
    } else if (c == ' ' || c == '\t') {
      break;
    } else {
      word += c;
    }
  }
  return word;
}

// Valid UTF-8 without control characters, so the value fits on one line of a label.
std::string OneLine(std::string_view Text) {
  std::string line = core::Utf16ToUtf8(core::Utf8ToUtf16(Text));
  std::erase_if(line, [](char C) { return static_cast<unsigned char>(C) < ' ' || C == '\x7f'; });
  return line;
}

}  // namespace

TOsRelease ParseOsRelease(std::string_view Text) {
  TOsRelease release;
  while (!Text.empty()) {
    const std::size_t end = Text.find('\n');
    std::string_view line = Text.substr(0, end);
    Text.remove_prefix(end == std::string_view::npos ? Text.size() : end + 1);

    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    const std::size_t equals = line.find('=');
    if (line.empty() || line.front() == '#' || equals == std::string_view::npos) continue;
    const std::string_view name = line.substr(0, equals);
    if (!IsVariableName(name)) continue;
    const std::string value = OneLine(ShellWord(line.substr(equals + 1)));
    if (name == "NAME") release.Name = value;
    if (name == "VERSION_ID") release.VersionId = value;
  }
  if (release.Name.empty()) release.Name = TOsRelease().Name;
  return release;
}

TOsRelease ReadOsRelease() {
  for (const char* file : {"/etc/os-release", "/usr/lib/os-release"})
    if (const std::optional<std::string> text = ReadFileHead(file, MaxOsReleaseSize))
      return ParseOsRelease(*text);
  return {};
}

TKernelInfo ReadKernelInfo() {
  utsname names{};
  if (uname(&names) != 0) return {};
  return {OneLine(names.release), OneLine(names.machine)};
}

}  // namespace skyrelle::platform
