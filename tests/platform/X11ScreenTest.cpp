#include <gtest/gtest.h>

#include "PlatformTestSupport.h"
#include "platform/linux/X11Screen.h"

namespace skyrelle::platform {
namespace {

using namespace testing;

TEST(X11Screen, ReadsThePrimaryScreensSize) {
  TXvfb server("1280x800x24");
  if (!server.Started()) GTEST_SKIP() << "Xvfb is not installed";
  const TScreenSize size = TX11Screen().PrimaryScreenSize();
  EXPECT_EQ(size.Width, 1280);
  EXPECT_EQ(size.Height, 800);
  const TScreenSize named = TX11Screen(server.Display()).PrimaryScreenSize();
  EXPECT_EQ(named.Width, 1280);
  EXPECT_EQ(named.Height, 800);
}

TEST(X11Screen, RaisesWhenThereIsNoScreen) {
  {
    TScopedVariable display("DISPLAY", "", true);
    EXPECT_THROW(TX11Screen().PrimaryScreenSize(), std::runtime_error);
  }
  // A display number nothing listens on.
  EXPECT_THROW(TX11Screen(":32765").PrimaryScreenSize(), std::runtime_error);
}

TEST(X11Screen, NamesTheCurrentXfceBackdrop) {
  TXvfb server("800x600x24");
  if (!server.Started()) GTEST_SKIP() << "Xvfb is not installed";
  const TXfceTarget target = CurrentXfceTarget();
  EXPECT_FALSE(target.Monitor.empty());
  EXPECT_EQ(target.Workspace, 0);
}

}  // namespace
}  // namespace skyrelle::platform
