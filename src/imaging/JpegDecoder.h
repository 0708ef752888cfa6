#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "imaging/ByteSource.h"
#include "imaging/PictureDecoder.h"

namespace skyrelle::imaging {

// JPEG through libjpeg, at full size, to RGB (greyscale and CMYK converted). Only the window's
// columns go through the inverse transform and colour conversion, and decoding stops after the
// window's rows; multi-scan pictures must be buffered whole and are refused beyond a limit.
class TJpegDecoder : public IPictureDecoder {
 public:
  // The coefficient buffer of multi-scan pictures may hold at most this many bytes.
  static constexpr std::uint64_t MaxBufferedBytes = std::uint64_t{160} << 20;
  // A picture needs a dozen scans or so, each going over the buffered blocks; a hostile one
  // repeats them to keep the decoder busy for minutes. Scans times buffered blocks is held to
  // the first limit, and scans alone to the second.
  static constexpr std::uint64_t MaxBlockScans = 100'000'000;
  static constexpr int MaxScans = 500;
  // The file is read in pieces this large: big enough that the library's fast Huffman decoder,
  // which needs several kilobytes ahead, nearly always runs.
  static constexpr std::size_t ReadChunkSize = std::size_t{1} << 20;

  // FileName is only used in error texts.
  TJpegDecoder(std::string FileName, std::unique_ptr<IByteSource> Source);
  ~TJpegDecoder() override;
  TJpegDecoder(const TJpegDecoder&) = delete;
  TJpegDecoder& operator=(const TJpegDecoder&) = delete;

  TPictureSize Size() const override;
  void DrawWindow(std::int32_t Left, TRgbImage& Window) override;

  // The library's state; opaque outside the decoder.
  struct TState;

 private:
  [[noreturn]] void Fail(const std::string& Reason) const;
  template <typename TWork>
  void Guarded(TWork&& Work);
  void LimitBufferedWork();

  std::string FFileName;
  std::unique_ptr<IByteSource> FSource;
  std::unique_ptr<TState> FState;
};

}  // namespace skyrelle::imaging
