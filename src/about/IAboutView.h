#pragma once

#include <string>

#include "update/HttpTransfer.h"

namespace skyrelle::about {

// What the About window's logic asks of the window a toolkit draws. Paths are as the file
// system names them (bytes on Linux, UTF-8 on Windows); other texts are UTF-8.
class IAboutView {
 public:
  virtual ~IAboutView() = default;

  // The creation's steps, in the order the logic takes them.
  virtual void HideBug() = 0;
  // Moves the title and the version to the left edge of the bug picture.
  virtual void AlignTitleWithBug() = 0;
  virtual void ShowTitle(const std::string& Title) = 0;
  virtual void ShowVersion(const std::string& Text) = 0;
  virtual void ShowNewVersionNotice(bool Show) = 0;
  // The release notes, one line of the memo per line feed.
  virtual void ShowNews(const std::string& News) = 0;
  // The label's text and its tool tip.
  virtual void ShowWindowsVersion(const std::string& Text) = 0;
  virtual void ShowToolchain(const std::string& Text) = 0;
  virtual void EnableSetup(bool Enable) = 0;

  // Fetches URL into FileName within Limits; true when the whole file arrived. The window
  // repaints and the program's timers tick meanwhile; clicks and keys wait. Never raises.
  virtual bool Download(const std::string& URL, const std::string& FileName,
                        const update::TTransferLimits& Limits) = 0;
  // A question with Yes and No; true for Yes.
  virtual bool Confirm(const std::string& Text) = 0;
  // An error message with OK.
  virtual void ShowError(const std::string& Text) = 0;
  // Shows a downloaded file selected in the system's file browser.
  virtual void ShowInFileManager(const std::string& FileName) = 0;
  // Hands a web page to the default browser; a failure is not reported.
  virtual void OpenURL(const std::string& URL) = 0;
};

}  // namespace skyrelle::about
