#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "imaging/ByteSource.h"
#include "imaging/PictureDecoder.h"

namespace skyrelle::imaging {

// PNG through libpng: every colour type and bit depth, 16 bits scaled to 8, alpha and the
// transparent colour blended onto white. Rows are read one at a time and only the window's
// columns are kept; a plain picture stops after the window's rows, an interlaced one is read
// pass by pass into the window. Ancillary chunks (text, profiles, gamma...) are never read.
class TPngDecoder : public IPictureDecoder {
 public:
  // Whole rows must be inflated to reach the window's columns, so a picture far wider than the
  // window costs far more than the window. At most this many inflated bytes per window pixel
  // (a picture 16 times as wide as the window at 16-bit RGBA), never less than the minimum.
  static constexpr std::uint64_t InflatedBytesPerWindowPixel = 128;
  static constexpr std::uint64_t MinimumInflateBudget = std::uint64_t{64} << 20;
  // Bytes the file may hold before its image data: chunks that are skipped still cost a read.
  static constexpr std::uint64_t MetadataAllowance = std::uint64_t{64} << 20;
  // The widest and tallest picture accepted, and the largest chunk the library may hold.
  static constexpr std::uint32_t MaxSide = 1000000;
  static constexpr std::uint32_t MaxChunkBytes = std::uint32_t{1} << 20;

  // FileName is only used in error texts.
  TPngDecoder(std::string FileName, std::unique_ptr<IByteSource> Source);
  ~TPngDecoder() override;
  TPngDecoder(const TPngDecoder&) = delete;
  TPngDecoder& operator=(const TPngDecoder&) = delete;

  TPictureSize Size() const override;
  void DrawWindow(std::int32_t Left, TRgbImage& Window) override;

  // The library's state; opaque outside the decoder.
  struct TState;

 private:
  [[noreturn]] void Fail(const std::string& Reason) const;
  void CheckInflatedSize(const TRgbImage& Window, int Passes, std::uint32_t Rows);
  template <typename TWork>
  void Guarded(TWork&& Work);

  std::string FFileName;
  std::unique_ptr<IByteSource> FSource;
  std::unique_ptr<TState> FState;
};

}  // namespace skyrelle::imaging
