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
    TBmpDecoder Decoder("fuzz.bmp",
                        std::make_unique<TMemorySource>(std::span<const std::uint8_t>(Data, Size)));
    const TPictureSize Picture = Decoder.Size();
    // A small window; its position depends on the input so that windows start before, inside
    // and near the right edge of the picture.
    TRgbImage Window(std::min(Picture.Width, 40) + 3, std::min(Picture.Height, 40) + 1);
    const std::int32_t Lefts[] = {-2, 0, Picture.Width / 2, Picture.Width - 5};
    Decoder.DrawWindow(Lefts[Size % 4], Window);
  } catch (const EImageError&) {
  }
  return 0;
}
