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
  const std::size_t nameStart = FileName.find_last_of('/') + 1;
  const std::size_t dot = FileName.find_last_of('.');
  std::string extension =
      dot == std::string::npos || dot < nameStart ? std::string() : FileName.substr(dot);
  for (char& c : extension) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return extension;
}

}  // namespace

TPicture::TPicture(const std::string& FileName) {
  const std::string extension = LowerAsciiExtension(FileName);
  if (extension == ".bmp") {
    FDecoder = std::make_unique<TBmpDecoder>(FileName, std::make_unique<TFileSource>(FileName));
  } else if (extension == ".png") {
    FDecoder = std::make_unique<TPngDecoder>(FileName, std::make_unique<TFileSource>(FileName));
  } else if (extension == ".jpg" || extension == ".jpeg") {
    FDecoder = std::make_unique<TJpegDecoder>(FileName, std::make_unique<TFileSource>(FileName));
  } else {
    ThrowPictureError(FileName, "unsupported picture type \"" + extension + "\"");
  }
}

}  // namespace skyrelle::imaging
