#include "imaging/BitmapWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "imaging/ImageError.h"

namespace skyrelle::imaging {

namespace {

constexpr std::uint32_t HeadersSize = 14 + 40;
// 96 dots per inch, the desktop's own resolution.
constexpr std::uint32_t PixelsPerMetre = 3780;

void Put16(std::uint8_t* At, std::uint16_t Value) {
  At[0] = static_cast<std::uint8_t>(Value);
  At[1] = static_cast<std::uint8_t>(Value >> 8);
}

void Put32(std::uint8_t* At, std::uint32_t Value) {
  Put16(At, static_cast<std::uint16_t>(Value));
  Put16(At + 2, static_cast<std::uint16_t>(Value >> 16));
}

[[noreturn]] void ThrowWriteError(const std::string& FileName, int Error) {
  throw EImageError("Cannot write the bitmap \"" + FileName + "\": " + std::strerror(Error));
}

// Closes and removes the temporary file unless it was handed over by a rename.
class TTemporaryFile {
 public:
  explicit TTemporaryFile(const std::string& Target) : FName(Target + ".XXXXXX") {
    FDescriptor = ::mkstemp(FName.data());
    if (FDescriptor < 0) ThrowWriteError(Target, errno);
  }
  ~TTemporaryFile() {
    if (FDescriptor >= 0) ::close(FDescriptor);
    if (!FRenamed) ::unlink(FName.c_str());
  }
  TTemporaryFile(const TTemporaryFile&) = delete;
  TTemporaryFile& operator=(const TTemporaryFile&) = delete;

  // Returns 0 or the errno of the first failing step.
  int WriteAll(const std::vector<std::uint8_t>& Data) {
    const std::uint8_t* Next = Data.data();
    std::size_t Left = Data.size();
    while (Left > 0) {
      const ssize_t Written = ::write(FDescriptor, Next, Left);
      if (Written < 0) {
        if (errno == EINTR) continue;
        return errno;
      }
      Next += Written;
      Left -= static_cast<std::size_t>(Written);
    }
    if (::fchmod(FDescriptor, 0644) != 0 || ::fsync(FDescriptor) != 0) return errno;
    const int Descriptor = FDescriptor;
    FDescriptor = -1;
    return ::close(Descriptor) == 0 ? 0 : errno;
  }

  int RenameTo(const std::string& Target) {
    if (::rename(FName.c_str(), Target.c_str()) != 0) return errno;
    FRenamed = true;
    return 0;
  }

 private:
  std::string FName;
  int FDescriptor = -1;
  bool FRenamed = false;
};

}  // namespace

std::vector<std::uint8_t> EncodeBitmap(const TRgbImage& Image) {
  const auto Width = static_cast<std::uint64_t>(Image.Width());
  const auto Height = static_cast<std::uint64_t>(Image.Height());
  const std::uint64_t Stride = (Width * 3 + 3) / 4 * 4;
  const std::uint64_t PixelBytes = Stride * Height;
  if (HeadersSize + PixelBytes > std::numeric_limits<std::uint32_t>::max()) {
    throw EImageError("Image too large for a bitmap file");
  }
  std::vector<std::uint8_t> File(HeadersSize + PixelBytes, 0);
  std::uint8_t* Header = File.data();
  Header[0] = 'B';
  Header[1] = 'M';
  Put32(Header + 2, static_cast<std::uint32_t>(File.size()));
  Put32(Header + 10, HeadersSize);
  Put32(Header + 14, 40);
  Put32(Header + 18, static_cast<std::uint32_t>(Width));
  Put32(Header + 22, static_cast<std::uint32_t>(Height));
  Put16(Header + 26, 1);
  Put16(Header + 28, 24);
  Put32(Header + 34, static_cast<std::uint32_t>(PixelBytes));
  Put32(Header + 38, PixelsPerMetre);
  Put32(Header + 42, PixelsPerMetre);

  std::uint8_t* Out = File.data() + HeadersSize;
  for (std::int32_t Y = Image.Height() - 1; Y >= 0; --Y, Out += Stride) {
    const std::uint8_t* In = Image.Row(Y);
    for (std::uint64_t X = 0; X < Width; ++X, In += 3) {
      Out[X * 3] = In[2];
      Out[X * 3 + 1] = In[1];
      Out[X * 3 + 2] = In[0];
    }
  }
  return File;
}

void WriteBitmap(const TRgbImage& Image, const std::string& FileName) {
  const std::vector<std::uint8_t> File = EncodeBitmap(Image);
  TTemporaryFile Temporary(FileName);
  if (const int Error = Temporary.WriteAll(File)) ThrowWriteError(FileName, Error);
  if (const int Error = Temporary.RenameTo(FileName)) ThrowWriteError(FileName, Error);
}

}  // namespace skyrelle::imaging
