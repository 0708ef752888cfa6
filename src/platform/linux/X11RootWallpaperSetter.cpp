#include "platform/linux/X11RootWallpaperSetter.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <stdexcept>
#include <vector>

#include "imaging/BmpDecoder.h"
#include "imaging/RgbImage.h"
#include "platform/linux/X11Display.h"

namespace skyrelle::platform {
namespace {

struct TRectangle {
  int X, Y, Width, Height;
};

// Where the picture goes: the top left corner of every monitor, as the engine renders it
// at the primary monitor's size; the whole screen when the server cannot tell.
std::vector<TRectangle> Monitors(Display* Connection, Window Root, int Screen) {
  std::vector<TRectangle> monitors;
  int event = 0, error = 0, major = 0, minor = 0;
  if (XRRQueryExtension(Connection, &event, &error) &&
      XRRQueryVersion(Connection, &major, &minor) && (major > 1 || (major == 1 && minor >= 5))) {
    int count = 0;
    if (XRRMonitorInfo* info = XRRGetMonitors(Connection, Root, True, &count)) {
      for (int i = 0; i < count; ++i)
        monitors.push_back({info[i].x, info[i].y, info[i].width, info[i].height});
      XRRFreeMonitors(info);
    }
  }
  if (monitors.empty())
    monitors.push_back({0, 0, DisplayWidth(Connection, Screen), DisplayHeight(Connection, Screen)});
  return monitors;
}

// Scales an 8-bit channel into the bits of a true-colour visual's mask.
unsigned long Channel(std::uint8_t Value, unsigned long Mask) {
  if (Mask == 0) return 0;
  const int shift = std::countr_zero(Mask);
  const unsigned long maximum = Mask >> shift;
  return ((Value * maximum + 127) / 255) << shift;
}

struct TImageDeleter {
  void operator()(XImage* Image) const { XDestroyImage(Image); }
};

// The picture in the server's pixel format, cut to Width x Height.
std::unique_ptr<XImage, TImageDeleter> ServerImage(Display* Connection, Visual* TheVisual,
                                                   int Depth, const imaging::TRgbImage& Picture,
                                                   int Width, int Height) {
  std::unique_ptr<XImage, TImageDeleter> image(
      XCreateImage(Connection, TheVisual, static_cast<unsigned>(Depth), ZPixmap, 0, nullptr,
                   static_cast<unsigned>(Width), static_cast<unsigned>(Height), 32, 0));
  if (!image) throw std::runtime_error("Cannot create an X image");
  // XDestroyImage frees the data with free().
  image->data = static_cast<char*>(std::malloc(static_cast<std::size_t>(image->bytes_per_line) *
                                               static_cast<std::size_t>(Height)));
  if (image->data == nullptr) throw std::bad_alloc();
  for (int y = 0; y < Height; ++y)
    for (int x = 0; x < Width; ++x) {
      const std::uint8_t* rgb = Picture.Row(y) + static_cast<std::size_t>(x) * 3;
      XPutPixel(image.get(), x, y,
                Channel(rgb[0], TheVisual->red_mask) | Channel(rgb[1], TheVisual->green_mask) |
                    Channel(rgb[2], TheVisual->blue_mask));
    }
  return image;
}

Pixmap PixmapProperty(Display* Connection, Window Root, Atom Property) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, remaining = 0;
  unsigned char* data = nullptr;
  Pixmap pixmap = None;
  if (XGetWindowProperty(Connection, Root, Property, 0, 1, False, XA_PIXMAP, &type, &format, &count,
                         &remaining, &data) == Success &&
      type == XA_PIXMAP && format == 32 && count == 1)
    pixmap = *reinterpret_cast<Pixmap*>(data);
  if (data != nullptr) XFree(data);
  return pixmap;
}

// A screen-sized pixmap: black, with the picture on every monitor.
Pixmap DrawPixmap(Display* Connection, int Screen, const imaging::TRgbImage& Picture) {
  Visual* visual = DefaultVisual(Connection, Screen);
  if (visual->c_class != TrueColor && visual->c_class != DirectColor)
    throw std::runtime_error("The X display has no true-colour default visual");
  const Window root = RootWindow(Connection, Screen);
  const int depth = DefaultDepth(Connection, Screen);
  const int width = DisplayWidth(Connection, Screen);
  const int height = DisplayHeight(Connection, Screen);
  const Pixmap pixmap = XCreatePixmap(Connection, root, static_cast<unsigned>(width),
                                      static_cast<unsigned>(height), static_cast<unsigned>(depth));
  GC gc = XCreateGC(Connection, pixmap, 0, nullptr);
  XSetForeground(Connection, gc, BlackPixel(Connection, Screen));
  XFillRectangle(Connection, pixmap, gc, 0, 0, static_cast<unsigned>(width),
                 static_cast<unsigned>(height));
  const auto image =
      ServerImage(Connection, visual, depth, Picture, std::min(Picture.Width(), width),
                  std::min(Picture.Height(), height));
  for (const TRectangle& monitor : Monitors(Connection, root, Screen))
    XPutImage(Connection, pixmap, gc, image.get(), 0, 0, monitor.X, monitor.Y,
              static_cast<unsigned>(std::min(image->width, monitor.Width)),
              static_cast<unsigned>(std::min(image->height, monitor.Height)));
  XFreeGC(Connection, gc);
  return pixmap;
}

// Returns the pixmap of the setter before, when it is to be freed, else None.
Pixmap Publish(Display* Connection, Window Root, Pixmap Picture) {
  const Atom rootId = XInternAtom(Connection, "_XROOTPMAP_ID", False);
  const Atom esetrootId = XInternAtom(Connection, "ESETROOT_PMAP_ID", False);
  const Pixmap previous = PixmapProperty(Connection, Root, rootId);
  const Pixmap previousEsetroot = PixmapProperty(Connection, Root, esetrootId);
  for (const Atom property : {rootId, esetrootId})
    XChangeProperty(Connection, Root, property, XA_PIXMAP, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&Picture), 1);
  XSetWindowBackgroundPixmap(Connection, Root, Picture);
  XClearWindow(Connection, Root);
  // Both properties naming one pixmap mark a setter that kept its pixmap alive after it
  // left (the Esetroot convention): ending that client's remains frees the pixmap.
  return previous != None && previous == previousEsetroot && previous != Picture ? previous : None;
}

// The wallpaper file, read by the program's own bitmap decoder.
imaging::TRgbImage ReadPicture(const std::string& FileName) {
  imaging::TBmpDecoder decoder(FileName, std::make_unique<imaging::TFileSource>(FileName));
  imaging::TRgbImage picture(decoder.Size().Width, decoder.Size().Height);
  decoder.DrawWindow(0, picture);
  return picture;
}

}  // namespace

TWallpaperResult TX11RootWallpaperSetter::SetWallpaper(const std::string& FileName) {
  try {
    const imaging::TRgbImage picture = ReadPicture(FileName);
    const TDisplay display(FDisplayName);
    Display* connection = display.Handle();
    const auto failure = [&display](const std::string& Error) -> TWallpaperResult {
      return {false,
              display.Lost() ? ConnectionLostText : "The X server refused the picture: " + Error};
    };
    {
      TErrorTrap trap(connection);
      const int screen = DefaultScreen(connection);
      const Pixmap pixmap = DrawPixmap(connection, screen, picture);
      // Until RetainPermanent is set, closing the connection frees everything made on it.
      if (std::string error = trap.Sync(); !error.empty() || display.Lost()) return failure(error);
      const Pixmap stale = Publish(connection, RootWindow(connection, screen), pixmap);
      if (std::string error = trap.Sync(); !error.empty() || display.Lost()) return failure(error);
      if (stale != None) {
        XKillClient(connection, stale);
        trap.Sync();  // a pixmap already gone fails harmlessly
      }
    }
    XSetCloseDownMode(connection, RetainPermanent);
    XSync(connection, False);
    if (display.Lost()) return failure({});
    return {true, {}};
  } catch (const std::exception& error) {
    return {false, error.what()};
  } catch (...) {
    return {false, "Unknown error"};
  }
}

}  // namespace skyrelle::platform
