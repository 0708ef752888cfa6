#pragma once

// The settings store's names for access rights are macros in <windows.h>, with the same
// values: the engine's headers go first.
#include "app/IMainView.h"
#include "app/MainWindowLogic.h"

#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/windows/app/ListIcons.h"
#include "platform/windows/app/TrayIcon.h"
#include "platform/windows/app/WindowKit.h"

namespace skyrelle::app::win32 {

// The controls' identifiers, for WM_COMMAND and GetDlgItem.
enum class TMainControl : int {
  Label2 = 101,
  SourceDirectory,
  SourceDirectoryButton,  // inside the folder box
  Label1,
  FileName,
  Previous,
  Next,
  ApplyNow,
  Status,
  AutoStart,
};

// The tray menu's items: this identifier plus the item's place in app::TrayMenu.
inline constexpr int FirstTrayMenuCommand = 201;
inline constexpr UINT_PTR MinuteTimer = 1;

// The folder browser: owner, title and initial folder (empty: none); nothing when cancelled.
using TBrowseForFolder = std::function<std::optional<std::string>(
    HWND AOwner, const std::string& ATitle, const std::string& AInitial)>;

struct TfrmMainServices {
  TMainWindowServices Logic;
  TBrowseForFolder BrowseForFolder;
};

// The main window in Win32: its controls to the 96-dpi layout scaled for the monitor, the
// tray icon with its menu and the minute timer, forwarding their events to the main
// window's logic. Created hidden; Show puts it in the centre of the primary monitor.
class TfrmMain final : public TWindow, private IMainView {
 public:
  explicit TfrmMain(TfrmMainServices AServices);
  ~TfrmMain() override;

  // The first showing, centred on the primary monitor, with the focus on btnPrevious.
  void Show();
  // The message loop's dialog keys (Tab between the controls); true when it took AMessage.
  bool HandleDialogMessage(MSG& AMessage);

  bool FirstPass() const { return FLogic.FirstPass(); }
  const engine::TSkyrelle* Panorama() const { return FLogic.Panorama(); }
  HWND Control(TMainControl AControl) const;
  HMENU TrayMenu() const { return pmTrayIcon; }
  const TTrayIcon& TrayIcon() const { return *FTrayIcon; }

 private:
  LRESULT HandleMessage(UINT AMessage, WPARAM AWParam, LPARAM ALParam) override;
  void CreateControls();
  void CreateTrayMenu();
  // The icons at the layout's DPI: window, buttons, folder button and tray.
  void ApplyIcons();
  void PlaceFolderButton();
  void Command(int AId, int ANotification);
  void TrayIconMessage(LPARAM AMouseMessage);
  void PopUpTrayMenu();
  void MeasureMenuIcon(MEASUREITEMSTRUCT& AItem) const;
  void DrawMenuIcon(const DRAWITEMSTRUCT& AItem) const;
  void DrawFolderButton(const DRAWITEMSTRUCT& AItem) const;
  static LRESULT CALLBACK FolderBoxProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam,
                                        UINT_PTR ASubclass, DWORD_PTR AData) noexcept;

  // IMainView
  void ShowFolder(const std::string& APath) override;
  void ShowFileName(const std::string& AName) override;
  void ShowStatus(const std::string& AText, const std::string& AToolTip) override;
  bool AutoStartChecked() const override;
  void SetAutoStartChecked(bool AChecked) override;
  void DisableEngineControls() override;
  std::optional<std::string> BrowseForFolder(const std::string& ATitle,
                                             const std::string& AInitial) override;
  void ShowError(const std::string& AText) override;
  void ShowInFront() override;
  void Hide() override;
  void Minimise() override;
  bool IsHidden() const override;
  void ShowTrayIcon(bool AShow) override;
  bool TrayIconShown() const override;
  void Quit() override;

  TBrowseForFolder FBrowseForFolder;
  TDesignLayout FLayout;
  TMainWindowLogic FLogic;

  HWND Label2 = nullptr;
  HWND beSourceDirectory = nullptr;
  HWND beSourceDirectoryButton = nullptr;
  HWND Label1 = nullptr;
  HWND lblFilename = nullptr;
  HWND btnPrevious = nullptr;
  HWND btnNext = nullptr;
  HWND btnApplyNow = nullptr;
  HWND lblStatus = nullptr;
  HWND chkAutoStart = nullptr;
  HWND FStatusTip = nullptr;
  HMENU pmTrayIcon = nullptr;
  std::unique_ptr<TTrayIcon> FTrayIcon;

  // What the icons are drawn with at the present DPI.
  TIcon FBigIcon;
  TIcon FSmallIcon;
  TIcon FFolderIcon;
  std::vector<TIcon> FMenuIcons;
  std::vector<HIMAGELIST> FButtonImages;
};

}  // namespace skyrelle::app::win32
