#include "platform/linux/X11Screen.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <memory>
#include <optional>
#include <stdexcept>

#include "platform/linux/X11Display.h"

namespace skyrelle::platform {
namespace {

struct TPrimaryOutput {
  std::string Name;
  TScreenSize Size;  // zero when the output is off
};

std::optional<TPrimaryOutput> PrimaryOutput(Display* Connection) {
  int event = 0, error = 0;
  if (!XRRQueryExtension(Connection, &event, &error)) return std::nullopt;
  const Window root = DefaultRootWindow(Connection);
  const RROutput primary = XRRGetOutputPrimary(Connection, root);
  if (primary == None) return std::nullopt;
  std::unique_ptr<XRRScreenResources, decltype(&XRRFreeScreenResources)> resources(
      XRRGetScreenResourcesCurrent(Connection, root), XRRFreeScreenResources);
  if (!resources) return std::nullopt;
  std::unique_ptr<XRROutputInfo, decltype(&XRRFreeOutputInfo)> output(
      XRRGetOutputInfo(Connection, resources.get(), primary), XRRFreeOutputInfo);
  if (!output) return std::nullopt;
  TPrimaryOutput result{std::string(output->name, static_cast<std::size_t>(output->nameLen)), {}};
  if (output->crtc != None) {
    std::unique_ptr<XRRCrtcInfo, decltype(&XRRFreeCrtcInfo)> crtc(
        XRRGetCrtcInfo(Connection, resources.get(), output->crtc), XRRFreeCrtcInfo);
    if (crtc) result.Size = {static_cast<int>(crtc->width), static_cast<int>(crtc->height)};
  }
  return result;
}

int CurrentWorkspace(Display* Connection) {
  const Atom property = XInternAtom(Connection, "_NET_CURRENT_DESKTOP", True);
  if (property == None) return 0;
  Atom type = None;
  int format = 0;
  unsigned long count = 0, remaining = 0;
  unsigned char* data = nullptr;
  int workspace = 0;
  if (XGetWindowProperty(Connection, DefaultRootWindow(Connection), property, 0, 1, False,
                         XA_CARDINAL, &type, &format, &count, &remaining, &data) == Success &&
      type == XA_CARDINAL && format == 32 && count == 1)
    workspace = static_cast<int>(*reinterpret_cast<unsigned long*>(data));
  if (data != nullptr) XFree(data);
  return workspace;
}

}  // namespace

TScreenSize TX11Screen::PrimaryScreenSize() {
  const TDisplay display(FDisplayName);
  const auto primary = PrimaryOutput(display.Handle());
  if (display.Lost()) throw std::runtime_error(ConnectionLostText);
  if (primary && primary->Size.Width > 0 && primary->Size.Height > 0) return primary->Size;
  const int screen = DefaultScreen(display.Handle());
  return {DisplayWidth(display.Handle(), screen), DisplayHeight(display.Handle(), screen)};
}

std::unique_ptr<IScreen> CreateScreen() { return std::make_unique<TX11Screen>(); }

TXfceTarget CurrentXfceTarget() {
  TXfceTarget target;
  try {
    const TDisplay display({});
    const auto primary = PrimaryOutput(display.Handle());
    const int workspace = CurrentWorkspace(display.Handle());
    if (display.Lost()) return target;
    if (primary && !primary->Name.empty()) target.Monitor = primary->Name;
    target.Workspace = workspace;
  } catch (const std::exception&) {
    // No X display: the defaults name the first monitor and workspace.
  }
  return target;
}

}  // namespace skyrelle::platform
