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
// pass by pass into the window.
class TPngDecoder : public IPictureDecoder {
 public:
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
  template <typename TWork>
  void Guarded(TWork&& Work);

  std::string FFileName;
  std::unique_ptr<IByteSource> FSource;
  std::unique_ptr<TState> FState;
};

}  // namespace skyrelle::imaging
