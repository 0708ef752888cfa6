#pragma once

#include <functional>
#include <optional>
#include <string>

namespace skyrelle::about {

// Fetches URL into FileName; true when the whole file arrived. Never raises.
using TDownloader = std::function<bool(const std::string& URL, const std::string& FileName)>;

// What the About window learns from the site's update descriptor.
struct TNewVersionNotice {
  bool NewVersionAvalaible = false;  // the site offers a version above the program file's
  std::string News;                  // release notes, lines separated by line feeds
  std::string ExeSetup;              // the descriptor's `runbefore`: the installer on the site
};

// Fetches the About window's descriptor for the program file ProgramPath into a temporary
// file, reads it and removes it. A descriptor that cannot be fetched gives no notice, no news
// and no installer. Once it has arrived, the program file's version is read strictly: raises
// update::EOSError when the file holds no version record.
TNewVersionNotice CheckForNewVersion(const std::string& ProgramPath, const TDownloader& Download);

// What a choice of the new-version menu downloads, and where it goes.
struct TManualDownload {
  std::string URL;
  std::string Target;  // in the Downloads folder
};

// Tag 1: the installer named by ExeSetup (its file-name part); Tag 2: the program's cabinet
// package. Nothing for any other tag, nor for an installer without a file name.
std::optional<TManualDownload> ManualDownloadFor(int Tag, const std::string& ProgramPath,
                                                 const std::string& ExeSetup,
                                                 const std::string& DownloadFolder);

// The user's Downloads folder with a trailing separator; the home folder when the system
// names none. Made when it does not exist yet, as the desktop's own tools would.
std::string DownloadFolder();

}  // namespace skyrelle::about
