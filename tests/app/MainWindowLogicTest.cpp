// The main window's logic behind a recording view, without a display: the same cases on
// Linux and under Wine.
#include "app/MainWindowLogic.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>
#include <stdexcept>

#include "app/ApplicationTitle.h"
#include "app/ReportingWallpaperSetter.h"
#include "core/Paths.h"
#include "settings/Registry.h"
#include "support/BitmapFile.h"
#include "support/FakeSystem.h"
#include "support/TempFolder.h"
#include "support/TestSettingsStore.h"

namespace skyrelle::app {
namespace {

namespace fs = std::filesystem;

constexpr const char* SettingsKey = "\\Software\\Halvorn\\hvnSkyrelle";

using test_support::TAutoStartState;
using test_support::TFakeAutoStart;
using test_support::TFakeClock;
using test_support::TFakeDesktop;
using test_support::TFakeScreen;

// What the window shows and what was asked of it.
class TRecordingView final : public IMainView {
 public:
  void ShowFolder(const std::string& Path) override { Folder = Path; }
  void ShowFileName(const std::string& Name) override { FileName = Name; }
  void ShowStatus(const std::string& Text, const std::string& Tip) override {
    Status = Text;
    ToolTip = Tip;
  }
  bool AutoStartChecked() const override { return AutoStart; }
  void SetAutoStartChecked(bool Checked) override { AutoStart = Checked; }
  void DisableEngineControls() override { EngineControlsEnabled = false; }
  std::optional<std::string> BrowseForFolder(const std::string& Title,
                                             const std::string& Initial) override {
    Browses.push_back({Title, Initial});
    return BrowseResult;
  }
  void ShowError(const std::string& Text) override { Errors.push_back(Text); }
  void ShowInFront() override {
    Hidden = false;
    Minimised = false;
    ++BroughtToFront;
  }
  void Hide() override { Hidden = true; }
  void Minimise() override {
    Hidden = false;
    Minimised = true;
  }
  bool IsHidden() const override { return Hidden; }
  void ShowTrayIcon(bool Show) override { TrayShown = Show; }
  bool TrayIconShown() const override { return TrayShown; }
  void Quit() override { ++Quits; }

  std::string Folder;
  std::string FileName = "lblFilename";
  std::string Status;
  std::string ToolTip;
  bool AutoStart = false;
  bool EngineControlsEnabled = true;
  std::vector<std::pair<std::string, std::string>> Browses;
  std::optional<std::string> BrowseResult;
  std::vector<std::string> Errors;
  bool Hidden = false;
  bool Minimised = false;
  bool TrayShown = false;
  int BroughtToFront = 0;
  int Quits = 0;
};

std::string Status(int Section, int Minutes) { return StatusText(Section, 8, Minutes); }

class MainWindowLogicTest : public testing::Test {
 public:
  std::string Pictures() const { return FRoot / "pictures"; }
  std::string Picture(const std::string& Name) const { return core::JoinPath(Pictures(), Name); }

  // Twice the screen's width, in the folder Name names.
  void WritePicture(const std::string& Name) const {
    fs::create_directories(fs::path(Picture(Name)).parent_path());
    test_support::WriteBitmap24(Picture(Name), 8, 2,
                                [](std::int32_t, std::int32_t) { return 0x808080u; });
  }
  void WritePictures() const {
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) WritePicture(name);
  }
  static void Spoil(const std::string& FileName) {
    fs::create_directories(fs::path(FileName).parent_path());
    std::ofstream(FileName, std::ios::trunc) << "not a picture";
  }

  void SeedFolder(const std::string& Folder) const {
    settings::TRegistry store(settings::KEY_ALL_ACCESS, FStore.Store());
    ASSERT_TRUE(store.OpenKey(SettingsKey, true));
    store.WriteString("SourceDirectory", Folder);
  }

  TMainWindowServices Services() {
    return {
        .CreateEngine =
            [this] {
              if (EngineError) throw std::runtime_error(*EngineError);
              return std::make_unique<engine::TSkyrelle>(engine::TSkyrelleServices{
                  Clock, Screen, Wallpaper, FRoot / "data", Random, FStore.Store()});
            },
        .AutoStart = std::make_unique<TFakeAutoStart>(AutoStart),
        .TrayAvailable = [this] { return TrayAvailable; },
        .TakeWallpaperNotice = [this] { return Wallpaper.TakeFailureNotice(); },
        .ShowAbout = [this] { ++AboutShown; },
        .CheckDonationPrompt =
            [this](const std::string& LanguageCode) {
              Prompts.push_back(LanguageCode);
              if (DonationError) throw std::runtime_error(*DonationError);
            },
    };
  }

  // The window as its creation leaves it.
  TMainWindowLogic& Window() {
    if (!FLogic) {
      FLogic = std::make_unique<TMainWindowLogic>(View, Services());
      FLogic->FormCreate();
    }
    return *FLogic;
  }

  const engine::TSkyrelle& Engine() {
    if (Window().Panorama() == nullptr) throw std::runtime_error("the window has no engine");
    return *Window().Panorama();
  }
  std::string CurrentFile() { return Engine().CurrentFile(); }

  TRecordingView View;
  TFakeClock Clock;
  TFakeScreen Screen;
  core::TRandom Random{1};
  TFakeDesktop* Desktop = new TFakeDesktop;
  TReportingWallpaperSetter Wallpaper{std::unique_ptr<platform::IWallpaperSetter>(Desktop)};
  TAutoStartState AutoStart;
  std::optional<std::string> EngineError;
  std::optional<std::string> DonationError;
  bool TrayAvailable = true;
  int AboutShown = 0;
  std::vector<std::string> Prompts;

 private:
  test_support::TTempFolder FRoot;
  test_support::TTestSettingsStore FStore{FRoot};
  std::unique_ptr<TMainWindowLogic> FLogic;
};

// --- Creation and the status line ---------------------------------------------------------

TEST_F(MainWindowLogicTest, StartsWithAStoredFolderOnAFreshPictureAtItsFirstSection) {
  WritePictures();
  SeedFolder(Pictures());
  Window();
  EXPECT_EQ(View.Folder, Pictures());
  EXPECT_EQ(View.FileName, core::ExtractFileName(CurrentFile()));
  EXPECT_EQ(View.Status, Status(1, 60));
  EXPECT_EQ(View.ToolTip, "");
  EXPECT_EQ(Desktop->Files.size(), 1u);
  EXPECT_TRUE(Window().FirstPass());
  EXPECT_TRUE(View.Errors.empty());
}

TEST_F(MainWindowLogicTest, AFolderWithoutPicturesShowsNoFolderSelectedAndLeavesTheFileName) {
  SeedFolder(Pictures());
  Window();
  EXPECT_EQ(View.Folder, Pictures());
  EXPECT_EQ(View.Status, "No folder selected");
  EXPECT_EQ(View.FileName, "lblFilename");
}

TEST_F(MainWindowLogicTest, StatusTellsOnceThatTheDesktopRefusedTheWallpaper) {
  WritePictures();
  SeedFolder(Pictures());
  Desktop->Result = {false, "access denied"};
  Window();
  const std::string notice = "The wallpaper could not be applied on this desktop: access denied";
  EXPECT_EQ(View.Status, notice);
  EXPECT_EQ(View.ToolTip, notice);
  Window().TimerTimer();
  EXPECT_EQ(View.Status, Status(1, 60));
  EXPECT_EQ(View.ToolTip, "");
}

TEST(StatusTextTest, CountsSectionsFromOneAndDoesNotWrapAtTheTopOfTheRange) {
  EXPECT_EQ(StatusText(1, 8, 60), "Section 1 / 8 - next change in 60 min");
  EXPECT_EQ(StatusText(std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1, 8, 0),
            "Section 2147483648 / 8 - next change in 0 min");
}

// --- Handlers -------------------------------------------------------------------------------

struct TActionCase {
  const char* Name;
  void (*Act)(TMainWindowLogic&);
  int Step;  // neighbour in the sorted folder, 0 for the same picture
  int Section;
};

void PrintTo(const TActionCase& Case, std::ostream* Out) { *Out << Case.Name; }

class MainWindowActionTest : public MainWindowLogicTest,
                             public testing::WithParamInterface<TActionCase> {};

// Ten minutes into the hour, so that only a fresh render and refresh shows 60 minutes.
TEST_P(MainWindowActionTest, CallsTheEngineAndRefreshesTheStatus) {
  WritePictures();
  SeedFolder(Pictures());
  Window();
  const std::vector<std::string> sorted = {Picture("a.bmp"), Picture("b.bmp"), Picture("c.bmp")};
  const auto before = std::find(sorted.begin(), sorted.end(), CurrentFile()) - sorted.begin();
  Clock.Pass(10);
  GetParam().Act(Window());
  EXPECT_EQ(CurrentFile(), sorted[(before + GetParam().Step + 3) % 3]);
  EXPECT_EQ(View.Status, Status(GetParam().Section, 60));
  EXPECT_EQ(View.FileName, core::ExtractFileName(CurrentFile()));
  EXPECT_EQ(Desktop->Files.size(), 2u);
  EXPECT_TRUE(View.Errors.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Actions, MainWindowActionTest,
    testing::Values(
        TActionCase{"Next", [](TMainWindowLogic& W) { W.btnNextClick(); }, 1, 1},
        TActionCase{"Previous", [](TMainWindowLogic& W) { W.btnPreviousClick(); }, -1, 1},
        TActionCase{"NextSection", [](TMainWindowLogic& W) { W.btnApplyNowClick(); }, 0, 2},
        TActionCase{"MenuNextImage",
                    [](TMainWindowLogic& W) { W.TrayMenuClick(TTrayMenuItem::NextImage); }, 1, 1},
        TActionCase{"MenuNextSection",
                    [](TMainWindowLogic& W) { W.TrayMenuClick(TTrayMenuItem::NextSection); }, 0,
                    2}),
    [](const testing::TestParamInfo<TActionCase>& Case) { return Case.param.Name; });

TEST_F(MainWindowLogicTest, FolderButtonBrowsesFromTheCurrentFolderAndSwitchesToTheChosenOne) {
  WritePictures();
  SeedFolder(Pictures());
  const std::string other = Picture("other");
  WritePicture(core::JoinPath("other", "z.bmp"));
  View.BrowseResult = other;
  Clock.Pass(10);
  Window().beSourceDirectoryRightButtonClick();
  ASSERT_EQ(View.Browses.size(), 1u);
  EXPECT_EQ(View.Browses[0].first, "Select the folder containing the images");
  EXPECT_EQ(View.Browses[0].second, Pictures());
  EXPECT_EQ(CurrentFile(), core::JoinPath(other, "z.bmp"));
  EXPECT_EQ(View.Folder, other);
  EXPECT_EQ(View.Status, Status(1, 60));
  EXPECT_EQ(View.FileName, "z.bmp");
}

TEST_F(MainWindowLogicTest, AChosenFolderWhosePictureFailsLeavesTheFolderBoxAndStatusAsTheyWere) {
  WritePictures();
  SeedFolder(Pictures());
  const std::string broken = Picture("broken");
  Spoil(core::JoinPath(broken, "only.bmp"));
  View.BrowseResult = broken;
  Clock.Pass(10);
  Window().beSourceDirectoryRightButtonClick();
  ASSERT_EQ(View.Errors.size(), 1u);
  EXPECT_EQ(View.Errors[0].back(), '.');
  EXPECT_EQ(View.Folder, Pictures());
  EXPECT_EQ(View.Status, Status(1, 60));
}

TEST_F(MainWindowLogicTest, CancellingTheFolderBrowserChangesNothing) {
  WritePictures();
  SeedFolder(Pictures());
  const std::string before = CurrentFile();
  Window().beSourceDirectoryRightButtonClick();
  EXPECT_EQ(View.Browses.size(), 1u);
  EXPECT_EQ(CurrentFile(), before);
  EXPECT_EQ(Desktop->Files.size(), 1u);
}

TEST_F(MainWindowLogicTest, AFolderThatIsGoneIsNotOfferedAsTheStartOfBrowsing) {
  SeedFolder(Picture("gone"));
  Window().beSourceDirectoryRightButtonClick();
  ASSERT_EQ(View.Browses.size(), 1u);
  EXPECT_EQ(View.Browses[0].second, "");
}

TEST_F(MainWindowLogicTest, AFailingHandlerShowsTheErrorWithAFullStopAndLeavesTheStatus) {
  WritePictures();
  SeedFolder(Pictures());
  Window();
  Spoil(CurrentFile());
  Clock.Pass(10);
  Window().btnApplyNowClick();
  ASSERT_EQ(View.Errors.size(), 1u);
  EXPECT_EQ(View.Errors[0].back(), '.');
  EXPECT_EQ(View.Status, Status(1, 60));
  EXPECT_TRUE(View.EngineControlsEnabled);
}

// --- Without an engine ----------------------------------------------------------------------

TEST_F(MainWindowLogicTest, WithoutAnEngineTheWindowShowsWhyAndNeverCallsIt) {
  EngineError = "Type de données incorrect pour 'CurrentIndex'";
  AutoStart.Enabled = true;
  Window();
  ASSERT_EQ(View.Errors.size(), 1u);
  EXPECT_EQ(View.Errors[0], *EngineError);
  EXPECT_EQ(View.Status, *EngineError);
  EXPECT_FALSE(View.EngineControlsEnabled);
  EXPECT_EQ(Window().Panorama(), nullptr);
  Window().TimerTimer();
  Window().btnNextClick();
  Window().btnPreviousClick();
  Window().TrayMenuClick(TTrayMenuItem::NextSection);
  Window().beSourceDirectoryRightButtonClick();
  EXPECT_EQ(View.Errors.size(), 1u);
  EXPECT_TRUE(View.Browses.empty());
  EXPECT_EQ(View.Status, *EngineError);
  EXPECT_EQ(Prompts, std::vector<std::string>{"EN"}) << "the first tick still counts the run";
  EXPECT_TRUE(View.AutoStart) << "the later steps of creation still ran";
}

// --- Timer ----------------------------------------------------------------------------------

TEST_F(MainWindowLogicTest, TickPromptsOnlyFirstThenAdvancesWhenDueThenRefreshes) {
  WritePictures();
  SeedFolder(Pictures());
  Window();
  Clock.Pass(30);
  Window().TimerTimer();
  EXPECT_FALSE(Window().FirstPass());
  EXPECT_EQ(Engine().CurrentIndex(), 0);
  EXPECT_EQ(View.Status, Status(1, 30));
  Clock.Pass(31);
  Window().TimerTimer();
  EXPECT_EQ(Engine().CurrentIndex(), 1);
  EXPECT_EQ(View.Status, Status(2, 60));
  EXPECT_EQ(Desktop->Files.size(), 2u);
  EXPECT_EQ(Prompts, std::vector<std::string>{"EN"});
}

// The store's error ends that tick only; the flag is already cleared, so it is not asked again.
TEST_F(MainWindowLogicTest, APromptThatFailsEndsTheFirstTickAndIsNotAskedAgain) {
  WritePictures();
  SeedFolder(Pictures());
  DonationError = "Type de données incorrect pour 'LaunchCount'";
  Window();
  Clock.Pass(61);
  Window().TimerTimer();
  ASSERT_EQ(View.Errors.size(), 1u);
  EXPECT_EQ(View.Errors[0], *DonationError);
  EXPECT_EQ(Engine().CurrentIndex(), 0);
  EXPECT_EQ(View.Status, Status(1, 60));
  Window().TimerTimer();
  EXPECT_EQ(View.Errors.size(), 1u);
  EXPECT_EQ(Engine().CurrentIndex(), 1);
  EXPECT_EQ(Prompts.size(), 1u);
}

// Not once a minute: the picture's error shows once, and the next tick moves on to another.
TEST_F(MainWindowLogicTest, AFailingTickReportsOnceAndTheNextTickPicksAnotherPicture) {
  WritePictures();
  SeedFolder(Pictures());
  Window();
  const std::string spoilt = CurrentFile();
  Spoil(spoilt);
  Clock.Pass(61);
  Window().TimerTimer();
  Window().TimerTimer();
  EXPECT_EQ(View.Errors.size(), 1u);
  EXPECT_NE(CurrentFile(), spoilt);
  EXPECT_EQ(Engine().CurrentIndex(), 0);
  EXPECT_EQ(View.Status, Status(1, 60));
}

// --- Start entry ----------------------------------------------------------------------------

TEST_F(MainWindowLogicTest, AnEntryFoundAtStartIsCheckedAndWrittenAgainForThisProgram) {
  AutoStart.Enabled = true;
  Window();
  EXPECT_TRUE(View.AutoStart);
  EXPECT_EQ(AutoStart.Sets, std::vector<bool>{true});
}

TEST_F(MainWindowLogicTest, WithoutAnEntryTheBoxIsUncheckedAndNothingIsWritten) {
  Window();
  EXPECT_FALSE(View.AutoStart);
  EXPECT_TRUE(AutoStart.Sets.empty());
}

TEST_F(MainWindowLogicTest, ClickingTheBoxWritesOrRemovesTheEntryAfterItsNewState) {
  Window();
  View.AutoStart = true;
  Window().chkAutoStartClick();
  View.AutoStart = false;
  Window().chkAutoStartClick();
  EXPECT_EQ(AutoStart.Sets, (std::vector<bool>{true, false}));
  EXPECT_FALSE(AutoStart.Enabled);
  EXPECT_TRUE(View.Errors.empty());
}

TEST_F(MainWindowLogicTest, AnEntryThatCannotBeWrittenIsReportedAndTheBoxKeepsItsState) {
  AutoStart.Refuse = true;
  Window();
  View.AutoStart = true;
  Window().chkAutoStartClick();
  ASSERT_EQ(View.Errors.size(), 1u);
  EXPECT_EQ(View.Errors[0], "Echec à la définition des données pour 'Skyrelle'");
  EXPECT_TRUE(View.AutoStart);
}

// --- Window, tray and menu ------------------------------------------------------------------

TEST_F(MainWindowLogicTest, ClosingHidesIntoTheTrayAndShowBringsTheWindowBack) {
  Window().FormClose();
  EXPECT_TRUE(View.Hidden);
  EXPECT_TRUE(View.TrayShown);
  Window().TrayMenuClick(TTrayMenuItem::Show);
  EXPECT_FALSE(View.Hidden);
  Window().TrayIconDblClick();
  EXPECT_EQ(View.BroughtToFront, 2);
}

TEST_F(MainWindowLogicTest, WithoutATrayClosingOnlyMinimises) {
  TrayAvailable = false;
  Window().FormClose();
  EXPECT_FALSE(View.Hidden);
  EXPECT_TRUE(View.Minimised);
}

TEST_F(MainWindowLogicTest, QuitAndAboutGoToTheViewAndTheAboutWindow) {
  Window().TrayMenuClick(TTrayMenuItem::About);
  Window().TrayMenuClick(TTrayMenuItem::About);
  Window().TrayMenuClick(TTrayMenuItem::Quit);
  EXPECT_EQ(AboutShown, 2);
  EXPECT_EQ(View.Quits, 1);
}

struct TTrayWatchCase {
  const char* Name;
  bool Available;
  bool Shown;
  bool Hidden;
  bool ShownAfter;
  bool MinimisedAfter;
  int Interval;
};

void PrintTo(const TTrayWatchCase& Case, std::ostream* Out) { *Out << Case.Name; }

class TrayWatchTest : public MainWindowLogicTest,
                      public testing::WithParamInterface<TTrayWatchCase> {};

TEST_P(TrayWatchTest, TheIconFollowsTheTrayAndAHiddenWindowComesBackWithoutOne) {
  const TTrayWatchCase& c = GetParam();
  Window();
  TrayAvailable = c.Available;
  View.TrayShown = c.Shown;
  View.Hidden = c.Hidden;
  EXPECT_EQ(Window().WatchTrayHost(), c.Interval);
  EXPECT_EQ(View.TrayShown, c.ShownAfter);
  EXPECT_EQ(View.Minimised, c.MinimisedAfter);
}

INSTANTIATE_TEST_SUITE_P(
    States, TrayWatchTest,
    testing::Values(
        TTrayWatchCase{"TrayCame", true, false, false, true, false, TimerInterval},
        TTrayWatchCase{"TrayStays", true, true, true, true, false, TimerInterval},
        TTrayWatchCase{"TrayWentWindowShown", false, true, false, false, false, TrayWatchInterval},
        TTrayWatchCase{"TrayWentWindowHidden", false, true, true, false, true, TrayWatchInterval},
        TTrayWatchCase{"StillNoTray", false, false, false, false, false, TrayWatchInterval}),
    [](const testing::TestParamInfo<TTrayWatchCase>& Case) { return Case.param.Name; });

// --- The wallpaper report and the application title -------------------------------------

class TScriptedSetter final : public platform::IWallpaperSetter {
 public:
  platform::TWallpaperResult SetWallpaper(const std::string&) override { return Next; }
  platform::TWallpaperResult Next;
};

TEST(ReportingWallpaperSetterTest, TellsTheFirstRefusalOnceAndPassesResultsOn) {
  auto desktop = std::make_unique<TScriptedSetter>();
  TScriptedSetter& scripted = *desktop;
  TReportingWallpaperSetter setter(std::move(desktop));

  scripted.Next = {true, ""};
  EXPECT_TRUE(setter.SetWallpaper("/tmp/current.bmp").Applied);
  EXPECT_EQ(setter.TakeFailureNotice(), std::nullopt);

  scripted.Next = {false, "no wallpaper tool answered"};
  EXPECT_EQ(setter.SetWallpaper("/tmp/current.bmp").Error, "no wallpaper tool answered");
  scripted.Next = {false, "a later refusal"};
  setter.SetWallpaper("/tmp/current.bmp");
  EXPECT_EQ(setter.TakeFailureNotice(),
            "The wallpaper could not be applied on this desktop: no wallpaper tool answered");
  EXPECT_EQ(setter.TakeFailureNotice(), std::nullopt);
  setter.SetWallpaper("/tmp/current.bmp");
  EXPECT_EQ(setter.TakeFailureNotice(), std::nullopt);
}

struct TTitleCase {
  const char* Given;
  const char* Expected;
};

void PrintTo(const TTitleCase& Case, std::ostream* Out) { *Out << '"' << Case.Given << '"'; }

class ApplicationTitleTest : public testing::TestWithParam<TTitleCase> {};

TEST_P(ApplicationTitleTest, IsTheFileNameCutAtItsFirstDotInTitleCase) {
  EXPECT_EQ(ApplicationTitle(GetParam().Given), GetParam().Expected);
}

#ifdef _WIN32
#define SKYRELLE_FOLDER "C:\\Program Files\\x.y\\"
#else
#define SKYRELLE_FOLDER "/opt/x.y/"
#endif

INSTANTIATE_TEST_SUITE_P(Names, ApplicationTitleTest,
                         testing::Values(TTitleCase{SKYRELLE_FOLDER "Skyrelle", "Skyrelle"},
                                         TTitleCase{SKYRELLE_FOLDER "SKYRELLE.exe", "Skyrelle"},
                                         TTitleCase{SKYRELLE_FOLDER "skyRelle.bin", "skyrelle"},
                                         TTitleCase{SKYRELLE_FOLDER "sky.relle.old", "sky"},
                                         TTitleCase{SKYRELLE_FOLDER "ÉTÉ", "Été"},
                                         TTitleCase{SKYRELLE_FOLDER "𝐀BC", "𝐀bc"},
                                         TTitleCase{SKYRELLE_FOLDER ".hidden", ""}));

#ifdef _WIN32
INSTANTIATE_TEST_SUITE_P(WindowsPaths, ApplicationTitleTest,
                         testing::Values(TTitleCase{"D:/portable/SKYRELLE", "Skyrelle"},
                                         TTitleCase{"C:\\Apps\\SKY.Tool.exe", "Sky"},
                                         TTitleCase{"C:Skyrelle.exe", "Skyrelle"}));
#endif

}  // namespace
}  // namespace skyrelle::app
