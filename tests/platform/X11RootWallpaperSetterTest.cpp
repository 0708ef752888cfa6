// Before X11's headers, whose macros (None, Status) clash with GoogleTest's names.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XRes.h>

#include <chrono>
#include <cstdio>
#include <fstream>

#include "PlatformTestSupport.h"
#include "platform/linux/X11Display.h"
#include "platform/linux/X11RootWallpaperSetter.h"

namespace skyrelle::platform {
namespace {

using ::testing::HasSubstr;
using namespace test_support;

std::uint32_t Pattern(std::int32_t X, std::int32_t Y) {
  const auto red = static_cast<std::uint8_t>(X * 7 + Y);
  const auto green = static_cast<std::uint8_t>(Y * 13);
  const auto blue = static_cast<std::uint8_t>((X ^ Y) | 1);
  return static_cast<std::uint32_t>(red << 16 | green << 8 | blue);
}

struct TConnection {
  explicit TConnection(const std::string& Name) : Handle(XOpenDisplay(Name.c_str())) {}
  ~TConnection() {
    if (Handle != nullptr) XCloseDisplay(Handle);
  }
  Display* Handle;
  Window Root() const { return DefaultRootWindow(Handle); }
};

Pixmap RootProperty(const TConnection& X, const char* Name) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, remaining = 0;
  unsigned char* data = nullptr;
  Pixmap pixmap = None;
  if (XGetWindowProperty(X.Handle, X.Root(), XInternAtom(X.Handle, Name, False), 0, 1, False,
                         XA_PIXMAP, &type, &format, &count, &remaining, &data) == Success &&
      count == 1)
    pixmap = *reinterpret_cast<Pixmap*>(data);
  if (data != nullptr) XFree(data);
  return pixmap;
}

int LastErrorCode = 0;
int RecordError(Display*, XErrorEvent* Event) {
  LastErrorCode = Event->error_code;
  return 0;
}

bool PixmapExists(const TConnection& X, Pixmap Candidate) {
  LastErrorCode = 0;
  XErrorHandler previous = XSetErrorHandler(RecordError);
  Window root;
  int x, y;
  unsigned width, height, border, depth;
  const Status found =
      XGetGeometry(X.Handle, Candidate, &root, &x, &y, &width, &height, &border, &depth);
  XSync(X.Handle, False);
  XSetErrorHandler(previous);
  return found != 0 && LastErrorCode == 0;
}

// Pixmaps held by every client of the server, and the number of clients.
std::pair<int, int> ServerPixmapsAndClients(Display* X) {
  int clientCount = 0;
  XResClient* clients = nullptr;
  EXPECT_TRUE(XResQueryClients(X, &clientCount, &clients));
  const Atom pixmapType = XInternAtom(X, "PIXMAP", False);
  int pixmaps = 0;
  for (int i = 0; i < clientCount; ++i) {
    int typeCount = 0;
    XResType* types = nullptr;
    XResQueryClientResources(X, clients[i].resource_base, &typeCount, &types);
    for (int t = 0; t < typeCount; ++t)
      if (types[t].resource_type == pixmapType) pixmaps += static_cast<int>(types[t].count);
    if (types != nullptr) XFree(types);
  }
  if (clients != nullptr) XFree(clients);
  return {pixmaps, clientCount};
}

// Counts the root window's pixels that differ from the bitmap drawn at its top left
// corner, black elsewhere.
int WrongPixels(const TConnection& X, int BitmapWidth, int BitmapHeight,
                const TColourFunction& Colour) {
  const int width = DisplayWidth(X.Handle, 0), height = DisplayHeight(X.Handle, 0);
  XImage* image = XGetImage(X.Handle, X.Root(), 0, 0, static_cast<unsigned>(width),
                            static_cast<unsigned>(height), AllPlanes, ZPixmap);
  EXPECT_EQ(image->red_mask, 0xFF0000u);
  EXPECT_EQ(image->green_mask, 0xFF00u);
  EXPECT_EQ(image->blue_mask, 0xFFu);
  int wrong = 0;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const unsigned long expected = x < BitmapWidth && y < BitmapHeight ? Colour(x, y) : 0;
      if (XGetPixel(image, x, y) != expected && wrong++ == 0)
        ADD_FAILURE() << "first wrong pixel at " << x << "," << y;
    }
  XDestroyImage(image);
  return wrong;
}

struct TSize {
  int Width, Height;
};

void PrintTo(const TSize& Size, std::ostream* Out) { *Out << Size.Width << "x" << Size.Height; }

class X11RootPicture : public ::testing::TestWithParam<TSize> {};

// The screen's size exactly, a smaller one with padded rows, and a larger one.
TEST_P(X11RootPicture, ShowsTheBitmapsPixelsAndPublishesOnePixmap) {
  TXvfb server("1280x800x24");
  if (!server.Started()) GTEST_SKIP() << "Xvfb is not installed";
  TTempFolder folder(HostileFolder);
  const std::string file = folder / HostileFile;
  WriteBitmap24(file, GetParam().Width, GetParam().Height, Pattern);

  const TWallpaperResult result = TX11RootWallpaperSetter().SetWallpaper(file);
  ASSERT_TRUE(result.Applied) << result.Error;

  TConnection x(server.Display());
  EXPECT_EQ(WrongPixels(x, GetParam().Width, GetParam().Height, Pattern), 0);
  const Pixmap published = RootProperty(x, "_XROOTPMAP_ID");
  EXPECT_NE(published, static_cast<Pixmap>(None));
  EXPECT_EQ(RootProperty(x, "ESETROOT_PMAP_ID"), published);
  EXPECT_TRUE(PixmapExists(x, published)) << "the pixmap outlives the setter's connection";
}

INSTANTIATE_TEST_SUITE_P(Sizes, X11RootPicture,
                         ::testing::Values(TSize{1280, 800}, TSize{301, 199}, TSize{1300, 900}));

class X11RootWallpaperSetter : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!FServer.Started()) GTEST_SKIP() << "Xvfb is not installed";
    WriteBitmap24(FFile, 64, 48, Pattern);
  }

  TXvfb FServer{"64x48x24"};
  TTempFolder FFolder;
  std::string FFile = FFolder / "current.bmp";
  TX11RootWallpaperSetter FSetter;
};

TEST_F(X11RootWallpaperSetter, ShowsTheFilesNewContentWhenSetAgain) {
  ASSERT_TRUE(FSetter.SetWallpaper(FFile).Applied);
  const auto white = [](std::int32_t, std::int32_t) { return 0xFFFFFFu; };
  WriteBitmap24(FFile, 64, 48, white);
  ASSERT_TRUE(FSetter.SetWallpaper(FFile).Applied);
  TConnection x(FServer.Display());
  EXPECT_EQ(WrongPixels(x, 64, 48, white), 0);
}

TEST_F(X11RootWallpaperSetter, SettingAThousandTimesKeepsOnePixmap) {
  ASSERT_TRUE(FSetter.SetWallpaper(FFile).Applied);
  TConnection x(FServer.Display());
  const auto before = ServerPixmapsAndClients(x.Handle);
  for (int i = 0; i < 1000; ++i) ASSERT_TRUE(FSetter.SetWallpaper(FFile).Applied) << i;
  const auto after = ServerPixmapsAndClients(x.Handle);
  EXPECT_EQ(after.first, before.first) << "pixmaps";
  EXPECT_EQ(after.second, before.second) << "clients kept alive for their pixmaps";
  EXPECT_EQ(WrongPixels(x, 64, 48, Pattern), 0);
}

TEST_F(X11RootWallpaperSetter, FreesThePixmapAnEarlierSetterLeft) {
  Pixmap earlier = None;
  {
    TConnection other(FServer.Display());
    earlier = XCreatePixmap(other.Handle, other.Root(), 8, 8, 24);
    for (const char* name : {"_XROOTPMAP_ID", "ESETROOT_PMAP_ID"})
      XChangeProperty(other.Handle, other.Root(), XInternAtom(other.Handle, name, False), XA_PIXMAP,
                      32, PropModeReplace, reinterpret_cast<const unsigned char*>(&earlier), 1);
    XSetCloseDownMode(other.Handle, RetainPermanent);
  }
  TConnection x(FServer.Display());
  ASSERT_TRUE(PixmapExists(x, earlier));
  ASSERT_TRUE(FSetter.SetWallpaper(FFile).Applied);
  EXPECT_FALSE(PixmapExists(x, earlier));
}

// Without ESETROOT_PMAP_ID naming the same pixmap, its owner may be a live program.
TEST_F(X11RootWallpaperSetter, SparesAPixmapOnlyOnePropertyNames) {
  TConnection owner(FServer.Display());
  const Pixmap theirs = XCreatePixmap(owner.Handle, owner.Root(), 8, 8, 24);
  XChangeProperty(owner.Handle, owner.Root(), XInternAtom(owner.Handle, "_XROOTPMAP_ID", False),
                  XA_PIXMAP, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(&theirs),
                  1);
  XSync(owner.Handle, False);
  ASSERT_TRUE(FSetter.SetWallpaper(FFile).Applied);
  TConnection x(FServer.Display());
  EXPECT_TRUE(PixmapExists(x, theirs));
}

TEST_F(X11RootWallpaperSetter, LeavesTheDesktopAloneWhenTheFileIsBroken) {
  ASSERT_TRUE(FSetter.SetWallpaper(FFile).Applied);
  TConnection x(FServer.Display());
  const Pixmap shown = RootProperty(x, "_XROOTPMAP_ID");
  std::ofstream(FFile, std::ios::trunc) << "not a bitmap";
  const TWallpaperResult result = FSetter.SetWallpaper(FFile);
  EXPECT_FALSE(result.Applied);
  EXPECT_THAT(result.Error, HasSubstr("current.bmp\": not a BMP picture"));
  EXPECT_EQ(RootProperty(x, "_XROOTPMAP_ID"), shown);
  EXPECT_TRUE(PixmapExists(x, shown));
}

// Xlib ends the whole program when its server goes away in the middle of a call; the setter
// reports the lost connection instead, and the program goes on.
TEST(X11RootWallpaperSetterLosingTheServer, ReportsTheLostConnection) {
  TXvfb server("4000x3000x24");
  if (!server.Started()) GTEST_SKIP() << "Xvfb is not installed";
  TTempFolder folder;
  const std::string file = folder / "current.bmp";
  WriteBitmap24(file, 4000, 3000, Pattern);  // large, so that drawing takes a while
  auto watcher = std::make_unique<TConnection>(server.Display());
  const int pixmapsBefore = ServerPixmapsAndClients(watcher->Handle).first;

  // libX11 may leave the heap damaged after a connection's exit handler returns in the middle
  // of a large request, so the setter runs in a copy of the test that ends right after it.
  TChildProcess setting([&file] {
    const TWallpaperResult result = TX11RootWallpaperSetter().SetWallpaper(file);
    std::fprintf(stderr, "applied: %d, error: %s\n", result.Applied ? 1 : 0, result.Error.c_str());
    return !result.Applied && result.Error == "The X server closed the connection" ? 0 : 1;
  });
  // The setter's pixmap reaches the server with the picture's first pieces; the rest of the
  // picture is still on its way when the server dies.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (ServerPixmapsAndClients(watcher->Handle).first == pixmapsBefore &&
         std::chrono::steady_clock::now() < deadline) {
  }
  watcher.reset();  // Xlib would end the test on a lost connection of its own kind
  server.Kill();

  EXPECT_EQ(setting.Wait(), 0) << "the setter's report is on standard error";
}

TEST(X11RootWallpaperSetterWithoutServer, SaysThatThereIsNoDisplay) {
  TTempFolder folder;
  WriteBitmap24(folder / "current.bmp", 2, 2, Pattern);
  {
    TScopedVariable display("DISPLAY", std::nullopt);
    const TWallpaperResult result = TX11RootWallpaperSetter().SetWallpaper(folder / "current.bmp");
    EXPECT_FALSE(result.Applied);
    EXPECT_THAT(result.Error, HasSubstr("DISPLAY"));
  }
  const TWallpaperResult result =
      TX11RootWallpaperSetter(":32765").SetWallpaper(folder / "current.bmp");
  EXPECT_FALSE(result.Applied);
  EXPECT_EQ(result.Error, "Cannot open the X display \":32765\"");
}

}  // namespace
}  // namespace skyrelle::platform
