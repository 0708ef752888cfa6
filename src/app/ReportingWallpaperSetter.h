#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/IWallpaperSetter.h"

namespace skyrelle::app {

// Passes the bitmap on to the desktop's setter and keeps what went wrong, since the engine
// goes on as if the desktop had taken the picture.
class TReportingWallpaperSetter final : public platform::IWallpaperSetter {
 public:
  explicit TReportingWallpaperSetter(std::unique_ptr<platform::IWallpaperSetter> Desktop);

  // The desktop's setter logs each refusal itself.
  platform::TWallpaperResult SetWallpaper(const std::string& FileName) override;

  // A sentence on the first refusal of the run, given once; nothing afterwards, so the user
  // is told without being told again every hour.
  std::optional<std::string> TakeFailureNotice();

 private:
  std::unique_ptr<platform::IWallpaperSetter> FDesktop;
  std::optional<std::string> FNotice;
  bool FNoticeGiven = false;
};

}  // namespace skyrelle::app
