// The Win32 main window under Wine: its layout at 96 dpi, its menu, and that its controls,
// timer and tray reach the main window's logic.
#include "platform/windows/app/frmMain.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "app/ReportingWallpaperSetter.h"
#include "core/Paths.h"
#include "platform/windows/WideText.h"
#include "platform/windows/WindowChecks.h"
#include "settings/Registry.h"
#include "support/BitmapFile.h"
#include "support/FakeSystem.h"
#include "support/TempFolder.h"
#include "support/TestSettingsStore.h"

namespace skyrelle::app::win32 {
namespace {

namespace fs = std::filesystem;

using test_support::TAutoStartState;
using test_support::TFakeAutoStart;
using test_support::TFakeClock;
using test_support::TFakeDesktop;
using test_support::TFakeScreen;

class frmMainTest : public testing::Test {
 public:
  void SetUp() override {
    FPreviousPresenter = SetErrorPresenter(
        [this](const std::string&, const std::string& AText) { Errors.push_back(AText); });
  }

  void TearDown() override {
    FWindow.reset();
    SetErrorPresenter(FPreviousPresenter);
  }

  // A folder of one picture, twice the screen's width, stored as the engine's folder.
  void SeedPicture() {
    const std::string pictures = FRoot / "pictures";
    fs::create_directories(pictures);
    test_support::WriteBitmap24(core::JoinPath(pictures, "only.bmp"), 8, 2,
                                [](std::int32_t, std::int32_t) { return 0x808080u; });
    settings::TRegistry store(KEY_ALL_ACCESS, FStore.Store());
    ASSERT_TRUE(store.OpenKey("\\Software\\Halvorn\\hvnSkyrelle", true));
    store.WriteString("SourceDirectory", pictures);
  }

  TfrmMain& Window() {
    if (FWindow) return *FWindow;
    TMainWindowServices logic{
        .CreateEngine =
            [this] {
              if (EngineError) throw std::runtime_error(*EngineError);
              return std::make_unique<engine::TSkyrelle>(engine::TSkyrelleServices{
                  FClock, FScreen, FWallpaper, FRoot / "data", FRandom, FStore.Store()});
            },
        .AutoStart = std::make_unique<TFakeAutoStart>(AutoStart),
        .TrayAvailable = [] { return true; },
        .ShowAbout = [this] { ++AboutShown; },
    };
    FWindow = std::make_unique<TfrmMain>(
        TfrmMainServices{std::move(logic),
                         [this](HWND AOwner, const std::string& ATitle,
                                const std::string& AInitial) -> std::optional<std::string> {
                           Browses.push_back({AOwner, ATitle, AInitial});
                           return std::nullopt;
                         }});
    return *FWindow;
  }

  HWND Control(TMainControl AControl) { return Window().Control(AControl); }
  std::string Text(TMainControl AControl) { return TextOf(Control(AControl)); }
  TLayoutRect DesignRectOf(TMainControl AControl) {
    return test_support::DesignRectOf(Control(AControl));
  }
  void Command(int AId) {
    SendMessageW(Window().Handle(), WM_COMMAND, MAKEWPARAM(AId, BN_CLICKED), 0);
  }
  void ChooseFromMenu(TTrayMenuItem AItem) {
    Command(FirstTrayMenuCommand + static_cast<int>(AItem));
  }

  struct TBrowse {
    HWND Owner;
    std::string Title;
    std::string Initial;
  };

  std::optional<std::string> EngineError;
  TAutoStartState AutoStart;
  std::vector<TBrowse> Browses;
  std::vector<std::string> Errors;
  int AboutShown = 0;

 private:
  test_support::TTempFolder FRoot;
  test_support::TTestSettingsStore FStore{FRoot};
  TFakeClock FClock;
  TFakeScreen FScreen;
  TReportingWallpaperSetter FWallpaper{std::make_unique<TFakeDesktop>()};
  core::TRandom FRandom{1};
  TErrorPresenter FPreviousPresenter;
  std::unique_ptr<TfrmMain> FWindow;
};

// --- Layout at 96 dpi -----------------------------------------------------------------------

TEST_F(frmMainTest, IsAFixedDialogFrameWithOnlyTheCloseBoxAroundTheDesignedClientArea) {
  HWND window = Window().Handle();
  EXPECT_EQ(TextOf(window), "Skyrelle");
  EXPECT_TRUE(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME);
  Window().Show();
  test_support::ExpectFixedFrame(window, 329, 239);
  EXPECT_NE(SendMessageW(window, WM_GETICON, ICON_SMALL, 0), 0);
}

struct TControlCase {
  const char* Name;
  TMainControl Control;
  TLayoutRect Rect;  // width 0: a label as wide as its text
  const char* Text;
  bool Bold;
};

void PrintTo(const TControlCase& ACase, std::ostream* AOut) { *AOut << ACase.Name; }

class frmMainControlTest : public frmMainTest, public testing::WithParamInterface<TControlCase> {};

TEST_P(frmMainControlTest, SitsWhereItBelongsWithItsTextAndFont) {
  const TControlCase& expected = GetParam();
  HWND control = Control(expected.Control);
  ASSERT_NE(control, nullptr);
  TLayoutRect rect = DesignRectOf(expected.Control);
  const auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
  if (expected.Rect.Width == 0) {
    EXPECT_EQ(rect.Width, TextWidth(font, expected.Text));
    rect.Width = 0;
  }
  EXPECT_EQ(rect, expected.Rect);
  EXPECT_EQ(TextOf(control), expected.Text);
  LOGFONTW logFont{};
  GetObjectW(font, sizeof logFont, &logFont);
  EXPECT_EQ(platform::windows::Narrow(logFont.lfFaceName), "Segoe UI");
  EXPECT_EQ(logFont.lfHeight, -12);
  EXPECT_EQ(logFont.lfWeight >= FW_BOLD, expected.Bold);
}

INSTANTIATE_TEST_SUITE_P(
    Controls, frmMainControlTest,
    testing::Values(
        TControlCase{
            "Label2", TMainControl::Label2, {8, 8, 0, 15}, "Wallpaper picture folder", true},
        TControlCase{
            "beSourceDirectory", TMainControl::SourceDirectory, {8, 29, 313, 23}, "", false},
        TControlCase{"Label1", TMainControl::Label1, {8, 66, 0, 15}, "Wallpaper", true},
        TControlCase{"lblFilename", TMainControl::FileName, {83, 66, 0, 15}, "", false},
        TControlCase{"btnPrevious", TMainControl::Previous, {8, 87, 129, 34}, "Previous", false},
        TControlCase{"btnNext", TMainControl::Next, {192, 89, 129, 30}, "Next", false},
        TControlCase{
            "btnApplyNow", TMainControl::ApplyNow, {8, 135, 313, 33}, "Next section", false},
        TControlCase{
            "lblStatus", TMainControl::Status, {8, 184, 0, 15}, "No folder selected", false},
        TControlCase{"chkAutoStart",
                     TMainControl::AutoStart,
                     {8, 213, 200, 17},
                     "Start with Windows",
                     false}),
    [](const testing::TestParamInfo<TControlCase>& ACase) { return ACase.param.Name; });

// Moved to a monitor of 144 dpi: every control and its font scale by one and a half.
TEST_F(frmMainTest, FollowsAMonitorOfAnotherDpi) {
  HWND window = Window().Handle();
  RECT suggested{0, 0, 600, 450};
  SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  for (const auto& [control, design] :
       {std::pair{TMainControl::SourceDirectory, TLayoutRect{8, 29, 313, 23}},
        std::pair{TMainControl::Previous, TLayoutRect{8, 87, 129, 34}},
        std::pair{TMainControl::Next, TLayoutRect{192, 89, 129, 30}},
        std::pair{TMainControl::ApplyNow, TLayoutRect{8, 135, 313, 33}},
        std::pair{TMainControl::AutoStart, TLayoutRect{8, 213, 200, 17}}}) {
    const RECT placed = RectInParent(Control(control));
    const RECT expected = ScaleToDpi(design, 144);
    EXPECT_EQ(placed.left, expected.left) << static_cast<int>(control);
    EXPECT_EQ(placed.top, expected.top) << static_cast<int>(control);
    EXPECT_EQ(placed.right, expected.right) << static_cast<int>(control);
    EXPECT_EQ(placed.bottom, expected.bottom) << static_cast<int>(control);
  }
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(Control(TMainControl::Status), WM_GETFONT, 0, 0)),
             sizeof font, &font);
  EXPECT_EQ(font.lfHeight, -18);
  const RECT button = RectInParent(Control(TMainControl::SourceDirectoryButton));
  EXPECT_EQ(button.right, ClientRectOf(Control(TMainControl::SourceDirectory)).right);
  EXPECT_EQ(button.right - button.left, ScaleToDpi(22, 144));
}

TEST_F(frmMainTest, TheFolderButtonSitsInsideTheRightEndOfTheFolderBox) {
  HWND box = Control(TMainControl::SourceDirectory);
  HWND button = Control(TMainControl::SourceDirectoryButton);
  EXPECT_EQ(GetParent(button), box);
  const RECT inside = RectInParent(button);
  EXPECT_EQ(inside.right, ClientRectOf(box).right);
  EXPECT_EQ(inside.bottom - inside.top, ClientRectOf(box).bottom);
  const auto margins = static_cast<DWORD>(SendMessageW(box, EM_GETMARGINS, 0, 0));
  EXPECT_EQ(HIWORD(margins), inside.right - inside.left) << "the text stops short of the button";
}

TEST_F(frmMainTest, TabRunsFromTheButtonsToTheFolderBoxAndFocusStartsOnPrevious) {
  Window().Show();
  std::vector<HWND> order{Control(TMainControl::Previous)};
  for (int step = 0; step < 4; ++step)
    order.push_back(GetNextDlgTabItem(Window().Handle(), order.back(), FALSE));
  EXPECT_EQ(order,
            (std::vector<HWND>{Control(TMainControl::Previous), Control(TMainControl::Next),
                               Control(TMainControl::ApplyNow), Control(TMainControl::AutoStart),
                               Control(TMainControl::SourceDirectory)}));
  EXPECT_EQ(GetFocus(), Control(TMainControl::Previous));
}

TEST_F(frmMainTest, TrayMenuHoldsItsItemsInOrderWithAboutLastAndNoSeparator) {
  HMENU menu = Window().TrayMenu();
  ASSERT_EQ(GetMenuItemCount(menu), 5);
  std::vector<std::string> texts;
  for (int position = 0; position < 5; ++position) {
    wchar_t text[64] = {};
    MENUITEMINFOW item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_STRING | MIIM_ID | MIIM_FTYPE | MIIM_BITMAP;
    item.dwTypeData = text;
    item.cch = 64;
    ASSERT_TRUE(GetMenuItemInfoW(menu, position, TRUE, &item));
    EXPECT_EQ(item.fType & MFT_SEPARATOR, 0u);
    EXPECT_EQ(item.wID, static_cast<UINT>(FirstTrayMenuCommand + position));
    EXPECT_EQ(item.hbmpItem, HBMMENU_CALLBACK) << "drawn with the icon list's drawing";
    texts.push_back(platform::windows::Narrow(text));
  }
  EXPECT_EQ(texts,
            (std::vector<std::string>{"Show", "Next image", "Next section", "Quit", "About"}));
  EXPECT_TRUE(Window().TrayIcon().Visible());
}

// --- Events reach the logic -----------------------------------------------------------------

TEST_F(frmMainTest, ButtonsAndTheMinuteTimerReachTheEngineAndTheStatusLine) {
  SeedPicture();
  EXPECT_EQ(Text(TMainControl::FileName), "only.bmp");
  EXPECT_EQ(Text(TMainControl::Status), "Section 1 / 8 - next change in 60 min");
  SendMessageW(Control(TMainControl::ApplyNow), BM_CLICK, 0, 0);
  EXPECT_EQ(Text(TMainControl::Status), "Section 2 / 8 - next change in 60 min");
  ChooseFromMenu(TTrayMenuItem::NextImage);
  EXPECT_EQ(Text(TMainControl::Status), "Section 1 / 8 - next change in 60 min");
  EXPECT_TRUE(Window().FirstPass());
  SendMessageW(Window().Handle(), WM_TIMER, MinuteTimer, 0);
  EXPECT_FALSE(Window().FirstPass());
  EXPECT_TRUE(Errors.empty());
}

TEST_F(frmMainTest, TheFolderButtonOpensTheBrowserOwnedByTheWindow) {
  SeedPicture();
  SendMessageW(Control(TMainControl::SourceDirectoryButton), BM_CLICK, 0, 0);
  ASSERT_EQ(Browses.size(), 1u);
  EXPECT_EQ(Browses[0].Owner, Window().Handle());
  EXPECT_EQ(Browses[0].Title, "Select the folder containing the images");
  EXPECT_EQ(Browses[0].Initial, Window().Panorama()->SourceDirectory());
}

TEST_F(frmMainTest, TheCheckBoxWritesTheStartEntryAfterItsNewState) {
  SendMessageW(Control(TMainControl::AutoStart), BM_CLICK, 0, 0);
  SendMessageW(Control(TMainControl::AutoStart), BM_CLICK, 0, 0);
  EXPECT_EQ(AutoStart.Sets, (std::vector<bool>{true, false}));
}

TEST_F(frmMainTest, ClosingHidesTheWindowShowBringsItBackAndQuitEndsTheLoopWithZero) {
  Window().Show();
  SendMessageW(Window().Handle(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindowVisible(Window().Handle()));
  EXPECT_TRUE(IsWindow(Window().Handle()));
  EXPECT_TRUE(Window().TrayIcon().Visible());
  SendMessageW(Window().Handle(), TTrayIcon::CallbackMessage, 1, WM_LBUTTONDBLCLK);
  EXPECT_TRUE(IsWindowVisible(Window().Handle()));
  SendMessageW(Window().Handle(), WM_CLOSE, 0, 0);
  ChooseFromMenu(TTrayMenuItem::Show);
  EXPECT_TRUE(IsWindowVisible(Window().Handle()));
  ChooseFromMenu(TTrayMenuItem::About);
  EXPECT_EQ(AboutShown, 1);

  ChooseFromMenu(TTrayMenuItem::Quit);
  MSG message{};
  ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(message.wParam, 0u);
}

TEST_F(frmMainTest, WithoutAnEngineTheErrorShowsAndWhatNeedsTheEngineIsDisabled) {
  EngineError = "Type de données incorrect pour 'CurrentIndex'";
  Window();
  EXPECT_EQ(Errors, std::vector<std::string>{*EngineError});
  EXPECT_EQ(Text(TMainControl::Status), *EngineError);
  for (TMainControl control : {TMainControl::Previous, TMainControl::Next, TMainControl::ApplyNow,
                               TMainControl::SourceDirectoryButton})
    EXPECT_FALSE(IsWindowEnabled(Control(control))) << static_cast<int>(control);
  for (TTrayMenuItem item : {TTrayMenuItem::NextImage, TTrayMenuItem::NextSection})
    EXPECT_TRUE(GetMenuState(Window().TrayMenu(), FirstTrayMenuCommand + static_cast<int>(item),
                             MF_BYCOMMAND) &
                MF_GRAYED);
  EXPECT_TRUE(IsWindowEnabled(Control(TMainControl::AutoStart)));
}

}  // namespace
}  // namespace skyrelle::app::win32
