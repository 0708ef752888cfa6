#pragma once

#include <string>

// The home folder and the per-user folders programs keep their files in; the user's folders
// for documents and downloads are in DocumentFolders.h.
namespace skyrelle::platform {

// The user's home folder: $HOME, else the account's entry, else "/" (Windows: %USERPROFILE%).
std::string HomeFolder();

// Per-user folder for data files other programs read (the wallpaper bitmap).
// Linux: $XDG_DATA_HOME, default ~/.local/share; Windows: %APPDATA%. Never ends in a
// separator.
std::string ApplicationDataFolder();

// Per-user folder for configuration (the settings store).
// Linux: $XDG_CONFIG_HOME, default ~/.config; Windows: %APPDATA%, though the store is the
// registry there. Never ends in a separator.
std::string ConfigFolder();

}  // namespace skyrelle::platform
