#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <string>
#include <string_view>

#include "about/AboutLogic.h"
#include "about/AboutWindow.h"
#include "about/IAboutView.h"
#include "platform/windows/app/WindowKit.h"

namespace skyrelle::about {

// What the About window asks of the desktop; tests substitute each part.
struct TfrmAbout102Services {
  std::string ProgramPath;  // the running program's file
  // A question with Yes and No; true for Yes.
  std::function<bool(HWND Owner, const std::string& Text)> Confirm;
  // An error message with OK.
  std::function<void(HWND Owner, const std::string& Text)> ShowError;
  // explorer.exe /select,"<file>".
  std::function<void(HWND Owner, const std::string& FileName)> ShowInFileManager;
  // Opens a web page in the default browser.
  std::function<void(HWND Owner, const std::string& URL)> OpenURL;
};

// The message boxes, the file browser and the browser of the running program.
TfrmAbout102Services AboutWindowServices();

// The About window drawn with Win32: title, version, release notes with the new-version notice
// and its downloads, the system, the toolchain, and links to the maker's site, donation page
// and licence agreement. Its creation fetches the site's update descriptor before it shows.
class TfrmAbout102 : public app::win32::TWindow, private IAboutView {
 public:
  explicit TfrmAbout102(TfrmAbout102Services Services);
  ~TfrmAbout102() override;

  // Shows the window modally and returns when it has been closed.
  void ShowModal();
  bool Closed() const { return FClosed; }

  // A control by its name ("lblVersion", "memNews"...); nullptr for an unknown name.
  HWND Control(std::string_view Name) const;
  HMENU NewVersionMenu() const { return pmNewVersion; }
  const app::win32::TDesignLayout& Layout() const { return FLayout; }

  // The menu items' command identifiers.
  static constexpr int MenSetupId = 201;
  static constexpr int MenCabId = 202;

 protected:
  LRESULT HandleMessage(UINT AMessage, WPARAM AWParam, LPARAM ALParam) override;

 private:
  void CreateControls();
  void CreateNewVersionMenu();
  void LoadPictures();
  void FormCreate();
  void BitBtn1Click();
  void lblNewVersionClick();
  void PopUpNewVersionMenu(POINT AAt);
  bool OnCommand(int AId, int ANotification);
  LRESULT OnControlColour(HDC ADC, HWND AControl) const;
  void DrawPicture(const DRAWITEMSTRUCT& AItem) const;
  bool IsLink(HWND AControl) const;

  void HideBug() override;
  void AlignTitleWithBug() override;
  void ShowTitle(const std::string& Title) override;
  void ShowVersion(const std::string& Text) override;
  void ShowNewVersionNotice(bool Show) override;
  void ShowNews(const std::string& News) override;
  void ShowWindowsVersion(const std::string& Text) override;
  void ShowToolchain(const std::string& Text) override;
  void EnableSetup(bool Enable) override;
  bool Download(const std::string& URL, const std::string& FileName,
                const update::TTransferLimits& Limits) override;
  bool Confirm(const std::string& Text) override;
  void ShowError(const std::string& Text) override;
  void ShowInFileManager(const std::string& FileName) override;
  void OpenURL(const std::string& URL) override;

  TfrmAbout102Services FServices;
  TAboutLogic FLogic;
  app::win32::TDesignLayout FLayout;
  HWND FToolTips = nullptr;
  app::win32::TIcon FExitIcon;
  app::win32::TIcon FEulaIcon;
  // The pictures drawn for 1, 2 and 3 times 96 dpi.
  std::array<app::win32::TBitmap, 3> FBugPictures;
  std::array<app::win32::TBitmap, 3> FDonatePictures;
  bool FClosed = false;

  HWND lblApplicationTitle = nullptr;
  HWND BitBtn1 = nullptr;
  HWND lblVersion = nullptr;
  HWND lblToolchainVersion = nullptr;
  HWND memNews = nullptr;
  HWND lblWindowsVersion = nullptr;
  HWND lblVersionHistory = nullptr;
  HWND bbtEula = nullptr;
  HWND lblWebSite = nullptr;
  HWND imgBug = nullptr;
  HWND imgDonate = nullptr;
  HWND lblNewVersion = nullptr;
  HMENU pmNewVersion = nullptr;
  HWND lblAnalytics = nullptr;
};

// Creates the About window, shows it modally and destroys it when it closes.
void ShowAbout(TfrmAbout102Services Services);

}  // namespace skyrelle::about
