#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/RgbImage.h"

namespace skyrelle::imaging {

// The image as an uncompressed 24-bit bottom-up Windows bitmap file: 54-byte header, rows from
// bottom to top, each pixel blue, green, red, rows padded with zeros to a multiple of 4 bytes.
std::vector<std::uint8_t> EncodeBitmap(const TRgbImage& Image);

// Writes the bitmap whole: a temporary file beside FileName, then a rename over it, so a reader
// never sees half a file and a failure leaves the previous file as it was. FileName must be a
// regular file or a new one; a folder or a device is refused. Rows are streamed: the file is
// never held in memory.
void WriteBitmap(const TRgbImage& Image, const std::string& FileName);

// Raises the error WriteBitmap would give when FileName exists and is not a regular file.
void CheckBitmapTarget(const std::string& FileName);

}  // namespace skyrelle::imaging
