#include "platform/linux/XdgAutoStart.h"

#include <filesystem>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string_view>
#include <system_error>

#include "core/Paths.h"
#include "platform/DataFolders.h"
#include "platform/FileSystem.h"

namespace skyrelle::platform {
namespace {

constexpr std::string_view EntryName = "Skyrelle";
constexpr std::string_view MainGroup = "[Desktop Entry]";
// A desktop entry is a few lines; a larger file is read no further than this.
constexpr std::size_t MaxEntrySize = std::size_t{64} * 1024;
// The message the program has always given for a start entry it could not write.
constexpr const char* WriteFailedText = "Echec à la définition des données pour 'Skyrelle'";

std::string_view Trimmed(std::string_view Text) {
  const auto first = Text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const auto last = Text.find_last_not_of(" \t\r");
  return Text.substr(first, last - first + 1);
}

// True when the entry's main group switches it off; other groups do not count.
bool SwitchedOff(const std::string& Entry) {
  bool inMainGroup = false;
  std::istringstream lines(Entry);
  for (std::string line; std::getline(lines, line);) {
    const std::string_view text = Trimmed(line);
    if (text.empty() || text.front() == '#') continue;
    if (text.front() == '[') {
      inMainGroup = text == MainGroup;
      continue;
    }
    const auto equals = text.find('=');
    if (!inMainGroup || equals == std::string_view::npos) continue;
    const std::string_view key = Trimmed(text.substr(0, equals));
    const std::string_view value = Trimmed(text.substr(equals + 1));
    if ((key == "Hidden" && value == "true") ||
        (key == "X-GNOME-Autostart-enabled" && value == "false"))
      return true;
  }
  return false;
}

bool NeedsQuotes(std::string_view Argument) {
  return Argument.find_first_of(" \t\n\"'\\><~|&;$*?#()`") != std::string_view::npos;
}

// Inside quotes these four characters are taken literally only after a backslash.
std::string Quoted(std::string_view Argument) {
  std::string result = "\"";
  for (const char c : Argument) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') result += '\\';
    result += c;
  }
  return result + '"';
}

// The escapes of a string value, which a reader undoes before it splits the command line.
std::string StringValue(std::string_view Text) {
  std::string result;
  for (const char c : Text) {
    switch (c) {
      case '\\':
        result += "\\\\";
        break;
      case '\n':
        result += "\\n";
        break;
      case '\t':
        result += "\\t";
        break;
      case '\r':
        result += "\\r";
        break;
      default:
        result += c;
    }
  }
  return result;
}

// Temporary file beside the target, then rename, so a reader never sees half an entry.
void WriteWhole(const std::string& FileName, std::string_view Text) {
  std::error_code ignored;
  std::filesystem::create_directories(core::ExtractFileDir(FileName), ignored);
  try {
    WriteFileWhole(FileName, Text);
  } catch (const EFileError&) {
    throw std::runtime_error(WriteFailedText);
  }
}

}  // namespace

TXdgAutoStart::TXdgAutoStart(std::string EntryFile, std::string ProgramPath)
    : FEntryFile(std::move(EntryFile)), FProgramPath(std::move(ProgramPath)) {}

bool TXdgAutoStart::IsEnabled() const {
  std::error_code error;
  if (!std::filesystem::exists(FEntryFile, error)) return false;
  const std::optional<std::string> text = ReadFileHead(FEntryFile, MaxEntrySize);
  // An entry that cannot be read still exists, and presence is what counts.
  return !text || !SwitchedOff(*text);
}

void TXdgAutoStart::Set(bool Enable) {
  if (Enable) {
    WriteWhole(FEntryFile, AutoStartEntryText(FProgramPath));
  } else {
    std::error_code ignored;
    std::filesystem::remove(FEntryFile, ignored);
  }
}

std::unique_ptr<IAutoStart> CreateAutoStart(const std::string& ProgramPath) {
  return std::make_unique<TXdgAutoStart>(AutoStartEntryFile(ConfigFolder()), ProgramPath);
}

std::string AutoStartEntryFile(const std::string& ConfigFolder) {
  return core::JoinPath(core::JoinPath(ConfigFolder, "autostart"),
                        std::string(EntryName) + ".desktop");
}

std::string DesktopEntryExec(const std::string& ProgramPath) {
  std::string argument;
  for (const char c : ProgramPath) {
    argument += c;
    if (c == '%') argument += '%';
  }
  return StringValue(NeedsQuotes(argument) ? Quoted(argument) : argument);
}

std::string AutoStartEntryText(const std::string& ProgramPath) {
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Skyrelle\n"
         "Comment=Panorama wallpaper that moves on every hour\n"
         "Exec=" +
         DesktopEntryExec(ProgramPath) +
         "\n"
         "Icon=skyrelle\n"
         "Terminal=false\n"
         "X-GNOME-Autostart-enabled=true\n";
}

}  // namespace skyrelle::platform
