#pragma once

#include <string>
#include <string_view>

namespace skyrelle::platform {

// Writes Bytes to FileName whole: a temporary file beside it, flushed to the disk, given Mode
// (permission bits such as 0644) and renamed over FileName, so that a reader, or the file
// after a power cut, holds the old content or the new one, never a part. Raises
// std::runtime_error naming the file; FileName is then left as it was.
void WriteFileWhole(const std::string& FileName, std::string_view Bytes, unsigned Mode);

}  // namespace skyrelle::platform
