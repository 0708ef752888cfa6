#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <set>
#include <string>
#include <utility>

#include "core/DateTime.h"
#include "core/Random.h"
#include "core/StringList.h"
#include "platform/IClock.h"
#include "platform/IScreen.h"
#include "platform/IWallpaperSetter.h"
#include "settings/Registry.h"

namespace skyrelle::engine {

// What the engine asks of the system; the shell passes the real ones, tests pass fakes.
struct TSkyrelleServices {
  const platform::IClock& Clock;
  platform::IScreen& Screen;
  platform::IWallpaperSetter& Wallpaper;
  // The application-data folder; the bitmap goes to "Skyrelle/current.bmp" below it.
  std::string ApplicationDataFolder;
  // Draws the random pictures.
  core::IRandom& Random;
  // Holds the engine's state.
  settings::TSettingsStore Settings;
};

// The panorama engine: picture list, selection, sections, rendering, stored state, schedule.
class TSkyrelle {
 public:
  // Loads the stored state and, when a folder is set, shows a fresh random picture at once.
  // A stored value of the wrong type raises, and no engine is made. A first picture that
  // cannot be shown or stored does not: the engine is made, and TakeStartError gives why.
  explicit TSkyrelle(const TSkyrelleServices& Services);
  ~TSkyrelle();
  TSkyrelle(const TSkyrelle&) = delete;
  TSkyrelle& operator=(const TSkyrelle&) = delete;

  // The error that kept the first picture from being shown or stored, once; else nothing.
  std::exception_ptr TakeStartError() { return std::exchange(FStartError, nullptr); }

  // Renders the current section, hands it to the desktop, stamps the time and saves.
  // False when there is no current picture file; decoding and writing errors raise.
  bool GenerateWallpaper();
  // Next section, or a new random picture after the last one or when the current picture
  // could not be rendered.
  void Advance();
  // Makes AFileName current at its first section, renders it and saves, also when the render
  // fails, so that the history keeps the failed picture; "" does nothing. A picture that
  // fails raises only the first time; a store that refuses the save raises once, until a save
  // succeeds again, and the state lives on in memory.
  void SelectImage(const std::string& AFileName);
  void SetSourceDirectory(const std::string& ADirectory);
  // Neighbours in the sorted folder list; false when the folder holds no picture.
  bool NextImage();
  bool PreviousImage();
  // Whole minutes left of the hour since the last render; 0 when a change is due.
  std::int32_t MinutesUntilNextChange() const;

  const std::string& SourceDirectory() const { return FSourceDirectory; }
  const std::string& CurrentFile() const { return FCurrentFile; }
  std::int32_t CurrentIndex() const { return FCurrentIndex; }
  std::int32_t StepsCount() const { return FStepsCount; }
  void SetStepsCount(std::int32_t Value) { FStepsCount = Value; }
  core::TDateTime LastChange() const { return FLastChange; }

 private:
  void ScanFolder();
  std::string PickRandomImage();
  void AddToHistory(const std::string& Path);
  void LoadSettings();
  void SaveSettings() const;
  std::unique_ptr<settings::TRegistry> OpenSettingsKey() const;
  void StoreState();
  void RenderCurrent();

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

  std::exception_ptr FStartError;
  // Pictures whose render failed and was reported; none is reported twice.
  std::set<std::string> FFailedPictures;
  bool FCurrentFailed = false;  // the current picture could not be rendered
  bool FStoreRefused = false;   // the last save was refused, and reported

  const platform::IClock& FClock;
  platform::IWallpaperSetter& FWallpaper;
  core::IRandom& FRandom;
  const settings::TSettingsStore FSettings;
};

}  // namespace skyrelle::engine
