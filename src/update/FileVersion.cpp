#include "update/FileVersion.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <functional>
#include <system_error>
#include <vector>

#include "platform/FileSystem.h"
#include "update/OSError.h"

namespace skyrelle::update {
namespace {

constexpr std::size_t MarkerSize = 16;
constexpr std::size_t RecordSize = 32;  // marker, four numbers, the numbers inverted
constexpr std::size_t ChunkSize = std::size_t{64} * 1024;
// The system's "no data available" (ENODATA), for a readable file without a record.
constexpr int NoRecord = static_cast<int>(std::errc::no_message_available);

// Held inverted and read back through volatile, so that the compiler cannot fold it into the
// marker itself: the only copy of the marker in a program file is then its own record.
const volatile unsigned char InvertedMarker[MarkerSize] = {22, 11, 189, 16,  210, 92,  171, 23,
                                                           35, 22, 189, 100, 17,  109, 87,  181};

std::array<char, MarkerSize> Marker() {
  std::array<char, MarkerSize> marker{};
  for (std::size_t i = 0; i < MarkerSize; ++i)
    marker[i] = static_cast<char>(static_cast<unsigned char>(~InvertedMarker[i]));
  return marker;
}

// Checks the inverted copy of the numbers and reads them; Record points at the marker.
bool TryReadRecord(const char* Record, TFileVersion& Version) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(Record) + MarkerSize;
  for (std::size_t i = 0; i < 8; ++i)
    if (bytes[8 + i] != static_cast<unsigned char>(~bytes[i])) return false;
  const auto number = [bytes](std::size_t Index) {
    return static_cast<std::uint16_t>(bytes[2 * Index] | (bytes[2 * Index + 1] << 8));
  };
  Version = {number(0), number(1), number(2), number(3)};
  return true;
}

// The first whole record in [Begin, End), Version filled; End when there is none.
template <typename TIterator>
TIterator FindRecord(TIterator Begin, TIterator End, TFileVersion& Version) {
  const std::array<char, MarkerSize> marker = Marker();
  const std::boyer_moore_horspool_searcher searcher(marker.begin(), marker.end());
  for (auto hit = std::search(Begin, End, searcher);
       hit != End && static_cast<std::size_t>(End - hit) >= RecordSize;
       hit = std::search(hit + 1, End, searcher)) {
    if (TryReadRecord(&*hit, Version)) return hit;
  }
  return End;
}

// Scans the file chunk by chunk, keeping the tail of each chunk for a record that straddles
// two. Returns 0 with Version filled, or the error code.
int FindVersionRecord(const std::string& FileName, TFileVersion& Version) {
  try {
    platform::TInputFile file(FileName);
    std::vector<char> buffer(RecordSize - 1 + ChunkSize);
    std::size_t kept = 0;
    for (;;) {
      const std::size_t got = file.Read(buffer.data() + kept, ChunkSize);
      if (got == 0) return NoRecord;
      const std::size_t filled = kept + got;
      const auto end = buffer.begin() + static_cast<std::ptrdiff_t>(filled);
      if (FindRecord(buffer.begin(), end, Version) != end) return 0;
      kept = std::min(filled, RecordSize - 1);
      std::memmove(buffer.data(), buffer.data() + filled - kept, kept);
    }
  } catch (const platform::EFileError& error) {
    return error.Code();
  }
}

void WriteRecordNumbers(char* Record, const TFileVersion& Version) {
  auto* bytes = reinterpret_cast<unsigned char*>(Record) + MarkerSize;
  const std::uint16_t numbers[] = {Version.Major, Version.Minor, Version.Release, Version.Build};
  for (std::size_t i = 0; i < 4; ++i) {
    bytes[2 * i] = static_cast<unsigned char>(numbers[i] & 0xFF);
    bytes[2 * i + 1] = static_cast<unsigned char>(numbers[i] >> 8);
  }
  for (std::size_t i = 0; i < 8; ++i) bytes[8 + i] = static_cast<unsigned char>(~bytes[i]);
}

}  // namespace

std::string GetFileVersionText(const std::string& FileName) {
  TFileVersion version;
  return FindVersionRecord(FileName, version) == 0 ? FormatVersion(version) : std::string();
}

TFileVersion ReadFileVersion(const std::string& FileName) {
  TFileVersion version;
  if (const int error = FindVersionRecord(FileName, version); error != 0) throw EOSError(error);
  return version;
}

bool StampVersionRecord(std::string& ProgramBytes, const TFileVersion& Version) {
  TFileVersion old;
  const auto record = FindRecord(ProgramBytes.begin(), ProgramBytes.end(), old);
  if (record == ProgramBytes.end()) return false;
  WriteRecordNumbers(&*record, Version);
  return true;
}

}  // namespace skyrelle::update
