#include "platform/DataFolders.h"

#include <shlobj.h>
#include <windows.h>

#include "platform/windows/FolderPath.h"
#include "platform/windows/WideText.h"

namespace skyrelle::platform {
namespace {

using windows::WithoutTrailingSeparator;

std::string KnownFolder(const KNOWNFOLDERID& Folder) {
  wchar_t* path = nullptr;
  std::string result;
  if (SUCCEEDED(SHGetKnownFolderPath(Folder, 0, nullptr, &path))) result = windows::Narrow(path);
  CoTaskMemFree(path);
  return result;
}

}  // namespace

std::string HomeFolder() {
  std::string home = windows::EnvironmentText(L"USERPROFILE");
  if (home.empty()) home = KnownFolder(FOLDERID_Profile);
  return home.empty() ? "C:\\" : WithoutTrailingSeparator(home);
}

// %APPDATA%, the roaming application-data folder, as the program has always used it.
std::string ApplicationDataFolder() {
  std::string folder = windows::EnvironmentText(L"APPDATA");
  if (folder.empty()) folder = KnownFolder(FOLDERID_RoamingAppData);
  return WithoutTrailingSeparator(folder);
}

std::string ConfigFolder() { return ApplicationDataFolder(); }

}  // namespace skyrelle::platform
