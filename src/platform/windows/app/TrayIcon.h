#pragma once

#include <windows.h>

#include <shellapi.h>

#include <string>

namespace skyrelle::app::win32 {

// The program's icon in the notification area: mouse events over it arrive at the owner
// window as CallbackMessage, with the mouse message in LPARAM. The icon is added again when
// the shell announces a new taskbar.
class TTrayIcon {
 public:
  static constexpr UINT CallbackMessage = WM_APP + 1;

  TTrayIcon(HWND AOwner, HICON AIcon, std::string AToolTip);
  ~TTrayIcon();
  TTrayIcon(const TTrayIcon&) = delete;
  TTrayIcon& operator=(const TTrayIcon&) = delete;

  // Adds or removes the icon. A shell without a taskbar yet takes it when it announces one.
  void SetVisible(bool AVisible);
  bool Visible() const { return FVisible; }
  void SetIcon(HICON AIcon);

  // True for the shell's "TaskbarCreated" message, after which the icon is added again.
  bool HandleTaskbarCreated(UINT AMessage);

 private:
  NOTIFYICONDATAW Data() const;

  HWND FOwner;
  HICON FIcon;
  std::string FToolTip;
  bool FVisible = false;
  UINT FTaskbarCreated;
};

}  // namespace skyrelle::app::win32
