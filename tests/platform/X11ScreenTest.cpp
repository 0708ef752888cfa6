#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include "PlatformTestSupport.h"
#include "platform/linux/X11Screen.h"

namespace skyrelle::platform {
namespace {

using namespace test_support;

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

// A screen larger than its primary monitor: the monitor's size counts.
TEST(X11Screen, PrefersThePrimaryOutputOverTheWholeScreen) {
  TXvfb server("1600x1000x24");
  if (!server.Started()) GTEST_SKIP() << "Xvfb is not installed";
  Display* x = XOpenDisplay(server.Display().c_str());
  ASSERT_NE(x, nullptr);
  const Window root = DefaultRootWindow(x);
  XRRScreenResources* resources = XRRGetScreenResourcesCurrent(x, root);
  ASSERT_GE(resources->noutput, 1);
  ASSERT_GE(resources->ncrtc, 1);
  const RROutput output = resources->outputs[0];
  char name[] = "1280x800";
  XRRModeInfo info{};
  info.width = 1280;
  info.height = 800;
  info.name = name;
  info.nameLength = sizeof name - 1;
  const RRMode mode = XRRCreateMode(x, root, &info);
  XRRAddOutputMode(x, output, mode);
  RROutput outputs[] = {output};
  ASSERT_EQ(XRRSetCrtcConfig(x, resources, resources->crtcs[0], CurrentTime, 0, 0, mode,
                             RR_Rotate_0, outputs, 1),
            Success);
  XRRSetOutputPrimary(x, root, output);
  XRRFreeScreenResources(resources);
  XSync(x, False);
  ASSERT_EQ(DisplayWidth(x, 0), 1600);
  XCloseDisplay(x);

  const TScreenSize size = TX11Screen().PrimaryScreenSize();
  EXPECT_EQ(size.Width, 1280);
  EXPECT_EQ(size.Height, 800);
}

TEST(X11Screen, RaisesWhenThereIsNoScreen) {
  {
    TScopedVariable display("DISPLAY", std::nullopt);
    EXPECT_THROW(TX11Screen().PrimaryScreenSize(), std::runtime_error);
  }
  // A display number nothing listens on.
  EXPECT_THROW(TX11Screen(":32765").PrimaryScreenSize(), std::runtime_error);
}

TEST(X11Screen, NamesTheCurrentXfceBackdrop) {
  TXvfb server("800x600x24");
  if (!server.Started()) GTEST_SKIP() << "Xvfb is not installed";
  const TXfceTarget defaults = CurrentXfceTarget();
  EXPECT_EQ(defaults.Monitor, "0") << "no primary output yet";
  EXPECT_EQ(defaults.Workspace, 0);

  Display* x = XOpenDisplay(server.Display().c_str());
  ASSERT_NE(x, nullptr);
  const Window root = DefaultRootWindow(x);
  XRRScreenResources* resources = XRRGetScreenResourcesCurrent(x, root);
  ASSERT_GE(resources->noutput, 1);
  XRROutputInfo* output = XRRGetOutputInfo(x, resources, resources->outputs[0]);
  const std::string outputName(output->name, static_cast<std::size_t>(output->nameLen));
  XRRFreeOutputInfo(output);
  XRRSetOutputPrimary(x, root, resources->outputs[0]);
  XRRFreeScreenResources(resources);
  const long workspace = 3;
  XChangeProperty(x, root, XInternAtom(x, "_NET_CURRENT_DESKTOP", False), XA_CARDINAL, 32,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(&workspace), 1);
  XCloseDisplay(x);

  const TXfceTarget target = CurrentXfceTarget();
  EXPECT_EQ(target.Monitor, outputName);
  EXPECT_EQ(target.Workspace, 3);
}

}  // namespace
}  // namespace skyrelle::platform
