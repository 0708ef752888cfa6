#pragma once

#include <stdexcept>
#include <string>

namespace skyrelle::imaging {

// Raised for a picture that cannot be read or decoded and for a bitmap that cannot be written.
// The text names the file and says what is wrong with it.
class EImageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// "Cannot read the picture "<file>": <reason>".
[[noreturn]] void ThrowPictureError(const std::string& FileName, const std::string& Reason);

}  // namespace skyrelle::imaging
