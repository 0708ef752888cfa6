#pragma once

#include <cstdint>

#include "imaging/RgbImage.h"

namespace skyrelle::imaging {

struct TPictureSize {
  std::int32_t Width = 0;
  std::int32_t Height = 0;
};

// One picture's decoder. The header is read when the decoder is made; pixels are decoded only
// for the window asked for, so memory follows the window's size, not the picture's.
class IPictureDecoder {
 public:
  virtual ~IPictureDecoder() = default;

  virtual TPictureSize Size() const = 0;

  // Draws the picture's columns Left .. Left + Window.Width() - 1 of its top Window.Height()
  // rows onto Window, at Window's column 0, as if the whole picture had been decoded onto white
  // and that rectangle copied. Window's pixels outside the picture are left as they are.
  // Called at most once per decoder.
  virtual void DrawWindow(std::int32_t Left, TRgbImage& Window) = 0;
};

// The part of a window that lies on the picture.
struct TWindowSpan {
  std::int32_t FirstColumn = 0;   // picture column of the first pixel drawn
  std::int32_t Columns = 0;       // 0 when the window misses the picture
  std::int32_t Rows = 0;          // picture rows drawn, from the top
  std::int32_t TargetColumn = 0;  // the window's column that receives FirstColumn

  bool Empty() const { return Columns == 0 || Rows == 0; }
};

TWindowSpan ClipWindow(TPictureSize Picture, std::int32_t Left, const TRgbImage& Window);

}  // namespace skyrelle::imaging
