#include "about/ShellFolderService.h"

#include <bit>

#include "platform/ShellFolders.h"

namespace skyrelle::about {

std::string KnownFolderServicePath(const TGUID& FolderId) {
  return platform::ShellKnownFolderPath(std::bit_cast<std::array<std::uint8_t, 16>>(FolderId));
}

std::string CSIDLServicePath(int CSIDL) { return platform::ShellFolderPath(CSIDL); }

}  // namespace skyrelle::about
