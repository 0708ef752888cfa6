#include "imaging/PictureDecoder.h"

#include <algorithm>

namespace skyrelle::imaging {

TWindowSpan ClipWindow(TPictureSize Picture, std::int32_t Left, const TRgbImage& Window) {
  const std::int64_t First = std::max<std::int64_t>(Left, 0);
  const std::int64_t End =
      std::min<std::int64_t>(std::int64_t{Left} + Window.Width(), Picture.Width);
  TWindowSpan Span;
  if (End <= First) return Span;
  Span.FirstColumn = static_cast<std::int32_t>(First);
  Span.Columns = static_cast<std::int32_t>(End - First);
  Span.Rows = std::min(Window.Height(), Picture.Height);
  Span.TargetColumn = static_cast<std::int32_t>(First - Left);
  return Span;
}

}  // namespace skyrelle::imaging
