#pragma once

#include <optional>
#include <string>

namespace skyrelle::app {

// What the main window's logic asks of the window a toolkit draws. Paths are as the file
// system names them (bytes on Linux, UTF-8 on Windows); other texts are UTF-8.
class IMainView {
 public:
  virtual ~IMainView() = default;

  // The folder box's text.
  virtual void ShowFolder(const std::string& Path) = 0;
  // lblFilename, as wide as its text.
  virtual void ShowFileName(const std::string& Name) = 0;
  // lblStatus, as wide as its text, with a tooltip (empty: none).
  virtual void ShowStatus(const std::string& Text, const std::string& ToolTip) = 0;
  virtual bool AutoStartChecked() const = 0;
  virtual void SetAutoStartChecked(bool Checked) = 0;
  // Disables what would call the engine: the three buttons, the folder button and the menu's
  // "Next image" and "Next section".
  virtual void DisableEngineControls() = 0;
  // The folder browser titled Title, starting at Initial (empty: the desktop or the home
  // folder); nothing when it is cancelled.
  virtual std::optional<std::string> BrowseForFolder(const std::string& Title,
                                                     const std::string& Initial) = 0;
  // The application's error box, with the application title as its caption. Returns when
  // the user has closed it.
  virtual void ShowError(const std::string& Text) = 0;

  // Shows the window in its normal state and brings it and the application to the front.
  virtual void ShowInFront() = 0;
  virtual void Hide() = 0;
  virtual void Minimise() = 0;
  virtual bool IsHidden() const = 0;
  virtual void ShowTrayIcon(bool Show) = 0;
  virtual bool TrayIconShown() const = 0;
  // Ends the message loop, and so the program, with exit code 0.
  virtual void Quit() = 0;
};

}  // namespace skyrelle::app
