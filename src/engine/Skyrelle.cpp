#include "engine/Skyrelle.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <limits>
#include <memory>
#include <string_view>
#include <system_error>
#include <vector>

#include "core/Paths.h"
#include "core/Text.h"
#include "engine/SectionRenderer.h"
#include "imaging/ImageError.h"
#include "settings/Registry.h"

namespace skyrelle::engine {
namespace {

namespace fs = std::filesystem;

constexpr int HistoryLimit = 10;
constexpr std::int32_t MinutesPerChange = 60;
constexpr std::array<std::string_view, 4> PictureExtensions = {".bmp", ".jpg", ".jpeg", ".png"};

constexpr const char* SettingsKey = "\\Software\\Halvorn\\hvnSkyrelle";
constexpr const char* SourceDirectoryValue = "SourceDirectory";
constexpr const char* CurrentFileValue = "CurrentFile";
constexpr const char* HistoryValue = "History";
constexpr const char* CurrentIndexValue = "CurrentIndex";
constexpr const char* LastChangeValue = "LastChange";

bool IsPictureName(std::string_view Name) {
  const std::string extension = core::AsciiLowerCase(core::ExtractFileExt(Name));
  for (std::string_view picture : PictureExtensions)
    if (extension == picture) return true;
  return false;
}

// Links are followed. Folders, broken links, pipes and devices are no pictures: a pipe would
// block the render for ever.
bool IsExistingFile(const fs::path& Path) {
  std::error_code error;
  return fs::is_regular_file(fs::status(Path, error));
}

}  // namespace

TSkyrelle::TSkyrelle(const TSkyrelleServices& Services)
    : FClock(Services.Clock),
      FWallpaper(Services.Wallpaper),
      FRandom(Services.Random),
      FSettings(Services.Settings) {
  const platform::TScreenSize screen = Services.Screen.PrimaryScreenSize();
  FCropWidth = screen.Width;
  FCropHeight = screen.Height;
  FOutputFile =
      core::JoinPath(core::JoinPath(Services.ApplicationDataFolder, "Skyrelle"), "current.bmp");
  std::error_code ignored;  // a missing folder shows as a write error at the first render
  fs::create_directories(core::FileSystemPath(core::ExtractFileDir(FOutputFile)), ignored);
  LoadSettings();
  if (!FSourceDirectory.empty()) {
    ScanFolder();
    // A bad picture or a store that refuses writes must not leave the program without its
    // engine: the window reports the error and stays usable.
    try {
      SelectImage(PickRandomImage());
    } catch (...) {
      FStartError = std::current_exception();
    }
  }
}

TSkyrelle::~TSkyrelle() = default;

void TSkyrelle::ScanFolder() {
  FFileList.Clear();
  if (FSourceDirectory.empty()) return;
  std::error_code error;
  for (fs::directory_iterator it(core::FileSystemPath(FSourceDirectory), error), end;
       !error && it != end; it.increment(error)) {
    const std::string name = core::PathText(it->path().filename());
    if (IsPictureName(name) && IsExistingFile(it->path()))
      FFileList.Add(core::JoinPath(FSourceDirectory, name));
  }
  FFileList.Sort();
}

std::string TSkyrelle::PickRandomImage() {
  if (FFileList.Empty()) return "";
  std::vector<const std::string*> candidates;
  for (const std::string& file : FFileList.Items())
    if (FHistory.IndexOf(file) < 0) candidates.push_back(&file);
  if (candidates.empty())
    for (const std::string& file : FFileList.Items()) candidates.push_back(&file);
  return *candidates[FRandom.Below(candidates.size())];
}

void TSkyrelle::AddToHistory(const std::string& Path) {
  if (const int found = FHistory.IndexOf(Path); found >= 0) FHistory.Delete(found);
  FHistory.Insert(0, Path);
  while (FHistory.Count() > HistoryLimit) FHistory.Delete(FHistory.Count() - 1);
}

void TSkyrelle::SelectImage(const std::string& AFileName) {
  if (AFileName.empty()) return;
  FCurrentFile = AFileName;
  FCurrentIndex = 0;
  AddToHistory(AFileName);
  std::exception_ptr renderError;
  try {
    RenderCurrent();
  } catch (...) {
    renderError = std::current_exception();
  }
  // Saved also after a failed render, so that the next start does not pick it again at once.
  try {
    StoreState();
  } catch (...) {
    if (!renderError) throw;
    FStoreRefused = false;  // the picture's error is shown now, the store's at the next save
  }
  if (renderError) std::rethrow_exception(renderError);
}

// Raises a picture's error once: a timer tick must not raise it again every minute.
void TSkyrelle::RenderCurrent() {
  FCurrentFailed = false;
  try {
    GenerateWallpaper();
  } catch (const imaging::EImageError&) {
    FCurrentFailed = true;
    if (FFailedPictures.insert(FCurrentFile).second) throw;
  }
}

void TSkyrelle::StoreState() {
  try {
    SaveSettings();
    FStoreRefused = false;
  } catch (...) {
    if (!std::exchange(FStoreRefused, true)) throw;
  }
}

void TSkyrelle::SetSourceDirectory(const std::string& ADirectory) {
  FSourceDirectory = ADirectory;
  ScanFolder();
  SelectImage(PickRandomImage());
}

bool TSkyrelle::NextImage() {
  if (FFileList.Empty()) return false;
  const int current = FFileList.IndexOf(FCurrentFile);
  SelectImage(FFileList[(current + 1) % FFileList.Count()]);
  return true;
}

bool TSkyrelle::PreviousImage() {
  if (FFileList.Empty()) return false;
  const int current = std::max(FFileList.IndexOf(FCurrentFile), 0);
  const int count = FFileList.Count();
  SelectImage(FFileList[(current + count - 1) % count]);
  return true;
}

bool TSkyrelle::GenerateWallpaper() {
  if (FCurrentFile.empty() || !IsExistingFile(core::FileSystemPath(FCurrentFile))) return false;
  RenderSection(FCurrentFile, FCropWidth, FCropHeight, FCurrentIndex, FStepsCount, FOutputFile);
  FWallpaper.SetWallpaper(FOutputFile);
  FLastChange = FClock.Now();
  StoreState();
  return true;
}

// Opened for one load or save; releasing the accessor closes the key. Whether the key could
// be opened is left to the reads and writes: without a key nothing exists and writes fail.
std::unique_ptr<settings::TRegistry> TSkyrelle::OpenSettingsKey() const {
  auto registry =
      std::make_unique<settings::TRegistry>(settings::KEY_READ | settings::KEY_WRITE, FSettings);
  registry->SetRootKey(settings::TRootKey::CurrentUser);
  registry->OpenKey(SettingsKey, true);
  return registry;
}

void TSkyrelle::LoadSettings() {
  const auto registry = OpenSettingsKey();
  if (registry->ValueExists(SourceDirectoryValue))
    FSourceDirectory = registry->ReadString(SourceDirectoryValue);
  if (registry->ValueExists(CurrentFileValue))
    FCurrentFile = registry->ReadString(CurrentFileValue);
  if (registry->ValueExists(HistoryValue))
    FHistory.SetDelimitedText(registry->ReadString(HistoryValue));
  if (registry->ValueExists(CurrentIndexValue))
    FCurrentIndex = registry->ReadInteger(CurrentIndexValue);
  FLastChange =
      registry->ValueExists(LastChangeValue) ? registry->ReadDateTime(LastChangeValue) : 0;
}

void TSkyrelle::SaveSettings() const {
  const auto registry = OpenSettingsKey();
  registry->WriteString(SourceDirectoryValue, FSourceDirectory);
  registry->WriteString(CurrentFileValue, FCurrentFile);
  registry->WriteString(HistoryValue, FHistory.DelimitedText());
  registry->WriteInteger(CurrentIndexValue, FCurrentIndex);
  registry->WriteDateTime(LastChangeValue, FLastChange);
}

std::int32_t TSkyrelle::MinutesUntilNextChange() const {
  if (FLastChange == 0) return 0;
  const double elapsed = std::trunc((FClock.Now() - FLastChange) * core::MinutesPerDay);
  // Kept in double: a stamp from a damaged store may lie beyond any 32-bit count of minutes.
  const double remaining = MinutesPerChange - elapsed;
  if (!(remaining > 0)) return 0;  // also an unreadable (NaN) stamp: change now
  if (remaining >= std::numeric_limits<std::int32_t>::max())
    return std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(remaining);
}

void TSkyrelle::Advance() {
  // Saturates: a stored index at the top must not wrap round to a negative section.
  if (FCurrentIndex < std::numeric_limits<std::int32_t>::max()) ++FCurrentIndex;
  // The sections of a picture that cannot be rendered are skipped.
  if (FCurrentIndex < FStepsCount && !FCurrentFailed)
    RenderCurrent();
  else
    SelectImage(PickRandomImage());
}

}  // namespace skyrelle::engine
