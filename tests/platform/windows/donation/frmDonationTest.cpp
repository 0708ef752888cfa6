#include "platform/windows/donation/frmDonation.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cwchar>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "IsolatedStore.h"
#include "platform/windows/WideText.h"
#include "platform/windows/WindowChecks.h"
#include "settings/Registry.h"
#include "update/MakerSite.h"

namespace skyrelle::donation {
namespace {

using app::TLayoutRect;
using test_support::DesignRectOf;

TEST(frmDonationTest, IsAFixedDialogWithTheMessageAndTwoButtonsInTheirPlaces) {
  TfrmDonation dialog(50, GetDonationTexts("EN"));
  HWND window = dialog.Handle();
  ASSERT_EQ(app::win32::WindowDpi(window), app::win32::DesignDpi);
  EXPECT_EQ(app::win32::TextOf(window), "Thanks for using this application!");
  test_support::ExpectFixedFrame(window, 420, 190);
  EXPECT_TRUE(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME);
  test_support::ExpectCentredOnPrimaryMonitor(window);

  const struct {
    const char* Name;
    TLayoutRect Rect;
    std::string Text;
  } controls[] = {
      {"lblMessage",
       {20, 20, 380, 100},
       "You've launched this application 50 times. If you find it useful, please consider "
       "making a donation to support its development!"},
      {"btnDonate", {90, 135, 150, 32}, "Donate"},
      {"btnLater", {250, 135, 150, 32}, "Later"},
  };
  for (const auto& control : controls) {
    SCOPED_TRACE(control.Name);
    HWND handle = dialog.Control(control.Name);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(DesignRectOf(handle), control.Rect);
    EXPECT_EQ(app::win32::TextOf(handle), control.Text);
  }
  const auto messageStyle = GetWindowLongPtrW(dialog.Control("lblMessage"), GWL_STYLE);
  EXPECT_EQ(messageStyle & SS_TYPEMASK, SS_LEFT) << "word wrap on";
  EXPECT_EQ(GetWindowLongPtrW(dialog.Control("btnDonate"), GWL_STYLE) & BS_TYPEMASK,
            BS_DEFPUSHBUTTON);
  EXPECT_EQ(GetNextDlgTabItem(window, dialog.Control("btnDonate"), FALSE),
            dialog.Control("btnLater"));
  EXPECT_EQ(GetNextDlgTabItem(window, dialog.Control("btnLater"), FALSE),
            dialog.Control("btnDonate"));
}

TEST(frmDonationTest, SpeaksFrenchForFr) {
  TfrmDonation dialog(100, GetDonationTexts("fr"));
  EXPECT_EQ(app::win32::TextOf(dialog.Handle()), "Merci d'utiliser cette application !");
  EXPECT_EQ(app::win32::TextOf(dialog.Control("lblMessage")).substr(0, 40),
            "Vous avez lance cette application 100 fo");
  EXPECT_EQ(app::win32::TextOf(dialog.Control("btnDonate")), "Faire un don");
  EXPECT_EQ(app::win32::TextOf(dialog.Control("btnLater")), "Plus tard");
}

// The donation dialog of this test, not one of another test beside it on the same desktop.
HWND OwnDialog() {
  HWND found = nullptr;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND AWindow, LPARAM AFound) -> BOOL {
        wchar_t name[32] = {};
        GetClassNameW(AWindow, name, 32);
        if (std::wcscmp(name, L"SkyrelleDonation") != 0) return TRUE;
        *reinterpret_cast<HWND*>(AFound) = AWindow;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

// Runs an action on the donation dialog once it is open and modal, from a timer of the
// thread, which the modal loop dispatches.
class TWhenOpen {
 public:
  explicit TWhenOpen(std::function<void(HWND)> AAction) {
    Action = std::move(AAction);
    Shown = 0;
    FTimer = SetTimer(nullptr, 0, 20, Tick);
  }
  ~TWhenOpen() { KillTimer(nullptr, FTimer); }
  TWhenOpen(const TWhenOpen&) = delete;
  TWhenOpen& operator=(const TWhenOpen&) = delete;

  static inline std::function<void(HWND)> Action;
  static inline int Shown = 0;

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    HWND dialog = OwnDialog();
    if (dialog == nullptr || !IsWindowVisible(dialog) || Shown > 0) return;
    ++Shown;
    Action(dialog);
  }

  UINT_PTR FTimer;
};

// A key pressed as the user would: on the control that has the focus.
void PressOnFocus(UINT AKey) {
  HWND focus = GetFocus();
  PostMessageW(focus, WM_KEYDOWN, AKey, 0);
  PostMessageW(focus, WM_KEYUP, AKey, 0xC0000000);
}

struct TAnswerCase {
  const char* Name;
  std::function<void(HWND)> Answer;
  bool Opens;
};

void PrintTo(const TAnswerCase& ACase, std::ostream* AOut) { *AOut << ACase.Name; }

class frmDonationAnswerTest : public testing::TestWithParam<TAnswerCase> {};

TEST_P(frmDonationAnswerTest, OnlyDonateOpensTheDonationPageOnce) {
  std::vector<std::string> opened;
  std::string focused;
  TWhenOpen whenOpen([&](HWND ADialog) {
    focused = app::win32::TextOf(GetFocus());
    GetParam().Answer(ADialog);
  });
  ShowDonationDialog(50, "EN", [&](const std::string& AURL) { opened.push_back(AURL); });
  EXPECT_EQ(TWhenOpen::Shown, 1);
  EXPECT_EQ(focused, "Donate") << "the focus starts on Donate";
  EXPECT_EQ(opened, GetParam().Opens ? std::vector<std::string>{update::DonationPageURL()}
                                     : std::vector<std::string>{});
  EXPECT_EQ(OwnDialog(), nullptr) << "destroyed after use";
}

void Click(HWND ADialog, const char* ACaption) {
  HWND button =
      FindWindowExW(ADialog, nullptr, WC_BUTTONW, platform::windows::Widen(ACaption).c_str());
  SendMessageW(button, BM_CLICK, 0, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, frmDonationAnswerTest,
    testing::Values(
        TAnswerCase{"Enter", [](HWND) { PressOnFocus(VK_RETURN); }, true},
        TAnswerCase{"DonateButton", [](HWND ADialog) { Click(ADialog, "Donate"); }, true},
        TAnswerCase{"Escape", [](HWND) { PressOnFocus(VK_ESCAPE); }, false},
        TAnswerCase{"LaterButton", [](HWND ADialog) { Click(ADialog, "Later"); }, false},
        TAnswerCase{"EnterOnLater",
                    [](HWND ADialog) {
                      SetFocus(FindWindowExW(ADialog, nullptr, WC_BUTTONW, L"Later"));
                      PressOnFocus(VK_RETURN);
                    },
                    false},
        TAnswerCase{"CloseBox",
                    [](HWND ADialog) { PostMessageW(ADialog, WM_SYSCOMMAND, SC_CLOSE, 0); },
                    false}),
    [](const testing::TestParamInfo<TAnswerCase>& ACase) { return ACase.param.Name; });

TEST(CheckDonationPromptTest, CountsAndAsksAtTheMilestone) {
  const test_support::TIsolatedStore isolated;
  settings::TRegistry store;
  ASSERT_TRUE(store.OpenKey(GetAppKeyPath(), true));
  store.WriteInteger("LaunchCount", 49);
  TWhenOpen whenOpen([](HWND) { PressOnFocus(VK_ESCAPE); });
  CheckDonationPrompt("EN");
  EXPECT_EQ(TWhenOpen::Shown, 1);
  EXPECT_EQ(store.ReadInteger("LaunchCount"), 50);
  CheckDonationPrompt("EN");
  EXPECT_EQ(TWhenOpen::Shown, 1) << "51 is no milestone";
  EXPECT_EQ(store.ReadInteger("LaunchCount"), 51);
}

}  // namespace
}  // namespace skyrelle::donation
