#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "imaging/PictureDecoder.h"
#include "imaging/RgbImage.h"

namespace skyrelle::imaging {

// A picture file opened with the decoder its extension names (".bmp", ".jpg", ".jpeg", ".png",
// in any case); the content is never used to guess the format. Files are read piece by piece
// with ordinary reads, so a file cut short by another program gives an error, never a crash.
class TPicture {
 public:
  explicit TPicture(const std::string& FileName);

  TPictureSize Size() const { return FDecoder->Size(); }
  void DrawWindow(std::int32_t Left, TRgbImage& Window) { FDecoder->DrawWindow(Left, Window); }

 private:
  std::unique_ptr<IPictureDecoder> FDecoder;
};

}  // namespace skyrelle::imaging
