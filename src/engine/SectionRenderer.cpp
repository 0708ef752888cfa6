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
  double Rounded = std::round(Value);
  if (std::fabs(Value - std::trunc(Value)) == 0.5) Rounded = 2.0 * std::round(Value / 2.0);
  constexpr double Low = std::numeric_limits<std::int32_t>::min();
  constexpr double High = std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(std::clamp(Rounded, Low, High));
}

}  // namespace

std::int32_t SectionOffset(std::int32_t Index, std::int32_t Range, std::int32_t StepsCount) {
  if (StepsCount <= 1) return 0;
  const double Step = static_cast<double>(Range) / (static_cast<double>(StepsCount) - 1.0);
  return RoundHalfEven(static_cast<double>(Index) * Step);
}

void RenderSection(const std::string& PictureFile, std::int32_t CropWidth, std::int32_t CropHeight,
                   std::int32_t Index, std::int32_t StepsCount, const std::string& OutputFile) {
  imaging::TRgbImage Output(CropWidth, CropHeight);
  imaging::TPicture Picture(PictureFile);
  const std::int32_t Range = std::max(Picture.Size().Width - CropWidth, 0);
  Picture.DrawWindow(SectionOffset(Index, Range, StepsCount), Output);
  imaging::WriteBitmap(Output, OutputFile);
}

}  // namespace skyrelle::engine
