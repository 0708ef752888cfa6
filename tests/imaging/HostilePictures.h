#pragma once

#include <cstdint>
#include <string>

// Small files that claim far more work or memory than they hold, made in code for the tests and
// the benchmark. Each is written to FileName in a moment, however large the picture it claims.
namespace skyrelle::test_support {

// A 44-byte PNG (1 x 1 RGB) whose first chunk after the header, of type ChunkType ("tEXt",
// "zTXt", "iTXt", "sPLT"...), claims 0x7FFFFFFF bytes of data and holds three.
void WriteOversizedChunkPng(const std::string& FileName, const char* ChunkType);

// A PNG of Width x Height pixels, all zero, 8 or 16 bits of grey (colour type 0) or RGBA (6).
// Its data is one deflated row repeated, so it is about a thousandth of its pixels' size.
void WriteZeroPng(const std::string& FileName, std::uint32_t Width, std::uint32_t Height,
                  int BitDepth, int ColourType, bool Interlaced);

// A 1 x 1 black RGB PNG whose image data comes after Count empty image data chunks.
void WriteEmptyChunkPng(const std::string& FileName, std::uint32_t Count);

// A progressive greyscale JPEG of Width x Height mid-grey pixels: one DC scan, then AcScans copies
// of the same AC scan, each a few hundred bytes of end-of-band runs that the decoder must still
// apply to every block.
void WriteScanBombJpeg(const std::string& FileName, std::uint16_t Width, std::uint16_t Height,
                       int AcScans);

}  // namespace skyrelle::test_support
