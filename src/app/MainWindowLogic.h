#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/IMainView.h"
#include "app/MainWindowLayout.h"
#include "engine/Skyrelle.h"
#include "platform/IAutoStart.h"

namespace skyrelle::app {

// The minute timer's interval.
inline constexpr int TimerInterval = 60000;
// How often a missing tray is looked for.
inline constexpr int TrayWatchInterval = 2000;

// What the main window asks of the rest of the program; tests substitute each part.
struct TMainWindowServices {
  // Makes the panorama engine; may raise, and the window then goes on without one.
  std::function<std::unique_ptr<engine::TSkyrelle>()> CreateEngine;
  std::unique_ptr<platform::IAutoStart> AutoStart;
  // Whether the desktop has a tray to hold the icon now.
  std::function<bool()> TrayAvailable;
  // The wallpaper setter's notice that the desktop refused a picture, once; may be empty.
  std::function<std::optional<std::string>()> TakeWallpaperNotice;
  // Opens the About window and returns when it has closed; empty: there is none.
  std::function<void()> ShowAbout;
  // Counts this run and shows the donation prompt in the language when the count is due;
  // empty: there is none.
  std::function<void(const std::string& LanguageCode)> CheckDonationPrompt;
};

// What the main window's handlers do, whatever toolkit draws it: the engine calls, the status
// line, the start entry, the tray and the minute timer. The view forwards its events here.
// Every handler shows its own errors in the view's error box: nothing escapes.
class TMainWindowLogic {
 public:
  TMainWindowLogic(IMainView& View, TMainWindowServices Services);
  ~TMainWindowLogic();
  TMainWindowLogic(const TMainWindowLogic&) = delete;
  TMainWindowLogic& operator=(const TMainWindowLogic&) = delete;

  // The engine, then the folder box, the start entry and the status line, each step guarded
  // on its own: a refused engine still leaves the start entry read.
  void FormCreate();
  void FormDestroy();

  void beSourceDirectoryRightButtonClick();
  void btnPreviousClick();
  void btnNextClick();
  void btnApplyNowClick();
  // Writes or removes the start entry after the box's new state.
  void chkAutoStartClick();
  // A close request hides the window into the tray.
  void FormClose();
  void TrayIconDblClick();
  void TrayMenuClick(TTrayMenuItem Item);
  void miShowClick();
  void miNextImageClick();
  void miNextSectionClick();
  void miQuitClick();
  void mnuAboutClick();
  void TimerTimer();
  // The tray may come later than the program or go away: the icon follows it, and a hidden
  // window comes back to the taskbar when the tray is gone. Returns when to look again.
  int WatchTrayHost();

  // True from FormCreate until the first timer tick.
  bool FirstPass() const { return FFirstPass; }
  // The engine, or nothing when it could not be created.
  const engine::TSkyrelle* Panorama() const { return FPanorama.get(); }

 private:
  void UpdateStatus();
  bool IsAutoStartEnabled() const;
  void SetAutoStart(bool Enable);
  void WithoutEngine(const std::string& Reason);
  // Runs Action and shows whatever it raises.
  void Guarded(const std::function<void()>& Action) noexcept;
  // Runs Action on the engine, if there is one, then refreshes the status line.
  void WithEngine(const std::function<void(engine::TSkyrelle&)>& Action) noexcept;
  void ShowCurrentError() noexcept;

  IMainView& FView;
  TMainWindowServices FServices;
  std::unique_ptr<engine::TSkyrelle> FPanorama;
  bool FFirstPass = true;
};

// "Section %d / %d - next change in %d min"; the section counts from 1.
std::string StatusText(long long Section, int StepsCount, int MinutesLeft);

}  // namespace skyrelle::app
