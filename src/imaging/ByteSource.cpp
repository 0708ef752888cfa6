#include "imaging/ByteSource.h"

#include <cstring>

#include "imaging/ImageError.h"

namespace skyrelle::imaging {

bool TMemorySource::ReadAt(std::uint64_t Offset, std::uint8_t* Out, std::size_t Count) noexcept {
  if (Offset > FData.size() || FData.size() - Offset < Count) return false;
  if (Count > 0) std::memcpy(Out, FData.data() + Offset, Count);
  return true;
}

namespace {

platform::TInputFile OpenPicture(const std::string& FileName) {
  try {
    return platform::TInputFile(FileName);
  } catch (const platform::EFileError& error) {
    ThrowPictureError(FileName, error.Reason());
  }
}

}  // namespace

TFileSource::TFileSource(const std::string& FileName) : FFile(OpenPicture(FileName)) {}

}  // namespace skyrelle::imaging
