#include "imaging/ByteSource.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "imaging/ImageError.h"

namespace skyrelle::imaging {

bool TMemorySource::ReadAt(std::uint64_t Offset, std::uint8_t* Out, std::size_t Count) noexcept {
  if (Offset > FData.size() || FData.size() - Offset < Count) return false;
  if (Count > 0) std::memcpy(Out, FData.data() + Offset, Count);
  return true;
}

int OpenPictureFile(const std::string& FileName, std::uint64_t& Size) {
  // Without O_NONBLOCK, opening a pipe would wait for a writer before the check below runs;
  // ordinary blocking reads are set back once the file is known to be regular.
  const int Descriptor = ::open(FileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (Descriptor < 0) ThrowPictureError(FileName, std::strerror(errno));
  struct stat Status {};
  const char* Problem = nullptr;
  if (::fstat(Descriptor, &Status) != 0) {
    Problem = std::strerror(errno);
  } else if (!S_ISREG(Status.st_mode)) {
    Problem = "not a regular file";
  } else if (::fcntl(Descriptor, F_SETFL, O_RDONLY) != 0) {
    Problem = std::strerror(errno);
  }
  if (Problem != nullptr) {
    ::close(Descriptor);
    ThrowPictureError(FileName, Problem);
  }
  Size = static_cast<std::uint64_t>(Status.st_size);
  return Descriptor;
}

TFileSource::TFileSource(const std::string& FileName) {
  FDescriptor = OpenPictureFile(FileName, FSize);
}

TFileSource::~TFileSource() { ::close(FDescriptor); }

bool TFileSource::ReadAt(std::uint64_t Offset, std::uint8_t* Out, std::size_t Count) noexcept {
  while (Count > 0) {
    const ssize_t Read = ::pread(FDescriptor, Out, Count, static_cast<off_t>(Offset));
    if (Read < 0 && errno == EINTR) continue;
    if (Read <= 0) return false;
    Out += Read;
    Offset += static_cast<std::uint64_t>(Read);
    Count -= static_cast<std::size_t>(Read);
  }
  return true;
}

}  // namespace skyrelle::imaging
