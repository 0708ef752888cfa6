// libFuzzer entry for the bitmap decoder: any input must either decode or raise EImageError,
// without touching memory it does not own.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "imaging/BmpDecoder.h"
#include "imaging/ImageError.h"

using namespace skyrelle::imaging;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  try {
    TBmpDecoder decoder("fuzz.bmp",
                        std::make_unique<TMemorySource>(std::span<const std::uint8_t>(Data, Size)));
    const TPictureSize picture = decoder.Size();
    // A small window; its position depends on the input so that windows start before, inside
    // and near the right edge of the picture.
    TRgbImage window(std::min(picture.Width, 40) + 3, std::min(picture.Height, 40) + 1);
    const std::int32_t lefts[] = {-2, 0, picture.Width / 2, picture.Width - 5};
    decoder.DrawWindow(lefts[Size % 4], window);
  } catch (const EImageError&) {
  }
  return 0;
}
