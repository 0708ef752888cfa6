#pragma once

#include <cstdint>
#include <string>

namespace skyrelle::bench {

// Writes a wide landscape-like picture (sky gradient, hills, a sun, textured ground and grain),
// one row at a time so that pictures far larger than memory can be made.
void WriteLandscapeJpeg(const std::string& FileName, std::int32_t Width, std::int32_t Height);
void WriteLandscapePng(const std::string& FileName, std::int32_t Width, std::int32_t Height);

}  // namespace skyrelle::bench
