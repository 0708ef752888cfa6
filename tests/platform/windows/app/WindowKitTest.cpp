#include "platform/windows/app/WindowKit.h"

#include <gtest/gtest.h>

#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace skyrelle::app::win32 {
namespace {

struct TScaleCase {
  TLayoutRect Design;
  UINT Dpi;
  RECT Expected;
};

void PrintTo(const TScaleCase& ACase, std::ostream* AOut) {
  *AOut << ACase.Design.Left << "," << ACase.Design.Top << " " << ACase.Design.Width << "x"
        << ACase.Design.Height << " at " << ACase.Dpi << " dpi";
}

class ScaleToDpiTest : public testing::TestWithParam<TScaleCase> {};

TEST_P(ScaleToDpiTest, ScalesEachEdgeToTheNearestPixelAndBack) {
  const TScaleCase& scale = GetParam();
  const RECT rect = ScaleToDpi(scale.Design, scale.Dpi);
  EXPECT_EQ(rect.left, scale.Expected.left);
  EXPECT_EQ(rect.top, scale.Expected.top);
  EXPECT_EQ(rect.right, scale.Expected.right);
  EXPECT_EQ(rect.bottom, scale.Expected.bottom);
  EXPECT_EQ(ScaleToDesign(rect, scale.Dpi), scale.Design);
}

INSTANTIATE_TEST_SUITE_P(Dpis, ScaleToDpiTest,
                         testing::Values(TScaleCase{{8, 302, 90, 25}, 96, {8, 302, 98, 327}},
                                         TScaleCase{{8, 302, 90, 25}, 120, {10, 378, 123, 409}},
                                         TScaleCase{{8, 302, 90, 25}, 144, {12, 453, 147, 491}},
                                         TScaleCase{{205, 302, 74, 21}, 192, {410, 604, 558, 646}},
                                         TScaleCase{{0, 0, 484, 333}, 168, {0, 0, 847, 583}}));

TEST(ScaleToDpiTest, TouchingControlsStillTouchAtEveryDpi) {
  for (const UINT dpi : {96u, 120u, 144u, 168u, 192u}) {
    const RECT left = ScaleToDpi({90, 135, 150, 32}, dpi);
    const RECT right = ScaleToDpi({240, 135, 150, 32}, dpi);
    EXPECT_EQ(left.right, right.left) << dpi;
  }
}

// Records what would be shown in the error box.
class ErrorBoxTest : public testing::Test {
 public:
  void SetUp() override {
    FPrevious = SetErrorPresenter([this](const std::string& ACaption, const std::string& AText) {
      Shown.push_back(ACaption + "|" + AText);
    });
  }
  void TearDown() override { SetErrorPresenter(FPrevious); }

  std::vector<std::string> Shown;

 private:
  TErrorPresenter FPrevious;
};

TEST_F(ErrorBoxTest, ShowsWhatAnActionRaisesWithTheFullStopRule) {
  const std::string caption = ApplicationTitle() + "|";
  Guarded([] { throw std::runtime_error("Unable to read the picture"); });
  Guarded([] {
    throw std::runtime_error("Erreur syst\xC3\xA8me.  Code : 5\nAcc\xC3\xA8s refus\xC3\xA9");
  });
  Guarded([] { throw std::runtime_error("Ends in a stop."); });
  Guarded([] { throw std::runtime_error("(1,2)"); });
  Guarded([] { throw 42; });
  Guarded([] {});
  EXPECT_EQ(Shown, (std::vector<std::string>{
                       caption + "Unable to read the picture.",
                       caption + "Erreur syst\xC3\xA8me.  Code : 5\nAcc\xC3\xA8s refus\xC3\xA9.",
                       caption + "Ends in a stop.",
                       caption + "(1,2)",
                       caption + "Unknown error.",
                   }));
  EXPECT_EQ(ApplicationTitle(), "win32_kit_tests") << "the first letter stays as it is";
}

// A window with one right-aligned label that follows its text, and one that throws from its
// handler.
class TProbeWindow : public TWindow {
 public:
  static constexpr int LabelId = 100;

  TProbeWindow() : FLayout({{.Face = "Tahoma", .CharacterHeight = 11}}) {
    Create({L"SkyrelleKitProbe", GetSysColorBrush(COLOR_BTNFACE), false}, "Probe",
           WS_CAPTION | WS_SYSMENU, 0, nullptr);
    Label = FLayout.Add(Handle(), {.ClassName = L"STATIC",
                                   .Text = "New version available",
                                   .Id = LabelId,
                                   .Rect = {372, 61, 104, 13},
                                   .Style = SS_NOPREFIX | SS_RIGHT,
                                   .AutoSize = TAutoSize::KeepRight});
    CentreOnPrimaryMonitor({484, 333});
  }

  TDesignLayout FLayout;
  HWND Label = nullptr;
  int Closes = 0;

 protected:
  LRESULT HandleMessage(UINT AMessage, WPARAM AWParam, LPARAM ALParam) override {
    if (AMessage == WM_COMMAND) throw std::runtime_error("Handler failed");
    if (AMessage == WM_CLOSE) {
      ++Closes;
      return 0;
    }
    return TWindow::HandleMessage(AMessage, AWParam, ALParam);
  }
};

TEST_F(ErrorBoxTest, AnErrorInAHandlerIsShownAndStaysInsideTheWindowProcedure) {
  TProbeWindow window;
  SendMessageW(window.Handle(), WM_COMMAND, 0, 0);
  EXPECT_EQ(Shown, std::vector<std::string>{ApplicationTitle() + "|Handler failed."});
  EXPECT_TRUE(IsWindow(window.Handle()));
}

TEST(DesignLayoutTest, ALabelFollowsItsTextWithItsRightEdgeKept) {
  TProbeWindow window;
  ASSERT_EQ(WindowDpi(window.Handle()), DesignDpi) << "Wine's default";
  const RECT client = ClientRectOf(window.Handle());
  EXPECT_EQ(client.right, 484);
  EXPECT_EQ(client.bottom, 333);

  for (const char* text : {"New version available", "Short", "A much longer notice than before"}) {
    window.FLayout.SetText(window.Label, text);
    const RECT rect = RectInParent(window.Label);
    EXPECT_EQ(rect.right, 476) << text;
    EXPECT_EQ(rect.right - rect.left, TextWidth(window.FLayout.Font(0), text)) << text;
    EXPECT_EQ(rect.top, 61);
    EXPECT_EQ(rect.bottom - rect.top, 13);
    EXPECT_EQ(TextOf(window.Label), text);
  }
  window.FLayout.MoveTo(window.Label, 8, 70);
  EXPECT_EQ(window.FLayout.DesignRectOf(window.Label), (TLayoutRect{8, 70, 104, 13}));

  LOGFONTW font{};
  GetObjectW(window.FLayout.Font(0), sizeof font, &font);
  EXPECT_EQ(font.lfHeight, -11);
  EXPECT_STREQ(font.lfFaceName, L"Tahoma");
}

TEST(DesignLayoutTest, ANewDpiScalesTheFontsAndThePlaces) {
  TProbeWindow window;
  window.FLayout.Apply(192);
  const RECT rect = RectInParent(window.Label);
  EXPECT_EQ(rect.right, 952);
  EXPECT_EQ(rect.top, 122);
  EXPECT_EQ(rect.bottom, 148);
  LOGFONTW font{};
  GetObjectW(window.FLayout.Font(0), sizeof font, &font);
  EXPECT_EQ(font.lfHeight, -22);
}

int Ticks = 0;

TEST(RunModalTest, DisablesTheOtherWindowsUntilTheEndAndEnablesThemAgain) {
  TProbeWindow owner;
  ShowWindow(owner.Handle(), SW_SHOWNORMAL);
  TProbeWindow modal;
  bool ownerEnabledMeanwhile = false;
  // Another window's timer goes on ticking inside the loop.
  Ticks = 0;
  SetTimer(owner.Handle(), 1, 10, [](HWND, UINT, UINT_PTR, DWORD) { ++Ticks; });
  RunModal(modal.Handle(), [&] {
    ownerEnabledMeanwhile = ownerEnabledMeanwhile || IsWindowEnabled(owner.Handle());
    return Ticks >= 3;
  });
  KillTimer(owner.Handle(), 1);
  EXPECT_FALSE(ownerEnabledMeanwhile);
  EXPECT_TRUE(IsWindowEnabled(owner.Handle()));
  EXPECT_FALSE(IsWindowVisible(modal.Handle()));
}

TEST(RunModalTest, AQuitMessageEndsTheLoopAndIsPostedAgain) {
  TProbeWindow modal;
  PostQuitMessage(3);
  RunModal(modal.Handle(), [] { return false; });
  MSG message;
  ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(message.wParam, 3u);
}

}  // namespace
}  // namespace skyrelle::app::win32
