#include "platform/windows/about/frmAbout102.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "about/AboutControlCases.h"
#include "about/NewVersionCheck.h"
#include "about/OSVersion.h"
#include "core/Paths.h"
#include "platform/ProgramFile.h"
#include "platform/windows/WideText.h"
#include "platform/windows/WindowChecks.h"
#include "support/LocalHttpServer.h"
#include "support/ScopedVariable.h"
#include "support/TempFolder.h"
#include "support/WaitUntil.h"
#include "update/FileVersion.h"
#include "update/MakerSite.h"

namespace skyrelle::about {
namespace {

using app::TLayoutRect;
using app::win32::TextOf;
using test_cases::TAboutControlCase;
using test_cases::TAboutText;

// A site on 127.0.0.1 serving the descriptor of this test program, whose version the build
// stamped; fakes for the message boxes, the file browser and the browser; the error box
// recorded.
class frmAbout102Test : public testing::Test {
 public:
  void SetUp() override {
    FPreviousPresenter = app::win32::SetErrorPresenter(
        [this](const std::string&, const std::string& AText) { Errors.push_back(AText); });
  }

  void TearDown() override {
    FWindow.reset();
    app::win32::SetErrorPresenter(FPreviousPresenter);
  }

  void ServeDescriptor(const std::string& AText) {
    Site.Serve(update::PlatformFilesPath() +
                   update::AboutDescriptorFileName(core::ExtractFileName(ProgramPath)),
               {.Body = AText});
  }

  TfrmAbout102Services Services() {
    return {
        .ProgramPath = ProgramPath,
        .Confirm =
            [this](HWND, const std::string& AText) {
              Questions.push_back(AText);
              return Answer;
            },
        .ShowError = [this](HWND, const std::string& AText) { Messages.push_back(AText); },
        .ShowInFileManager = [this](HWND,
                                    const std::string& AFileName) { Shown.push_back(AFileName); },
        .OpenURL = [this](HWND, const std::string& AURL) { Opened.push_back(AURL); },
    };
  }

  TfrmAbout102& Window() {
    if (!FWindow) FWindow = std::make_unique<TfrmAbout102>(Services());
    return *FWindow;
  }

  HWND Control(const char* AName) {
    HWND control = Window().Control(AName);
    EXPECT_NE(control, nullptr) << AName;
    return control;
  }

  TLayoutRect RectOf(const char* AName) { return test_support::DesignRectOf(Control(AName)); }

  LOGFONTW FontOf(const char* AName) {
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(Control(AName), WM_GETFONT, 0, 0)), sizeof font,
               &font);
    return font;
  }

  // Shown once the window is: the window itself is not shown yet.
  bool Visible(const char* AName) {
    return (GetWindowLongPtrW(Control(AName), GWL_STYLE) & WS_VISIBLE) != 0;
  }

  bool Enabled(int AItem) {
    return (GetMenuState(Window().NewVersionMenu(), AItem, MF_BYCOMMAND) & MF_GRAYED) == 0;
  }

  std::vector<std::string> RequestedPaths() const {
    std::vector<std::string> paths;
    for (const auto& request : Site.Requests()) paths.push_back(request.Target);
    return paths;
  }

  void Click(const char* AName) {
    HWND control = Control(AName);
    const int notification = GetDlgCtrlID(control);
    SendMessageW(Window().Handle(), WM_COMMAND, MAKEWPARAM(notification, BN_CLICKED),
                 reinterpret_cast<LPARAM>(control));
  }

  test_support::TTempFolder Root;
  test_support::TLocalHttpServer Site;
  std::string ProgramPath = platform::ProgramFilePath();
  bool Answer = true;
  std::vector<std::string> Errors;
  std::vector<std::string> Questions;
  std::vector<std::string> Messages;
  std::vector<std::string> Shown;
  std::vector<std::string> Opened;

 private:
  test_support::TScopedVariable FSiteUrl{"SKYRELLE_SITE_URL", Site.Url()};
  app::win32::TErrorPresenter FPreviousPresenter;
  std::unique_ptr<TfrmAbout102> FWindow;
};

// --- Layout ---------------------------------------------------------------------------

TEST_F(frmAbout102Test, IsAFixedWhiteWindowWithOnlyTheCloseBoxAndTheSystemMenu) {
  HWND window = Window().Handle();
  ASSERT_EQ(app::win32::WindowDpi(window), app::win32::DesignDpi);
  EXPECT_EQ(TextOf(window), "About");
  test_support::ExpectFixedFrame(window, 484, 333);
  EXPECT_EQ(reinterpret_cast<HGDIOBJ>(GetClassLongPtrW(window, GCLP_HBRBACKGROUND)),
            GetStockObject(WHITE_BRUSH));
  test_support::ExpectCentredOnPrimaryMonitor(window);
}

class frmAbout102ControlTest : public frmAbout102Test,
                               public testing::WithParamInterface<TAboutControlCase> {
 public:
  std::string ExpectedText(const TAboutControlCase& ACase) {
    switch (ACase.Text) {
      case TAboutText::Fixed:
        return ACase.FixedText;
      case TAboutText::ProgramTitle:
        return "about_window_tests";
      case TAboutText::ProgramVersion:
        return "Version " + update::GetFileVersionText(ProgramPath);
      case TAboutText::SystemVersion:
        return GetOSVersionText();
      case TAboutText::SiteHost:
        return Site.Url().substr(7);  // without http://
      case TAboutText::Toolchain:
        return "Built with GCC " + std::to_string(__GNUC__) + "." + std::to_string(__GNUC_MINOR__) +
               "." + std::to_string(__GNUC_PATCHLEVEL__) + " and MinGW-w64 " __MINGW64_VERSION_STR;
    }
    return {};
  }
};

TEST_P(frmAbout102ControlTest, SitsWhereItBelongsWithItsTextAndFont) {
  const TAboutControlCase& expected = GetParam();
  ServeDescriptor("[file1]\nnewversion=9.9.9.9\n[update]\ndescr=Faster\n");
  HWND control = Control(expected.Name);
  const std::string text = ExpectedText(expected);
  const int width =
      expected.Rect.Width == 0
          ? app::win32::TextWidth(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)),
                                  text)
          : expected.Rect.Width;
  const int left = expected.RightAligned ? test_cases::RightEdge - width : expected.Rect.Left;
  EXPECT_EQ(RectOf(expected.Name),
            (TLayoutRect{left, expected.Rect.Top, width, expected.Rect.Height}));
  EXPECT_EQ(TextOf(control), text);
  const LOGFONTW font = FontOf(expected.Name);
  EXPECT_EQ(font.lfHeight, -expected.FontHeight);
  EXPECT_STREQ(font.lfFaceName, L"Tahoma");
}

INSTANTIATE_TEST_SUITE_P(Controls, frmAbout102ControlTest,
                         testing::ValuesIn(test_cases::AboutControlCases),
                         [](const testing::TestParamInfo<TAboutControlCase>& ACase) {
                           return test_cases::CaseName(ACase.param);
                         });

TEST_F(frmAbout102Test, LinksLookLikeLinksAndTheBugStaysHidden) {
  Window();
  EXPECT_EQ(FontOf("lblWebSite").lfUnderline, TRUE);
  EXPECT_EQ(FontOf("lblNewVersion").lfUnderline, FALSE);
  EXPECT_FALSE(Visible("imgBug"));
  EXPECT_TRUE(GetWindowLongPtrW(Control("lblApplicationTitle"), GWL_STYLE) & SS_NOPREFIX)
      << "an & in the title is shown as itself";

  const auto news = static_cast<DWORD>(GetWindowLongPtrW(Control("memNews"), GWL_STYLE));
  EXPECT_TRUE(news & ES_READONLY);
  EXPECT_TRUE(news & ES_MULTILINE);
  EXPECT_TRUE(news & WS_VSCROLL);
  EXPECT_FALSE(news & ES_AUTOHSCROLL) << "long lines wrap";

  for (const char* name : {"BitBtn1", "bbtEula"})
    EXPECT_NE(SendMessageW(Control(name), BM_GETIMAGE, IMAGE_ICON, 0), 0) << name;

  // The highlight colour for the links, the window's text colour for the rest.
  for (const auto& [name, colour] :
       {std::pair{"lblWebSite", COLOR_HIGHLIGHT}, std::pair{"lblNewVersion", COLOR_HIGHLIGHT},
        std::pair{"lblVersionHistory", COLOR_WINDOWTEXT}}) {
    HDC dc = GetDC(Control(name));
    SendMessageW(Window().Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                 reinterpret_cast<LPARAM>(Control(name)));
    EXPECT_EQ(GetTextColor(dc), GetSysColor(colour)) << name;
    ReleaseDC(Control(name), dc);
  }

  wchar_t item[64] = {};
  GetMenuStringW(Window().NewVersionMenu(), TfrmAbout102::MenSetupId, item, 64, MF_BYCOMMAND);
  EXPECT_STREQ(item, L"Installation program");
  GetMenuStringW(Window().NewVersionMenu(), TfrmAbout102::MenCabId, item, 64, MF_BYCOMMAND);
  EXPECT_STREQ(item, L"Executable only");

  wchar_t tip[256] = {};
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.hwnd = Window().Handle();
  tool.uId = reinterpret_cast<UINT_PTR>(Control("lblWindowsVersion"));
  tool.lpszText = tip;
  SendMessageW(Control("ToolTips"), TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&tool));
  EXPECT_EQ(platform::windows::Narrow(tip), TextOf(Control("lblWindowsVersion")));
}

TEST_F(frmAbout102Test, TabOrderRunsCloseNewsLicenceAndFocusStartsOnClose) {
  HWND window = Window().Handle();
  std::vector<HWND> order{Control("BitBtn1")};
  for (int step = 0; step < 3; ++step)
    order.push_back(GetNextDlgTabItem(window, order.back(), FALSE));
  EXPECT_EQ(order, (std::vector<HWND>{Control("BitBtn1"), Control("memNews"), Control("bbtEula"),
                                      Control("BitBtn1")}));
  ShowWindow(window, SW_SHOW);
  SetForegroundWindow(window);
  SendMessageW(window, WM_ACTIVATE, WA_ACTIVE, 0);
  EXPECT_EQ(GetFocus(), Control("BitBtn1"));
}

// --- Creation -------------------------------------------------------------------------

struct TNoticeCase {
  const char* Name;
  std::optional<std::string> Descriptor;  // nothing: the site answers 404
  bool NoticeShown;
  std::string News;
  bool SetupEnabled;
};

void PrintTo(const TNoticeCase& ACase, std::ostream* AOut) { *AOut << ACase.Name; }

class frmAbout102NoticeTest : public frmAbout102Test,
                              public testing::WithParamInterface<TNoticeCase> {};

TEST_P(frmAbout102NoticeTest, ShowsWhatTheSitesDescriptorSays) {
  const TNoticeCase& expected = GetParam();
  if (expected.Descriptor) ServeDescriptor(*expected.Descriptor);
  Window();
  EXPECT_EQ(Visible("lblNewVersion"), expected.NoticeShown);
  EXPECT_EQ(TextOf(Control("memNews")), expected.News);
  EXPECT_EQ(Enabled(TfrmAbout102::MenSetupId), expected.SetupEnabled);
  EXPECT_TRUE(Enabled(TfrmAbout102::MenCabId));
  EXPECT_EQ(RequestedPaths().size(), 1u);
  EXPECT_TRUE(Errors.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Descriptors, frmAbout102NoticeTest,
    testing::Values(
        TNoticeCase{"NewerWithInstaller",
                    "[file1]\nnewversion=9.9.9.9\n[update]\ndescr=New\\nLines\n[action]\n"
                    "runbefore=S.exe\n",
                    true, "New\r\nLines", true},
        TNoticeCase{"NewerWithoutInstaller", "[file1]\nnewversion=9.9.9.9\n", true, "", false},
        TNoticeCase{"SameVersion", "[action]\nrunbefore=S.exe\n", false, "", true},
        TNoticeCase{"NoDescriptor", std::nullopt, false, "", false}),
    [](const testing::TestParamInfo<TNoticeCase>& ACase) { return ACase.param.Name; });

TEST_F(frmAbout102Test, AProgramWithoutVersionShowsTheErrorAndKeepsTheDesignTexts) {
  ProgramPath = Root.Write("Skyrelle.exe", "no version resource");
  ServeDescriptor("[file1]\nnewversion=9.9\n[update]\ndescr=News\n");
  Window();
  ASSERT_EQ(Errors.size(), 1u);
  EXPECT_TRUE(Errors[0].starts_with("Erreur syst\xC3\xA8me.  Code : ")) << Errors[0];
  EXPECT_TRUE(Errors[0].ends_with(".")) << Errors[0];
  EXPECT_EQ(TextOf(Control("lblApplicationTitle")), "Skyrelle");
  EXPECT_EQ(RectOf("lblApplicationTitle").Left, 8);
  EXPECT_EQ(RectOf("lblVersion").Left, 8);
  EXPECT_EQ(TextOf(Control("lblVersion")), "lblVersion");
  EXPECT_EQ(TextOf(Control("memNews")), "memNews");
  EXPECT_TRUE(Visible("lblNewVersion"));
  EXPECT_EQ(TextOf(Control("lblWindowsVersion")), "lblWindowsVersion");
  EXPECT_EQ(TextOf(Control("lblToolchainVersion")), "lblToolchainVersion");
  EXPECT_FALSE(Visible("imgBug"));
  EXPECT_TRUE(RequestedPaths().empty()) << "the check comes after the version";
}

TEST_F(frmAbout102Test, TheTimerTicksWhileTheDescriptorIsOnItsWay) {
  Site.Serve(update::PlatformFilesPath() +
                 update::AboutDescriptorFileName(core::ExtractFileName(ProgramPath)),
             {.Body = "[update]\ndescr=Late\n", .Delay = std::chrono::milliseconds(1500)});
  static int ticks = 0;
  ticks = 0;
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR, DWORD) { ++ticks; });
  Window();
  KillTimer(nullptr, timer);
  EXPECT_GE(ticks, 5);
  EXPECT_EQ(TextOf(Control("memNews")), "Late");
}

// --- Links, downloads and closing ----------------------------------------------------

TEST_F(frmAbout102Test, LinksOpenTheirPagesAndLeaveTheWindowOpen) {
  for (int round = 0; round < 2; ++round) {
    for (const char* name : {"lblWebSite", "imgDonate"}) {
      HWND control = Control(name);
      SendMessageW(Window().Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), STN_CLICKED),
                   reinterpret_cast<LPARAM>(control));
    }
    Click("bbtEula");
  }
  const std::vector<std::string> once{update::WebSitePageURL(), update::DonationPageURL(),
                                      update::LicenceAgreementURL()};
  std::vector<std::string> twice = once;
  twice.insert(twice.end(), once.begin(), once.end());
  EXPECT_EQ(Opened, twice);
  EXPECT_FALSE(Window().Closed());
}

// Wine's URL moniker may still hold a downloaded file for a moment after the download ended.
void RemoveWhenReleased(const std::string& AFileName) {
  test_support::WaitUntil(
      [&] {
        std::error_code held;
        std::filesystem::remove(AFileName, held);
        return !held;
      },
      std::chrono::seconds(5));
}

TEST_F(frmAbout102Test, AChosenDownloadLandsInTheDownloadsFolderAndIsShownOnYes) {
  ServeDescriptor("[file1]\nnewversion=9.9.9.9\n[action]\nrunbefore=setup/Setup.exe\n");
  Site.Serve(update::PlatformFilesPath() + "Setup.exe", {.Body = "installer"});
  const std::string target = DownloadFolder() + "Setup.exe";
  RemoveWhenReleased(target);
  SendMessageW(Window().Handle(), WM_COMMAND, TfrmAbout102::MenSetupId, 0);
  EXPECT_EQ(Questions,
            std::vector<std::string>{"File downloaded successfuly.\nOpen the download folder ?"});
  EXPECT_EQ(Shown, std::vector<std::string>{target});
  EXPECT_TRUE(std::filesystem::exists(target));
  RemoveWhenReleased(target);

  Answer = false;
  SendMessageW(Window().Handle(), WM_COMMAND, TfrmAbout102::MenCabId, 0);
  EXPECT_EQ(Questions.size(), 1u) << "the package is not on the site";
  EXPECT_EQ(Messages, std::vector<std::string>{"Unable to download the new version"});
  EXPECT_EQ(Shown.size(), 1u);
}

TEST_F(frmAbout102Test, CloseEndsTheModalLoopAndEscapeDoesNot) {
  static HWND window = nullptr;
  window = Window().Handle();
  static std::vector<bool> closedAfterEscape;
  closedAfterEscape.clear();
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR ATimer, DWORD) {
    KillTimer(nullptr, ATimer);
    SendMessageW(window, WM_COMMAND, IDCANCEL, 0);
    SendMessageW(window, WM_COMMAND, IDOK, 0);
    closedAfterEscape.push_back(IsWindowVisible(window) == FALSE);
    HWND close = FindWindowExW(window, nullptr, WC_BUTTONW, L"&Close");
    SendMessageW(close, BM_CLICK, 0, 0);
  });
  Window().ShowModal();
  KillTimer(nullptr, timer);
  EXPECT_EQ(closedAfterEscape, std::vector<bool>{false});
  EXPECT_TRUE(Window().Closed());
}

}  // namespace
}  // namespace skyrelle::about
