#pragma once

#include <cstdint>
#include <string>

#include "imaging/PictureDecoder.h"

namespace skyrelle::engine {

// Left edge of section Index when sections may start anywhere from 0 to Range.
std::int32_t SectionOffset(std::int32_t Index, std::int32_t Range, std::int32_t StepsCount);

// Renders section Index of the picture: a CropWidth x CropHeight window onto white, written
// whole to OutputFile as a 24-bit bitmap. Raises on a picture that cannot be decoded or an
// output that cannot be written; OutputFile then keeps its previous content. Returns the
// picture's size.
imaging::TPictureSize RenderSection(const std::string& PictureFile, std::int32_t CropWidth,
                                    std::int32_t CropHeight, std::int32_t Index,
                                    std::int32_t StepsCount, const std::string& OutputFile);

}  // namespace skyrelle::engine
