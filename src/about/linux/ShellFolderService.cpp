#include <array>
#include <string_view>

#include "about/ShellFolderService.h"
#include "about/ShellKnownPath.h"
#include "platform/DocumentFolders.h"

// Linux has no shell folders: the XDG user directories stand for the ones they match.
namespace skyrelle::about {
namespace {

struct TUserDirectory {
  TGUID FolderId;
  int CSIDL;  // 0: not reachable by CSIDL
  std::string_view Name;
};

// The known folders that XDG user directories stand for on Linux.
constexpr std::array<TUserDirectory, 8> UserDirectories{{
    {FOLDERID_Desktop, 0, "DESKTOP"},
    {FOLDERID_Documents, 0, "DOCUMENTS"},
    {FOLDERID_Downloads, 0, "DOWNLOAD"},
    {FOLDERID_Music, CSIDL_MYMUSIC, "MUSIC"},
    {FOLDERID_Pictures, CSIDL_MYPICTURES, "PICTURES"},
    {FOLDERID_Public, 0, "PUBLICSHARE"},
    {FOLDERID_Templates, CSIDL_TEMPLATES, "TEMPLATES"},
    {FOLDERID_Videos, CSIDL_MYVIDEO, "VIDEOS"},
}};

}  // namespace

std::string KnownFolderServicePath(const TGUID& FolderId) {
  for (const TUserDirectory& directory : UserDirectories)
    if (directory.FolderId == FolderId) return platform::DocumentFolder(directory.Name);
  return {};
}

std::string CSIDLServicePath(int CSIDL) {
  for (const TUserDirectory& directory : UserDirectories)
    if (directory.CSIDL == CSIDL) return platform::DocumentFolder(directory.Name);
  return {};
}

}  // namespace skyrelle::about
