#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "about/IAboutView.h"

namespace skyrelle::about {

inline constexpr std::string_view DownloadedQuestion =
    "File downloaded successfuly.\nOpen the download folder ?";
inline constexpr std::string_view DownloadFailedMessage = "Unable to download the new version";

// The page a link opens by its Tag: 1 the maker's web site, 2 the donation page, 3 the licence
// agreement; nothing for any other Tag.
std::optional<std::string> WebLinkTarget(int Tag);

// What the About window's handlers decide, whatever toolkit draws it: its creation with the
// new-version check, the links and the manual downloads. The view forwards its events here
// and shows what these raise in the application's error box.
class TAboutLogic {
 public:
  // ProgramPath: the running program's file; ToolchainLine: what the build names itself.
  TAboutLogic(IAboutView& View, std::string ProgramPath, std::string ToolchainLine);

  // Fills the window step by step. A step that raises leaves the steps after it undone, so
  // their controls keep their design-time contents.
  void FormCreate();
  void WebLinkClick(int Tag);
  // Downloads the installer (Tag 1) or the cabinet package (Tag 2) into the Downloads
  // folder and offers to show it.
  void menNewVersionClick(int Tag);

  bool NewVersionAvalaible() const { return FNewVersionAvalaible; }
  const std::string& News() const { return FNews; }
  const std::string& ExeSetup() const { return FExeSetup; }

 private:
  void CheckForNewVersion();

  IAboutView& FView;
  std::string FProgramPath;
  std::string FToolchainLine;
  bool FNewVersionAvalaible = false;
  std::string FNews;
  std::string FExeSetup;
};

}  // namespace skyrelle::about
