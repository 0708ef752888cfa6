#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/ByteSource.h"
#include "imaging/PictureDecoder.h"

namespace skyrelle::imaging {

// Windows and OS/2 bitmaps: core, info, V4 and V5 headers; 1, 4 and 8 bits with a colour table,
// 16 and 32 bits with default or explicit channel masks, 24 bits; uncompressed, RLE8 and RLE4.
// Every header field is checked against the data before anything is read or allocated; only
// the window's part of each row is read (run-length data is read through once, in pieces).
class TBmpDecoder : public IPictureDecoder {
 public:
  // FileName is only used in error texts.
  TBmpDecoder(std::string FileName, std::unique_ptr<IByteSource> Source);

  TPictureSize Size() const override { return {FWidth, FHeight}; }
  void DrawWindow(std::int32_t Left, TRgbImage& Window) override;

  struct TChannel {
    std::uint32_t Mask = 0;
    std::uint32_t Shift = 0;
    std::uint32_t Max = 0;  // largest value after shifting
  };

 private:
  [[noreturn]] void Fail(const std::string& Reason) const;
  void ReadHeaders();
  void ReadMasks(const std::vector<std::uint8_t>& Head, std::size_t At);
  void ReadPalette(const std::vector<std::uint8_t>& Head, std::size_t At, std::uint32_t Declared,
                   std::size_t EntrySize);
  const std::uint8_t* PaletteColour(std::uint32_t Index) const;
  void DrawUncompressed(const TWindowSpan& Span, TRgbImage& Window) const;
  void DrawRle(const TWindowSpan& Span, TRgbImage& Window) const;

  std::string FFileName;
  std::unique_ptr<IByteSource> FSource;
  std::int32_t FWidth = 0;
  std::int32_t FHeight = 0;
  bool FTopDown = false;
  std::uint32_t FBitCount = 0;
  std::uint32_t FCompression = 0;
  std::uint64_t FPixelOffset = 0;
  std::uint64_t FPixelEnd = 0;
  std::uint64_t FStride = 0;
  std::array<TChannel, 3> FChannels{};  // red, green, blue
  std::uint32_t FPaletteCount = 0;
  std::array<std::uint8_t, std::size_t{256} * 3> FPalette{};  // red, green, blue
};

}  // namespace skyrelle::imaging
