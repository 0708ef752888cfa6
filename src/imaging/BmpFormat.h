#pragma once

#include <cstddef>
#include <cstdint>

namespace skyrelle::imaging {

// Header sizes of the Windows bitmap format, for its decoder and its writer.
inline constexpr std::size_t BmpFileHeaderSize = 14;
inline constexpr std::uint32_t BmpCoreHeaderSize = 12;  // OS/2's
inline constexpr std::uint32_t BmpInfoHeaderSize = 40;  // the one the writer uses
// All that precedes the pixels in the files the writer makes.
inline constexpr std::uint32_t BmpWrittenHeadersSize = BmpFileHeaderSize + BmpInfoHeaderSize;
// The format counts a file's size in 32 bits.
inline constexpr std::uint64_t BmpMaxFileSize = 0xFFFFFFFF;

}  // namespace skyrelle::imaging
