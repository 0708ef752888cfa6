#include "imaging/ImageError.h"

namespace skyrelle::imaging {

void ThrowPictureError(const std::string& FileName, const std::string& Reason) {
  throw EImageError("Cannot read the picture \"" + FileName + "\": " + Reason);
}

}  // namespace skyrelle::imaging
