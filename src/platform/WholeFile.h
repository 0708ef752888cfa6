#pragma once

#include <string>
#include <string_view>

namespace skyrelle::platform {

// Writes ABytes to AFileName whole: a temporary file beside it, flushed to the disk, given AMode
// (permission bits such as 0644) and renamed over AFileName, so that a reader, or the file
// after a power cut, holds the old content or the new one, never a part. Raises
// std::runtime_error naming the file; AFileName is then left as it was.
void WriteFileWhole(const std::string& AFileName, std::string_view ABytes, unsigned AMode);

}  // namespace skyrelle::platform
