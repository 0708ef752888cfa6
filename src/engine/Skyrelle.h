#pragma once

#include <cstdint>
#include <string>

#include "core/DateTime.h"
#include "core/StringList.h"
#include "platform/IClock.h"
#include "platform/IScreen.h"
#include "platform/IWallpaperSetter.h"

namespace skyrelle::engine {

// What the engine asks of the system; the shell passes the real ones, tests pass fakes.
struct TSkyrelleServices {
  const platform::IClock& Clock;
  platform::IScreen& Screen;
  platform::IWallpaperSetter& Wallpaper;
  // The application-data folder; the bitmap goes to "Skyrelle/current.bmp" below it.
  std::string ApplicationDataFolder;
};

// The panorama engine: picture list, selection, sections, rendering, stored state, schedule.
class TSkyrelle {
 public:
  explicit TSkyrelle(const TSkyrelleServices& Services);
  ~TSkyrelle();
  TSkyrelle(const TSkyrelle&) = delete;
  TSkyrelle& operator=(const TSkyrelle&) = delete;

  bool GenerateWallpaper();
  void Advance();
  void SelectImage(const std::string& AFileName);
  void SetSourceDirectory(const std::string& ADirectory);
  bool NextImage();
  bool PreviousImage();
  std::int32_t MinutesUntilNextChange() const;

  const std::string& SourceDirectory() const { return FSourceDirectory; }
  const std::string& CurrentFile() const { return FCurrentFile; }
  std::int32_t CurrentIndex() const { return FCurrentIndex; }
  std::int32_t StepsCount() const { return FStepsCount; }
  void SetStepsCount(std::int32_t Value) { FStepsCount = Value; }
  core::TDateTime LastChange() const { return FLastChange; }

  // ... private operations and the remaining fields: see the engine's own sources.

 private:
  std::string FSourceDirectory;
  std::string FCurrentFile;
  std::string FOutputFile;
  core::TStringList FFileList;
  core::TStringList FHistory;
  std::int32_t FStepsCount = 8;
  std::int32_t FCurrentIndex = 0;
  core::TDateTime FLastChange = 0;
  std::int32_t FCropWidth = 0;
  std::int32_t FCropHeight = 0;
};

}  // namespace skyrelle::engine
