#pragma once

namespace skyrelle::platform {

struct TScreenSize {
  int Width = 0;
  int Height = 0;
};

// The primary screen, in physical pixels.
class IScreen {
 public:
  virtual ~IScreen() = default;
  // Raises std::runtime_error when there is no screen at all.
  virtual TScreenSize PrimaryScreenSize() = 0;
};

}  // namespace skyrelle::platform
