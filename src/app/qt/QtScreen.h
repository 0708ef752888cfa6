#pragma once

#include "platform/IScreen.h"

namespace skyrelle::app {

// The primary screen as the toolkit sees it, converted to physical pixels.
class TQtScreen final : public platform::IScreen {
 public:
  platform::TScreenSize PrimaryScreenSize() override;
};

}  // namespace skyrelle::app
