#include "imaging/Picture.h"

#include "imaging/BmpDecoder.h"
#include "imaging/ByteSource.h"
#include "imaging/ImageError.h"
#include "imaging/JpegDecoder.h"
#include "imaging/PngDecoder.h"

namespace skyrelle::imaging {

namespace {

// From the name's last "." on, so ".png" alone is a PNG; only A to Z are lowered, as the folder
// scan does.
std::string LowerAsciiExtension(const std::string& FileName) {
  const std::size_t NameStart = FileName.find_last_of('/') + 1;
  const std::size_t Dot = FileName.find_last_of('.');
  std::string Extension =
      Dot == std::string::npos || Dot < NameStart ? std::string() : FileName.substr(Dot);
  for (char& C : Extension) {
    if (C >= 'A' && C <= 'Z') C = static_cast<char>(C - 'A' + 'a');
  }
  return Extension;
}

}  // namespace

TPicture::TPicture(const std::string& FileName) {
  const std::string Extension = LowerAsciiExtension(FileName);
  if (Extension == ".bmp") {
    FDecoder = std::make_unique<TBmpDecoder>(FileName, std::make_unique<TFileSource>(FileName));
  } else if (Extension == ".png") {
    FDecoder = std::make_unique<TPngDecoder>(FileName, std::make_unique<TFileSource>(FileName));
  } else if (Extension == ".jpg" || Extension == ".jpeg") {
    FDecoder = std::make_unique<TJpegDecoder>(FileName, std::make_unique<TFileSource>(FileName));
  } else {
    ThrowPictureError(FileName, "unsupported picture type \"" + Extension + "\"");
  }
}

}  // namespace skyrelle::imaging
