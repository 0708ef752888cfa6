#include "about/ShellKnownPath.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "about/OSVersion.h"
#include "about/ShellFolderService.h"

namespace skyrelle::about {
namespace {

struct TFolderMapping {
  TGUID FolderId;
  int CSIDL;
};

// Searched in this order; the first row whose folder matches gives the CSIDL.
constexpr std::array<TFolderMapping, 50> CSIDLTable{{
    {FOLDERID_AdminTools, CSIDL_ADMINTOOLS},
    {FOLDERID_CDBurning, CSIDL_CDBURN_AREA},
    {FOLDERID_CommonAdminTools, CSIDL_COMMON_ADMINTOOLS},
    {FOLDERID_CommonOEMLinks, CSIDL_COMMON_OEM_LINKS},
    {FOLDERID_CommonPrograms, CSIDL_COMMON_PROGRAMS},
    {FOLDERID_CommonStartMenu, CSIDL_COMMON_STARTMENU},
    {FOLDERID_CommonStartup, CSIDL_COMMON_STARTUP},
    {FOLDERID_CommonTemplates, CSIDL_COMMON_TEMPLATES},
    {FOLDERID_ComputerFolder, CSIDL_DRIVES},
    {FOLDERID_ConnectionsFolder, CSIDL_CONNECTIONS},
    {FOLDERID_ControlPanelFolder, CSIDL_CONTROLS},
    {FOLDERID_Cookies, CSIDL_COOKIES},
    {FOLDERID_Desktop, CSIDL_DESKTOP},
    {FOLDERID_Favorites, CSIDL_FAVORITES},
    {FOLDERID_Fonts, CSIDL_FONTS},
    {FOLDERID_History, CSIDL_HISTORY},
    {FOLDERID_InternetCache, CSIDL_INTERNET_CACHE},
    {FOLDERID_InternetFolder, CSIDL_INTERNET},
    {FOLDERID_LocalAppData, CSIDL_LOCAL_APPDATA},
    {FOLDERID_LocalizedResourcesDir, CSIDL_RESOURCES_LOCALIZED},
    {FOLDERID_Music, CSIDL_MYMUSIC},
    {FOLDERID_NetHood, CSIDL_NETHOOD},
    {FOLDERID_NetworkFolder, CSIDL_NETWORK},
    {FOLDERID_Pictures, CSIDL_MYPICTURES},
    {FOLDERID_PrintersFolder, CSIDL_PRINTERS},
    {FOLDERID_PrintHood, CSIDL_PRINTHOOD},
    {FOLDERID_Profile, CSIDL_PROFILE},
    {FOLDERID_ProgramData, CSIDL_COMMON_APPDATA},
    {FOLDERID_ProgramFiles, CSIDL_PROGRAM_FILES},
    {FOLDERID_ProgramFilesX86, CSIDL_PROGRAM_FILESX86},
    {FOLDERID_ProgramFilesCommon, CSIDL_PROGRAM_FILES_COMMON},
    {FOLDERID_ProgramFilesCommonX86, CSIDL_PROGRAM_FILES_COMMONX86},
    {FOLDERID_Programs, CSIDL_PROGRAMS},
    {FOLDERID_PublicDesktop, CSIDL_COMMON_DESKTOPDIRECTORY},
    {FOLDERID_PublicDocuments, CSIDL_COMMON_DOCUMENTS},
    {FOLDERID_PublicMusic, CSIDL_COMMON_MUSIC},
    {FOLDERID_PublicPictures, CSIDL_COMMON_PICTURES},
    {FOLDERID_PublicVideos, CSIDL_COMMON_VIDEO},
    {FOLDERID_Recent, CSIDL_RECENT},
    {FOLDERID_RecycleBinFolder, CSIDL_BITBUCKET},
    {FOLDERID_ResourceDir, CSIDL_RESOURCES},
    {FOLDERID_RoamingAppData, CSIDL_APPDATA},
    {FOLDERID_SendTo, CSIDL_SENDTO},
    {FOLDERID_StartMenu, CSIDL_STARTMENU},
    {FOLDERID_Startup, CSIDL_STARTUP},
    {FOLDERID_System, CSIDL_SYSTEM},
    {FOLDERID_SystemX86, CSIDL_SYSTEMX86},
    {FOLDERID_Templates, CSIDL_TEMPLATES},
    {FOLDERID_Videos, CSIDL_MYVIDEO},
    {FOLDERID_Windows, CSIDL_WINDOWS},
}};

}  // namespace

std::string GetKnownFolderPath(const TGUID& FolderId) {
  return GetKnownFolderPath(FolderId, GetOSMajorVersion());
}

std::string GetKnownFolderPath(const TGUID& FolderId, std::uint32_t MajorVersion) {
  return MajorVersion < FirstKnownFolderRelease ? GetKnownFolderPathByCSIDL(FolderId)
                                                : GetKnownFolderPathByGUID(FolderId);
}

int KnownFolderToCSIDL(const TGUID& FolderId) {
  const auto row = std::find_if(CSIDLTable.begin(), CSIDLTable.end(),
                                [&](const TFolderMapping& M) { return M.FolderId == FolderId; });
  return row != CSIDLTable.end() ? row->CSIDL : 0;
}

std::string GetKnownFolderPathByGUID(const TGUID& FolderId) {
  return KnownFolderServicePath(FolderId);
}

std::string GetKnownFolderPathByCSIDL(const TGUID& FolderId) {
  const int csidl = KnownFolderToCSIDL(FolderId);
  if (csidl == 0) throw EConvertError("Cannot convert to CSIDL - " + GUIDToString(FolderId));
  return CSIDLServicePath(csidl);
}

}  // namespace skyrelle::about
