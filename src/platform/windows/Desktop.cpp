#include <windows.h>

#include <stdexcept>

#include "platform/IScreen.h"
#include "platform/IWallpaperSetter.h"
#include "platform/windows/WideText.h"

namespace skyrelle::platform {
namespace {

// Physical pixels: the program's manifest declares it DPI-aware per monitor.
class TSystemMetricsScreen final : public IScreen {
 public:
  TScreenSize PrimaryScreenSize() override {
    const TScreenSize size{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (size.Width <= 0 || size.Height <= 0) throw std::runtime_error("No screen found");
    return size;
  }
};

// The choice goes into the user's profile and every window hears of it. Windows also reports
// success for a file it cannot show, so a success says only that the call was taken.
class TSystemParametersWallpaperSetter final : public IWallpaperSetter {
 public:
  TWallpaperResult SetWallpaper(const std::string& FileName) override {
    std::wstring path = windows::Widen(FileName);
    if (SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, path.data(),
                              SPIF_UPDATEINIFILE | SPIF_SENDWININICHANGE))
      return {true, ""};
    return {false, windows::SystemErrorText(GetLastError())};
  }
};

}  // namespace

std::unique_ptr<IScreen> CreateScreen() { return std::make_unique<TSystemMetricsScreen>(); }

std::unique_ptr<IWallpaperSetter> CreateWallpaperSetter() {
  return std::make_unique<TSystemParametersWallpaperSetter>();
}

}  // namespace skyrelle::platform
