#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace skyrelle::imaging {

// A file mapped read-only into memory. Pages are loaded as they are touched, so reading a
// window of a large picture keeps only that part resident.
class TFileMapping {
 public:
  explicit TFileMapping(const std::string& FileName);
  ~TFileMapping();
  TFileMapping(const TFileMapping&) = delete;
  TFileMapping& operator=(const TFileMapping&) = delete;

  std::span<const std::uint8_t> Bytes() const { return {FData, FSize}; }

 private:
  const std::uint8_t* FData = nullptr;
  std::size_t FSize = 0;
};

}  // namespace skyrelle::imaging
