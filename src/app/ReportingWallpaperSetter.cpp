#include "app/ReportingWallpaperSetter.h"

#include <utility>

#include "platform/Memory.h"

namespace skyrelle::app {

TReportingWallpaperSetter::TReportingWallpaperSetter(
    std::unique_ptr<platform::IWallpaperSetter> Desktop)
    : FDesktop(std::move(Desktop)) {}

platform::TWallpaperResult TReportingWallpaperSetter::SetWallpaper(const std::string& FileName) {
  platform::TWallpaperResult result = FDesktop->SetWallpaper(FileName);
  // The picture's buffers are free by now, but the allocator would keep them through the
  // hour the program idles until the next change.
  platform::ReleaseFreeMemory();
  if (result.Applied) return result;
  if (!FNoticeGiven && !FNotice) {
    FNotice = "The wallpaper could not be applied on this desktop";
    *FNotice += result.Error.empty() ? "." : ": " + result.Error;
  }
  return result;
}

std::optional<std::string> TReportingWallpaperSetter::TakeFailureNotice() {
  if (!FNotice) return std::nullopt;
  FNoticeGiven = true;
  return std::exchange(FNotice, std::nullopt);
}

}  // namespace skyrelle::app
