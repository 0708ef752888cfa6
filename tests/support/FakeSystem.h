#pragma once

// The system the main window's engine works on, faked: a clock the test moves, a screen of a
// chosen size, a desktop that records the wallpapers it is given and a log-on entry.

#include <stdexcept>
#include <string>
#include <vector>

#include "core/DateTime.h"
#include "platform/IAutoStart.h"
#include "platform/IClock.h"
#include "platform/IScreen.h"
#include "platform/IWallpaperSetter.h"

namespace skyrelle::test_support {

class TFakeClock final : public platform::IClock {
 public:
  core::TDateTime Now() const override { return FNow; }
  void Pass(int Minutes) { FNow += Minutes / core::MinutesPerDay; }

 private:
  core::TDateTime FNow = 45292.5;
};

class TFakeScreen final : public platform::IScreen {
 public:
  explicit TFakeScreen(platform::TScreenSize ASize = {4, 2}) : FSize(ASize) {}
  platform::TScreenSize PrimaryScreenSize() override { return FSize; }

 private:
  platform::TScreenSize FSize;
};

class TFakeDesktop final : public platform::IWallpaperSetter {
 public:
  platform::TWallpaperResult SetWallpaper(const std::string& AFileName) override {
    Files.push_back(AFileName);
    return Result;
  }
  std::vector<std::string> Files;
  platform::TWallpaperResult Result{true, ""};
};

// The log-on entry as the window sees it: present or not, and every write and removal.
struct TAutoStartState {
  bool Enabled = false;
  bool Refuse = false;  // writing the entry fails as the registry's refusal does
  std::vector<bool> Sets;
};

class TFakeAutoStart final : public platform::IAutoStart {
 public:
  explicit TFakeAutoStart(TAutoStartState& AState) : FState(AState) {}
  bool IsEnabled() const override { return FState.Enabled; }
  void Set(bool AEnable) override {
    FState.Sets.push_back(AEnable);
    if (AEnable && FState.Refuse)
      throw std::runtime_error("Echec à la définition des données pour 'Skyrelle'");
    FState.Enabled = AEnable;
  }

 private:
  TAutoStartState& FState;
};

}  // namespace skyrelle::test_support
