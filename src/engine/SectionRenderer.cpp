#include "engine/SectionRenderer.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "imaging/BitmapWriter.h"
#include "imaging/Picture.h"
#include "imaging/RgbImage.h"

namespace skyrelle::engine {

namespace {

// Halfway cases go to the even neighbour; results beyond 32 bits saturate instead of wrapping,
// so a stored index far out of range still yields a defined (white) section.
std::int32_t RoundHalfEven(double Value) {
  double rounded = std::round(Value);
  if (std::fabs(Value - std::trunc(Value)) == 0.5) rounded = 2.0 * std::round(Value / 2.0);
  constexpr double low = std::numeric_limits<std::int32_t>::min();
  constexpr double high = std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(std::clamp(rounded, low, high));
}

}  // namespace

std::int32_t SectionOffset(std::int32_t Index, std::int32_t Range, std::int32_t StepsCount) {
  if (StepsCount <= 1) return 0;
  const double step = static_cast<double>(Range) / (static_cast<double>(StepsCount) - 1.0);
  return RoundHalfEven(static_cast<double>(Index) * step);
}

imaging::TPictureSize RenderSection(const std::string& PictureFile, std::int32_t CropWidth,
                                    std::int32_t CropHeight, std::int32_t Index,
                                    std::int32_t StepsCount, const std::string& OutputFile) {
  imaging::TRgbImage output(CropWidth, CropHeight);
  imaging::TPicture picture(PictureFile);
  const std::int32_t range = std::max(picture.Size().Width - CropWidth, 0);
  picture.DrawWindow(SectionOffset(Index, range, StepsCount), output);
  imaging::WriteBitmap(output, OutputFile);
  return picture.Size();
}

}  // namespace skyrelle::engine
