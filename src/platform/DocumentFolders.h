#pragma once

#include <optional>
#include <string>
#include <string_view>

// The user's own folders for documents, downloads, pictures and the like; the folders the
// program keeps its own files in are in DataFolders.h.
namespace skyrelle::platform {

// The XDG user directory named Name ("DOWNLOAD", "DESKTOP", "DOCUMENTS", "MUSIC", "PICTURES",
// "VIDEOS", "TEMPLATES", "PUBLICSHARE"), as user-dirs.dirs in the configuration folder gives
// it, or its usual default below the home folder. Never ends in a separator; the empty text
// for any other name.
std::string DocumentFolder(std::string_view Name);

// The value of XDG_<Name>_DIR in a user-dirs.dirs text, with "$HOME" expanded to Home, when
// the text sets it to "$HOME/..." or to an absolute path; the last setting wins.
std::optional<std::string> FindDocumentFolder(std::string_view DirsText, std::string_view Name,
                                              std::string_view Home);

}  // namespace skyrelle::platform
