#pragma once

#include <string>

#include "platform/IScreen.h"
#include "platform/linux/DesktopEnvironmentSetters.h"

namespace skyrelle::platform {

// The primary screen as X11 RandR reports it, for running without the GUI toolkit: the
// primary output's size as shown (rotation included), else the X screen's whole size.
class TX11Screen final : public IScreen {
 public:
  explicit TX11Screen(std::string DisplayName = {})  // empty: $DISPLAY
      : FDisplayName(std::move(DisplayName)) {}

  // Raises std::runtime_error when no X display can be opened.
  TScreenSize PrimaryScreenSize() override;

 private:
  std::string FDisplayName;
};

// xfdesktop's current monitor (the primary output's name) and workspace; the defaults
// when there is no X display to ask.
TXfceTarget CurrentXfceTarget();

}  // namespace skyrelle::platform
