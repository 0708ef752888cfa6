#pragma once

#include <memory>

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

// The primary screen as the system reports it, for programs without the GUI toolkit (the
// program itself asks the toolkit, which knows the scaling it applies).
std::unique_ptr<IScreen> CreateScreen();

}  // namespace skyrelle::platform
