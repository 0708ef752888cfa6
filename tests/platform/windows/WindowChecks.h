#pragma once

// What every Win32 window of the program is tested for: fixed frames, centring and the places
// of controls at 96 dpi.

#include <windows.h>

#include <gtest/gtest.h>

#include "platform/windows/app/WindowKit.h"

namespace skyrelle::test_support {

// A control's place in its window's client area, in pixels at 96 dpi.
inline app::TLayoutRect DesignRectOf(HWND AControl) {
  return app::win32::ScaleToDesign(app::win32::RectInParent(AControl),
                                   app::win32::WindowDpi(AControl));
}

// Only the system menu and its close box: the window can be neither resized, minimised nor
// maximised, and its client area is the design's.
inline void ExpectFixedFrame(HWND AWindow, int AClientWidth, int AClientHeight) {
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(AWindow, GWL_STYLE));
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
  EXPECT_EQ(
      app::win32::ScaleToDesign(app::win32::ClientRectOf(AWindow), app::win32::WindowDpi(AWindow)),
      (app::TLayoutRect{0, 0, AClientWidth, AClientHeight}));
}

inline void ExpectCentredOnPrimaryMonitor(HWND AWindow) {
  RECT frame{};
  GetWindowRect(AWindow, &frame);
  EXPECT_NEAR((frame.left + frame.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
  EXPECT_NEAR((frame.top + frame.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 1);
}

}  // namespace skyrelle::test_support
