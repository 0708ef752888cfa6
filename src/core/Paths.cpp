#include "core/Paths.h"

namespace skyrelle::core {
namespace {

std::size_t NameStart(std::string_view Path) {
  const std::size_t separator = Path.find_last_of(PathSeparators);
  return separator == std::string_view::npos ? 0 : separator + 1;
}

std::size_t ExtensionStart(std::string_view Path) {
  const std::size_t dot = Path.rfind('.');
  return dot == std::string_view::npos || dot < NameStart(Path) ? Path.size() : dot;
}

}  // namespace

std::string ExtractFileName(std::string_view Path) {
  return std::string(Path.substr(NameStart(Path)));
}

std::string ExtractFileDir(std::string_view Path) {
  std::size_t end = NameStart(Path);
  // Drop the separator, but keep a root's: "/", and on Windows "C:\" and the drive's ":".
  const bool root = end == 1 || (end >= 2 && PathSeparators.find(':') != std::string_view::npos &&
                                 (Path[end - 1] == ':' || Path[end - 2] == ':'));
  if (end > 0 && !root) --end;
  return std::string(Path.substr(0, end));
}

std::string ExtractFileExt(std::string_view Path) {
  return std::string(Path.substr(ExtensionStart(Path)));
}

std::string ChangeFileExt(std::string_view Path, std::string_view Extension) {
  return std::string(Path.substr(0, ExtensionStart(Path))) + std::string(Extension);
}

std::string IncludeTrailingPathDelimiter(std::string_view Path) {
  std::string out(Path);
  if (out.empty() || (out.back() != PathDelimiter && out.back() != '/')) out += PathDelimiter;
  return out;
}

std::string JoinPath(std::string_view Folder, std::string_view Name) {
  return IncludeTrailingPathDelimiter(Folder) + std::string(Name);
}

std::filesystem::path FileSystemPath(std::string_view Name) {
  return std::filesystem::path(
      std::u8string(reinterpret_cast<const char8_t*>(Name.data()), Name.size()));
}

std::string PathText(const std::filesystem::path& Path) {
  const std::u8string text = Path.u8string();
  return {text.begin(), text.end()};
}

}  // namespace skyrelle::core
