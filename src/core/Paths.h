#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace skyrelle::core {

// The separator the system writes. Windows also takes "/" as one, and a drive's ":" ends a
// folder part ("C:pano.jpg").
#ifdef _WIN32
constexpr char PathDelimiter = '\\';
constexpr std::string_view PathSeparators = "\\/:";
#else
constexpr char PathDelimiter = '/';
constexpr std::string_view PathSeparators = "/";
#endif

// "/a/b/c.jpg" -> "c.jpg"
std::string ExtractFileName(std::string_view Path);
// "/a/b/c.jpg" -> "/a/b"; a root keeps its separator: "/", "C:\\"
std::string ExtractFileDir(std::string_view Path);
// The file name's part from its last "." on, dot included; empty without one.
std::string ExtractFileExt(std::string_view Path);
// Replaces the extension (see ExtractFileExt), or appends Extension when there is none.
std::string ChangeFileExt(std::string_view Path, std::string_view Extension);
std::string IncludeTrailingPathDelimiter(std::string_view Path);
// Folder and name with exactly the one separator the folder lacks.
std::string JoinPath(std::string_view Folder, std::string_view Name);

// The file system library's path for a UTF-8 name, and back. On Windows a path made from a
// plain std::string would read it in the ANSI code page and miss names outside it.
std::filesystem::path FileSystemPath(std::string_view Name);
std::string PathText(const std::filesystem::path& Path);

}  // namespace skyrelle::core
