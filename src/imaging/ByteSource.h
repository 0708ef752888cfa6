#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "platform/FileSystem.h"

namespace skyrelle::imaging {

// Random-access reads of a picture's bytes. Reading only what is needed keeps memory bounded by
// the window, whatever the file's size.
class IByteSource {
 public:
  virtual ~IByteSource() = default;

  virtual std::uint64_t Size() const = 0;

  // Copies Count bytes from Offset to Out; false when they cannot all be read. Never throws, so
  // it may be called from inside a C library's callback.
  virtual bool ReadAt(std::uint64_t Offset, std::uint8_t* Out, std::size_t Count) noexcept = 0;
};

// Bytes already in memory; they must outlive the source.
class TMemorySource : public IByteSource {
 public:
  explicit TMemorySource(std::span<const std::uint8_t> Data) : FData(Data) {}

  std::uint64_t Size() const override { return FData.size(); }
  bool ReadAt(std::uint64_t Offset, std::uint8_t* Out, std::size_t Count) noexcept override;

 private:
  std::span<const std::uint8_t> FData;
};

// A regular file, read with positioned reads.
class TFileSource : public IByteSource {
 public:
  // Raises a picture error naming the file when it cannot be opened or is not a regular file.
  explicit TFileSource(const std::string& FileName);

  std::uint64_t Size() const override { return FFile.Size(); }
  bool ReadAt(std::uint64_t Offset, std::uint8_t* Out, std::size_t Count) noexcept override {
    return FFile.ReadAt(Offset, Out, Count);
  }

 private:
  platform::TInputFile FFile;
};

}  // namespace skyrelle::imaging
