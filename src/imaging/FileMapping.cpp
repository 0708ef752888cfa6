#include "imaging/FileMapping.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "imaging/ImageError.h"

namespace skyrelle::imaging {

namespace {

class TDescriptor {
 public:
  explicit TDescriptor(int Value) : FValue(Value) {}
  ~TDescriptor() {
    if (FValue >= 0) ::close(FValue);
  }
  TDescriptor(const TDescriptor&) = delete;
  TDescriptor& operator=(const TDescriptor&) = delete;
  int Get() const { return FValue; }

 private:
  int FValue;
};

}  // namespace

TFileMapping::TFileMapping(const std::string& FileName) {
  TDescriptor File(::open(FileName.c_str(), O_RDONLY | O_CLOEXEC));
  if (File.Get() < 0) ThrowPictureError(FileName, std::strerror(errno));
  struct stat Status {};
  if (::fstat(File.Get(), &Status) != 0) ThrowPictureError(FileName, std::strerror(errno));
  if (!S_ISREG(Status.st_mode)) ThrowPictureError(FileName, "not a regular file");
  if (Status.st_size == 0) return;
  void* Data = ::mmap(nullptr, static_cast<std::size_t>(Status.st_size), PROT_READ, MAP_PRIVATE,
                      File.Get(), 0);
  if (Data == MAP_FAILED) ThrowPictureError(FileName, std::strerror(errno));
  FData = static_cast<const std::uint8_t*>(Data);
  FSize = static_cast<std::size_t>(Status.st_size);
}

TFileMapping::~TFileMapping() {
  if (FData != nullptr) ::munmap(const_cast<std::uint8_t*>(FData), FSize);
}

}  // namespace skyrelle::imaging
