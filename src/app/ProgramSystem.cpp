#include "app/ProgramSystem.h"

#include "platform/DataFolders.h"
#include "platform/IAutoStart.h"
#include "platform/IWallpaperSetter.h"

namespace skyrelle::app {

TProgramSystem::TProgramSystem(std::unique_ptr<platform::IScreen> Screen)
    : FScreen(std::move(Screen)), FWallpaper(platform::CreateWallpaperSetter()) {}

TMainWindowServices TProgramSystem::MainWindowServices(const std::string& ProgramPath) {
  return {
      .CreateEngine =
          [this] {
            return std::make_unique<engine::TSkyrelle>(engine::TSkyrelleServices{
                FClock, *FScreen, FWallpaper, platform::ApplicationDataFolder(), FRandom,
                settings::TSettingsStore::CurrentUser()});
          },
      .AutoStart = platform::CreateAutoStart(ProgramPath),
      .TakeWallpaperNotice = [this] { return FWallpaper.TakeFailureNotice(); },
  };
}

}  // namespace skyrelle::app
