#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace skyrelle::app::win32 {

// SHBrowseForFolderW owned by AOwner, titled ATitle, browsing from the desktop, only
// file-system folders, in the resizable new style without its new-folder button, AInitial
// selected unless it is empty, and centred on the monitor nearest AOwner. The chosen folder's
// path, or nothing when the user cancelled. COM must be initialised as an apartment.
std::optional<std::string> BrowseForFolder(HWND AOwner, const std::string& ATitle,
                                           const std::string& AInitial);

}  // namespace skyrelle::app::win32
