#include "imaging/PictureDecoder.h"

#include <algorithm>

namespace skyrelle::imaging {

TWindowSpan ClipWindow(TPictureSize Picture, std::int32_t Left, const TRgbImage& Window) {
  const std::int64_t first = std::max<std::int64_t>(Left, 0);
  const std::int64_t end =
      std::min<std::int64_t>(std::int64_t{Left} + Window.Width(), Picture.Width);
  TWindowSpan span;
  if (end <= first) return span;
  span.FirstColumn = static_cast<std::int32_t>(first);
  span.Columns = static_cast<std::int32_t>(end - first);
  span.Rows = std::min(Window.Height(), Picture.Height);
  span.TargetColumn = static_cast<std::int32_t>(first - Left);
  return span;
}

}  // namespace skyrelle::imaging
