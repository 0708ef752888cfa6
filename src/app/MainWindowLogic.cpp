#include "app/MainWindowLogic.h"

#include <exception>
#include <utility>

#include "app/ErrorText.h"
#include "core/Paths.h"
#include "platform/FileSystem.h"

namespace skyrelle::app {

std::string StatusText(long long Section, int StepsCount, int MinutesLeft) {
  return "Section " + std::to_string(Section) + " / " + std::to_string(StepsCount) +
         " - next change in " + std::to_string(MinutesLeft) + " min";
}

TMainWindowLogic::TMainWindowLogic(IMainView& View, TMainWindowServices Services)
    : FView(View), FServices(std::move(Services)) {}

TMainWindowLogic::~TMainWindowLogic() = default;

void TMainWindowLogic::ShowCurrentError() noexcept {
  try {
    FView.ShowError(CurrentErrorBoxText());
  } catch (...) {
    ReportUnshownError();
  }
}

void TMainWindowLogic::Guarded(const std::function<void()>& Action) noexcept {
  try {
    Action();
  } catch (...) {
    ShowCurrentError();
  }
}

void TMainWindowLogic::WithEngine(const std::function<void(engine::TSkyrelle&)>& Action) noexcept {
  Guarded([&] {
    if (!FPanorama) return;
    Action(*FPanorama);
    UpdateStatus();
  });
}

void TMainWindowLogic::FormCreate() {
  FFirstPass = true;
  try {
    FPanorama = FServices.CreateEngine();
  } catch (...) {
    Guarded([this] {
      const std::string text = CurrentErrorBoxText();
      FView.ShowError(text);
      WithoutEngine(text);
    });
  }
  Guarded([this] {
    if (!FPanorama) return;
    FView.ShowFolder(FPanorama->SourceDirectory());
    if (const std::exception_ptr error = FPanorama->TakeStartError()) std::rethrow_exception(error);
  });
  Guarded([this] {
    if (!IsAutoStartEnabled()) return;
    FView.SetAutoStartChecked(true);
    chkAutoStartClick();
  });
  Guarded([this] { UpdateStatus(); });
}

void TMainWindowLogic::FormDestroy() { FPanorama.reset(); }

// The window stays, but offers nothing that needs the engine; the status line keeps the
// reason in view after the error box is gone.
void TMainWindowLogic::WithoutEngine(const std::string& Reason) {
  FView.DisableEngineControls();
  FView.ShowStatus(Reason, "");
}

void TMainWindowLogic::UpdateStatus() {
  if (!FPanorama) return;
  std::string status = "No folder selected";
  if (!FPanorama->CurrentFile().empty()) {
    FView.ShowFileName(core::ExtractFileName(FPanorama->CurrentFile()));
    // Widened: a damaged store can leave the index at the top of its range.
    status = StatusText(static_cast<long long>(FPanorama->CurrentIndex()) + 1,
                        FPanorama->StepsCount(), FPanorama->MinutesUntilNextChange());
  }
  std::string toolTip;
  if (FServices.TakeWallpaperNotice) {
    if (std::optional<std::string> notice = FServices.TakeWallpaperNotice()) {
      status = *notice;
      toolTip = std::move(*notice);
    }
  }
  FView.ShowStatus(status, toolTip);
}

void TMainWindowLogic::beSourceDirectoryRightButtonClick() {
  WithEngine([this](engine::TSkyrelle& Engine) {
    const std::string& current = Engine.SourceDirectory();
    const std::optional<std::string> chosen =
        FView.BrowseForFolder(std::string(main_window::BrowseTitle),
                              platform::FolderExists(current) ? current : std::string());
    if (!chosen) return;
    Engine.SetSourceDirectory(*chosen);
    // Only once the engine has taken the folder.
    FView.ShowFolder(*chosen);
  });
}

void TMainWindowLogic::btnPreviousClick() {
  WithEngine([](engine::TSkyrelle& Engine) { Engine.PreviousImage(); });
}

void TMainWindowLogic::btnNextClick() {
  WithEngine([](engine::TSkyrelle& Engine) { Engine.NextImage(); });
}

void TMainWindowLogic::btnApplyNowClick() {
  WithEngine([](engine::TSkyrelle& Engine) { Engine.Advance(); });
}

void TMainWindowLogic::chkAutoStartClick() {
  Guarded([this] { SetAutoStart(FView.AutoStartChecked()); });
}

bool TMainWindowLogic::IsAutoStartEnabled() const { return FServices.AutoStart->IsEnabled(); }

void TMainWindowLogic::SetAutoStart(bool Enable) { FServices.AutoStart->Set(Enable); }

// Without a tray a hidden window could not be reached again, so there it only goes down to
// the taskbar.
void TMainWindowLogic::FormClose() {
  Guarded([this] {
    if (FServices.TrayAvailable()) {
      FView.ShowTrayIcon(true);
      FView.Hide();
    } else {
      FView.Minimise();
    }
  });
}

void TMainWindowLogic::TrayIconDblClick() {
  Guarded([this] { FView.ShowInFront(); });
}

void TMainWindowLogic::TrayMenuClick(TTrayMenuItem Item) {
  switch (Item) {
    case TTrayMenuItem::Show:
      return miShowClick();
    case TTrayMenuItem::NextImage:
      return miNextImageClick();
    case TTrayMenuItem::NextSection:
      return miNextSectionClick();
    case TTrayMenuItem::Quit:
      return miQuitClick();
    case TTrayMenuItem::About:
      return mnuAboutClick();
  }
}

void TMainWindowLogic::miShowClick() { TrayIconDblClick(); }

void TMainWindowLogic::miNextImageClick() { btnNextClick(); }

void TMainWindowLogic::miNextSectionClick() { btnApplyNowClick(); }

void TMainWindowLogic::miQuitClick() {
  Guarded([this] { FView.Quit(); });
}

void TMainWindowLogic::mnuAboutClick() {
  Guarded([this] {
    if (FServices.ShowAbout) FServices.ShowAbout();
  });
}

void TMainWindowLogic::TimerTimer() {
  Guarded([this] {
    // Cleared first: the prompt's dialog lets further ticks run inside it.
    if (FFirstPass) {
      FFirstPass = false;
      if (FServices.CheckDonationPrompt) FServices.CheckDonationPrompt("EN");
    }
    if (!FPanorama) return;
    if (FPanorama->MinutesUntilNextChange() <= 0) FPanorama->Advance();
    UpdateStatus();
  });
}

int TMainWindowLogic::WatchTrayHost() {
  Guarded([this] {
    const bool available = FServices.TrayAvailable();
    if (available && !FView.TrayIconShown()) {
      FView.ShowTrayIcon(true);
    } else if (!available && FView.TrayIconShown()) {
      FView.ShowTrayIcon(false);
      if (FView.IsHidden()) FView.Minimise();
    }
  });
  // Waiting for a tray is worth a look every two seconds; a tray that is there is only
  // watched as often as the program wakes anyway, so the idle program sleeps for a minute.
  return FView.TrayIconShown() ? TimerInterval : TrayWatchInterval;
}

}  // namespace skyrelle::app
