#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "about/Guid.h"

namespace skyrelle::about {

// Known folders under their Windows names and identifiers.
inline constexpr TGUID FOLDERID_AdminTools = GUIDFromText("{724EF170-A42D-4FEF-9F26-B60E846FBA4F}");
inline constexpr TGUID FOLDERID_CDBurning = GUIDFromText("{9E52AB10-F80D-49DF-ACB8-4330F5687855}");
inline constexpr TGUID FOLDERID_CommonAdminTools =
    GUIDFromText("{D0384E7D-BAC3-4797-8F14-CBA229B392B5}");
inline constexpr TGUID FOLDERID_CommonOEMLinks =
    GUIDFromText("{C1BAE2D0-10DF-4334-BEDD-7AA20B227A9D}");
inline constexpr TGUID FOLDERID_CommonPrograms =
    GUIDFromText("{0139D44E-6AFE-49F2-8690-3DAFCAE6FFB8}");
inline constexpr TGUID FOLDERID_CommonStartMenu =
    GUIDFromText("{A4115719-D62E-491D-AA7C-E74B8BE3B067}");
inline constexpr TGUID FOLDERID_CommonStartup =
    GUIDFromText("{82A5EA35-D9CD-47C5-9629-E15D2F714E6E}");
inline constexpr TGUID FOLDERID_CommonTemplates =
    GUIDFromText("{B94237E7-57AC-4347-9151-B08C6C32D1F7}");
inline constexpr TGUID FOLDERID_ComputerFolder =
    GUIDFromText("{0AC0837C-BBF8-452A-850D-79D08E667CA7}");
inline constexpr TGUID FOLDERID_ConnectionsFolder =
    GUIDFromText("{6F0CD92B-2E97-45D1-88FF-B0D186B8DEDD}");
inline constexpr TGUID FOLDERID_ControlPanelFolder =
    GUIDFromText("{82A74AEB-AEB4-465C-A014-D097EE346D63}");
inline constexpr TGUID FOLDERID_Cookies = GUIDFromText("{2B0F765D-C0E9-4171-908E-08A611B84FF6}");
inline constexpr TGUID FOLDERID_Desktop = GUIDFromText("{B4BFCC3A-DB2C-424C-B029-7FE99A87C641}");
inline constexpr TGUID FOLDERID_Favorites = GUIDFromText("{1777F761-68AD-4D8A-87BD-30B759FA33DD}");
inline constexpr TGUID FOLDERID_Fonts = GUIDFromText("{FD228CB7-AE11-4AE3-864C-16F3910AB8FE}");
inline constexpr TGUID FOLDERID_History = GUIDFromText("{D9DC8A3B-B784-432E-A781-5A1130A75963}");
inline constexpr TGUID FOLDERID_InternetCache =
    GUIDFromText("{352481E8-33BE-4251-BA85-6007CAEDCF9D}");
inline constexpr TGUID FOLDERID_InternetFolder =
    GUIDFromText("{4D9F7874-4E0C-4904-967B-40B0D20C3E4B}");
inline constexpr TGUID FOLDERID_LocalAppData =
    GUIDFromText("{F1B32785-6FBA-4FCF-9D55-7B8E7F157091}");
inline constexpr TGUID FOLDERID_LocalizedResourcesDir =
    GUIDFromText("{2A00375E-224C-49DE-B8D1-440DF7EF3DDC}");
inline constexpr TGUID FOLDERID_Music = GUIDFromText("{4BD8D571-6D19-48D3-BE97-422220080E43}");
inline constexpr TGUID FOLDERID_NetHood = GUIDFromText("{C5ABBF53-E17F-4121-8900-86626FC2C973}");
inline constexpr TGUID FOLDERID_NetworkFolder =
    GUIDFromText("{D20BEEC4-5CA8-4905-AE3B-BF251EA09B53}");
inline constexpr TGUID FOLDERID_Pictures = GUIDFromText("{33E28130-4E1E-4676-835A-98395C3BC3BB}");
inline constexpr TGUID FOLDERID_PrintersFolder =
    GUIDFromText("{76FC4E2D-D6AD-4519-A663-37BD56068185}");
inline constexpr TGUID FOLDERID_PrintHood = GUIDFromText("{9274BD8D-CFD1-41C3-B35E-B13F55A758F4}");
inline constexpr TGUID FOLDERID_Profile = GUIDFromText("{5E6C858F-0E22-4760-9AFE-EA3317B67173}");
inline constexpr TGUID FOLDERID_ProgramData =
    GUIDFromText("{62AB5D82-FDC1-4DC3-A9DD-070D1D495D97}");
inline constexpr TGUID FOLDERID_ProgramFiles =
    GUIDFromText("{905E63B6-C1BF-494E-B29C-65B732D3D21A}");
inline constexpr TGUID FOLDERID_ProgramFilesX86 =
    GUIDFromText("{7C5A40EF-A0FB-4BFC-874A-C0F2E0B9FA8E}");
inline constexpr TGUID FOLDERID_ProgramFilesCommon =
    GUIDFromText("{F7F1ED05-9F6D-47A2-AAAE-29D317C6F066}");
inline constexpr TGUID FOLDERID_ProgramFilesCommonX86 =
    GUIDFromText("{DE974D24-D9C6-4D3E-BF91-F4455120B917}");
inline constexpr TGUID FOLDERID_Programs = GUIDFromText("{A77F5D77-2E2B-44C3-A6A2-ABA601054A51}");
inline constexpr TGUID FOLDERID_PublicDesktop =
    GUIDFromText("{C4AA340D-F20F-4863-AFEF-F87EF2E6BA25}");
inline constexpr TGUID FOLDERID_PublicDocuments =
    GUIDFromText("{ED4824AF-DCE4-45A8-81E2-FC7965083634}");
inline constexpr TGUID FOLDERID_PublicMusic =
    GUIDFromText("{3214FAB5-9757-4298-BB61-92A9DEAA44FF}");
inline constexpr TGUID FOLDERID_PublicPictures =
    GUIDFromText("{B6EBFB86-6907-413C-9AF7-4FC2ABF07CC5}");
inline constexpr TGUID FOLDERID_PublicVideos =
    GUIDFromText("{2400183A-6185-49FB-A2D8-4A392A602BA3}");
inline constexpr TGUID FOLDERID_Recent = GUIDFromText("{AE50C081-EBD2-438A-8655-8A092E34987A}");
inline constexpr TGUID FOLDERID_RecycleBinFolder =
    GUIDFromText("{B7534046-3ECB-4C18-BE4E-64CD4CB7D6AC}");
inline constexpr TGUID FOLDERID_ResourceDir =
    GUIDFromText("{8AD10C31-2ADB-4296-A8F7-E4701232C972}");
inline constexpr TGUID FOLDERID_RoamingAppData =
    GUIDFromText("{3EB685DB-65F9-4CF6-A03A-E3EF65729F3D}");
inline constexpr TGUID FOLDERID_SendTo = GUIDFromText("{8983036C-27C0-404B-8F08-102D10DCFD74}");
inline constexpr TGUID FOLDERID_StartMenu = GUIDFromText("{625B53C3-AB48-4EC1-BA1F-A1EF4146FC19}");
inline constexpr TGUID FOLDERID_Startup = GUIDFromText("{B97D20BB-F46A-4C97-BA10-5E3608430854}");
inline constexpr TGUID FOLDERID_System = GUIDFromText("{1AC14E77-02E7-4E5D-B744-2EB1AE5198B7}");
inline constexpr TGUID FOLDERID_SystemX86 = GUIDFromText("{D65231B0-B2F1-4857-A4CE-A8E7C6EA7D27}");
inline constexpr TGUID FOLDERID_Templates = GUIDFromText("{A63293E8-664E-48DB-A079-DF759E0509F7}");
inline constexpr TGUID FOLDERID_Videos = GUIDFromText("{18989B1D-99B5-455B-841C-AB7C74E4DDFC}");
inline constexpr TGUID FOLDERID_Windows = GUIDFromText("{F38BF404-1D43-42F2-9305-67DE0B28FC23}");
// Without a CSIDL counterpart.
inline constexpr TGUID FOLDERID_Downloads = GUIDFromText("{374DE290-123F-4565-9164-39C4925E467B}");
inline constexpr TGUID FOLDERID_Documents = GUIDFromText("{FDD39AD0-238F-46AF-ADB4-6C85480369C7}");
inline constexpr TGUID FOLDERID_Public = GUIDFromText("{DFDF76A2-C82A-4D63-906A-5644AC457385}");

// The CSIDL numbers that older shells name these folders by.
inline constexpr int CSIDL_DESKTOP = 0;
inline constexpr int CSIDL_INTERNET = 1;
inline constexpr int CSIDL_PROGRAMS = 2;
inline constexpr int CSIDL_CONTROLS = 3;
inline constexpr int CSIDL_PRINTERS = 4;
inline constexpr int CSIDL_FAVORITES = 6;
inline constexpr int CSIDL_STARTUP = 7;
inline constexpr int CSIDL_RECENT = 8;
inline constexpr int CSIDL_SENDTO = 9;
inline constexpr int CSIDL_BITBUCKET = 10;
inline constexpr int CSIDL_STARTMENU = 11;
inline constexpr int CSIDL_MYMUSIC = 13;
inline constexpr int CSIDL_MYVIDEO = 14;
inline constexpr int CSIDL_DRIVES = 17;
inline constexpr int CSIDL_NETWORK = 18;
inline constexpr int CSIDL_NETHOOD = 19;
inline constexpr int CSIDL_FONTS = 20;
inline constexpr int CSIDL_TEMPLATES = 21;
inline constexpr int CSIDL_COMMON_STARTMENU = 22;
inline constexpr int CSIDL_COMMON_PROGRAMS = 23;
inline constexpr int CSIDL_COMMON_STARTUP = 24;
inline constexpr int CSIDL_COMMON_DESKTOPDIRECTORY = 25;
inline constexpr int CSIDL_APPDATA = 26;
inline constexpr int CSIDL_PRINTHOOD = 27;
inline constexpr int CSIDL_LOCAL_APPDATA = 28;
inline constexpr int CSIDL_INTERNET_CACHE = 32;
inline constexpr int CSIDL_COOKIES = 33;
inline constexpr int CSIDL_HISTORY = 34;
inline constexpr int CSIDL_COMMON_APPDATA = 35;
inline constexpr int CSIDL_WINDOWS = 36;
inline constexpr int CSIDL_SYSTEM = 37;
inline constexpr int CSIDL_PROGRAM_FILES = 38;
inline constexpr int CSIDL_MYPICTURES = 39;
inline constexpr int CSIDL_PROFILE = 40;
inline constexpr int CSIDL_SYSTEMX86 = 41;
inline constexpr int CSIDL_PROGRAM_FILESX86 = 42;
inline constexpr int CSIDL_PROGRAM_FILES_COMMON = 43;
inline constexpr int CSIDL_PROGRAM_FILES_COMMONX86 = 44;
inline constexpr int CSIDL_COMMON_TEMPLATES = 45;
inline constexpr int CSIDL_COMMON_DOCUMENTS = 46;
inline constexpr int CSIDL_COMMON_ADMINTOOLS = 47;
inline constexpr int CSIDL_ADMINTOOLS = 48;
inline constexpr int CSIDL_CONNECTIONS = 49;
inline constexpr int CSIDL_COMMON_MUSIC = 53;
inline constexpr int CSIDL_COMMON_PICTURES = 54;
inline constexpr int CSIDL_COMMON_VIDEO = 55;
inline constexpr int CSIDL_RESOURCES = 56;
inline constexpr int CSIDL_RESOURCES_LOCALIZED = 57;
inline constexpr int CSIDL_COMMON_OEM_LINKS = 58;
inline constexpr int CSIDL_CDBURN_AREA = 59;

// Raised when a folder has no CSIDL counterpart.
class EConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The folder's path without a trailing separator; the empty text when the system gives none.
// Releases from FirstKnownFolderRelease on ask the known-folder service, older ones go
// through the folder's CSIDL counterpart and raise EConvertError when it has none.
std::string GetKnownFolderPath(const TGUID& FolderId);
// The same for a given major release number of the system.
std::string GetKnownFolderPath(const TGUID& FolderId, std::uint32_t MajorVersion);

// The folder's CSIDL counterpart; 0 when it has none (0 is also CSIDL_DESKTOP's number).
int KnownFolderToCSIDL(const TGUID& FolderId);

// Through the known-folder service: on Linux the XDG user directories, which know the
// Desktop, Documents, Downloads, Music, Pictures, Public, Templates and Videos folders.
std::string GetKnownFolderPathByGUID(const TGUID& FolderId);

// Through the CSIDL counterpart; raises EConvertError "Cannot convert to CSIDL - " and the
// identifier's braced text when KnownFolderToCSIDL gives 0.
std::string GetKnownFolderPathByCSIDL(const TGUID& FolderId);

}  // namespace skyrelle::about
