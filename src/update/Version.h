#pragma once

#include <compare>
#include <cstdint>
#include <string>
#include <string_view>

namespace skyrelle::update {

// A version as the start-up check reads it: four signed numbers, compared in order.
struct TVersion {
  std::int32_t Major = 0;
  std::int32_t Minor = 0;
  std::int32_t Release = 0;
  std::int32_t Build = 0;
  auto operator<=>(const TVersion&) const = default;
};

// The four 16-bit numbers of a program file, and of a version as the About window reads it.
// The defaulted ordering compares major, then minor, release and build: a notice version is
// newer than the file's exactly when it compares greater.
struct TFileVersion {
  std::uint16_t Major = 0;
  std::uint16_t Minor = 0;
  std::uint16_t Release = 0;
  std::uint16_t Build = 0;
  auto operator<=>(const TFileVersion&) const = default;
};

// "%d.%d.%d.%d"
std::string FormatVersion(const TFileVersion& Version);

// Splits at every "." (empty pieces count), reads the first four trimmed pieces as decimal
// numbers; missing and unreadable pieces are 0. "1..2" -> 1.0.2.0.
TVersion ParseVersion(std::string_view Text);

// True when Candidate is a greater version than Current; the empty text counts as 0.0.0.0.
bool IsNewerVersion(std::string_view Candidate, std::string_view Current);

// Reads major, minor and release up to the next "." each, and the whole rest into build;
// each number keeps the low 16 bits of its value. "2.1" -> 2.0.0.1.
TFileVersion ParseNoticeVersion(std::string_view Text);

// Release notes are one descriptor line: each "\n" or "\N" in it stands for a line feed.
std::string ReleaseNotesWithLineBreaks(std::string_view Text);

// A signed 32-bit decimal number: an optional sign and digits, nothing else. Untrimmed.
bool TryParseInt32(std::string_view Text, std::int32_t& Value);

}  // namespace skyrelle::update
