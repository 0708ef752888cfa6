#include "platform/DocumentFolders.h"

#include <array>
#include <utility>

#include "platform/DataFolders.h"
#include "platform/FileSystem.h"

namespace skyrelle::platform {
namespace {

// user-dirs.dirs is a few lines; a larger file is read no further than this.
constexpr std::size_t MaxDirsFileSize = std::size_t{64} * 1024;

// The folders xdg-user-dirs creates when the user has not chosen others.
constexpr std::array<std::pair<std::string_view, std::string_view>, 8> DefaultFolders{{
    {"DESKTOP", "Desktop"},
    {"DOWNLOAD", "Downloads"},
    {"TEMPLATES", "Templates"},
    {"PUBLICSHARE", "Public"},
    {"DOCUMENTS", "Documents"},
    {"MUSIC", "Music"},
    {"PICTURES", "Pictures"},
    {"VIDEOS", "Videos"},
}};

std::string WithoutTrailingSeparator(std::string Path) {
  while (Path.size() > 1 && Path.back() == '/') Path.pop_back();
  return Path;
}

std::string_view SkipBlanks(std::string_view Text) {
  while (!Text.empty() && (Text.front() == ' ' || Text.front() == '\t')) Text.remove_prefix(1);
  return Text;
}

bool Consume(std::string_view& Text, std::string_view Prefix) {
  if (!Text.starts_with(Prefix)) return false;
  Text.remove_prefix(Prefix.size());
  return true;
}

// The value of one XDG_<Name>_DIR="..." line, or nothing when the line sets another name
// or is not of the form xdg-user-dirs writes.
std::optional<std::string> LineValue(std::string_view Line, std::string_view Variable,
                                     std::string_view Home) {
  Line = SkipBlanks(Line);
  if (!Consume(Line, Variable)) return std::nullopt;
  Line = SkipBlanks(Line);
  if (!Consume(Line, "=")) return std::nullopt;
  Line = SkipBlanks(Line);
  if (!Consume(Line, "\"")) return std::nullopt;
  std::string path;
  if (Consume(Line, "$HOME/") || (Line.starts_with("$HOME\"") && Consume(Line, "$HOME"))) {
    path = WithoutTrailingSeparator(std::string(Home)) + "/";
  } else if (!Line.starts_with('/')) {
    return std::nullopt;
  }
  for (std::size_t i = 0; i < Line.size() && Line[i] != '"'; ++i) {
    if (Line[i] == '\\' && i + 1 < Line.size()) ++i;
    path += Line[i];
  }
  if (path.find('\0') != std::string::npos) return std::nullopt;
  return WithoutTrailingSeparator(path);
}

}  // namespace

std::optional<std::string> FindDocumentFolder(std::string_view DirsText, std::string_view Name,
                                              std::string_view Home) {
  const std::string variable = "XDG_" + std::string(Name) + "_DIR";
  std::optional<std::string> found;
  while (!DirsText.empty()) {
    const std::size_t end = DirsText.find('\n');
    if (auto value = LineValue(DirsText.substr(0, end), variable, Home)) found = std::move(value);
    DirsText.remove_prefix(end == std::string_view::npos ? DirsText.size() : end + 1);
  }
  return found;
}

std::string DocumentFolder(std::string_view Name) {
  for (const auto& [name, folder] : DefaultFolders) {
    if (name != Name) continue;
    const std::string home = HomeFolder();
    if (auto chosen = FindDocumentFolder(
            ReadFileHead(ConfigFolder() + "/user-dirs.dirs", MaxDirsFileSize).value_or(""), Name,
            home))
      return *chosen;
    return WithoutTrailingSeparator(home) + "/" + std::string(folder);
  }
  return {};
}

}  // namespace skyrelle::platform
