#include "imaging/FileMapping.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "imaging/ByteSource.h"
#include "imaging/ImageError.h"

namespace skyrelle::imaging {

TFileMapping::TFileMapping(const std::string& FileName) {
  std::uint64_t Size = 0;
  const int Descriptor = OpenPictureFile(FileName, Size);
  void* Data = Size == 0 ? nullptr
                         : ::mmap(nullptr, static_cast<std::size_t>(Size), PROT_READ, MAP_PRIVATE,
                                  Descriptor, 0);
  const int Error = errno;
  ::close(Descriptor);
  if (Data == MAP_FAILED) ThrowPictureError(FileName, std::strerror(Error));
  FData = static_cast<const std::uint8_t*>(Data);
  FSize = static_cast<std::size_t>(Size);
}

TFileMapping::~TFileMapping() {
  if (FData != nullptr) ::munmap(const_cast<std::uint8_t*>(FData), FSize);
}

}  // namespace skyrelle::imaging
