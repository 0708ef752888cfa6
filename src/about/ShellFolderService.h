#pragma once

#include <string>

#include "about/Guid.h"

namespace skyrelle::about {

// The shell's two ways to a folder's path, as each system answers them (Windows: its shell's
// known-folder and CSIDL services; Linux: the XDG user directories that match). The empty
// text when the system gives no path.
std::string KnownFolderServicePath(const TGUID& FolderId);
std::string CSIDLServicePath(int CSIDL);

}  // namespace skyrelle::about
