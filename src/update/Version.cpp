#include "update/Version.h"

#include <cstdio>
#include <limits>

#include "update/Trim.h"

namespace skyrelle::update {
namespace {

std::int32_t Int32OrZero(std::string_view Text) {
  std::int32_t value = 0;
  return TryParseInt32(Text, value) ? value : 0;
}

// The piece before the next "." is consumed with the "."; without one the rest stays.
std::uint16_t TakeNoticeNumber(std::string_view& Rest) {
  const std::size_t dot = Rest.find('.');
  if (dot == std::string_view::npos) return 0;
  const auto number = static_cast<std::uint16_t>(Int32OrZero(Rest.substr(0, dot)));
  Rest.remove_prefix(dot + 1);
  return number;
}

}  // namespace

bool TryParseInt32(std::string_view Text, std::int32_t& Value) {
  bool negative = false;
  if (!Text.empty() && (Text.front() == '+' || Text.front() == '-')) {
    negative = Text.front() == '-';
    Text.remove_prefix(1);
  }
  if (Text.empty()) return false;
  // Accumulated as a negative number, whose range holds the lowest 32-bit value.
  std::int64_t magnitude = 0;
  for (const char c : Text) {
    if (c < '0' || c > '9') return false;
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1) return false;
  }
  if (!negative && magnitude > std::numeric_limits<std::int32_t>::max()) return false;
  Value = static_cast<std::int32_t>(negative ? -magnitude : magnitude);
  return true;
}

std::string FormatVersion(const TFileVersion& Version) {
  char text[32];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", unsigned{Version.Major}, unsigned{Version.Minor},
                unsigned{Version.Release}, unsigned{Version.Build});
  return text;
}

TVersion ParseVersion(std::string_view Text) {
  std::int32_t numbers[4] = {};
  for (std::int32_t& number : numbers) {
    const std::size_t dot = Text.find('.');
    number = Int32OrZero(Trim(Text.substr(0, dot)));
    if (dot == std::string_view::npos) break;
    Text.remove_prefix(dot + 1);
  }
  return {numbers[0], numbers[1], numbers[2], numbers[3]};
}

bool IsNewerVersion(std::string_view Candidate, std::string_view Current) {
  return ParseVersion(Candidate) > ParseVersion(Current);
}

TFileVersion ParseNoticeVersion(std::string_view Text) {
  TFileVersion version;
  version.Major = TakeNoticeNumber(Text);
  version.Minor = TakeNoticeNumber(Text);
  version.Release = TakeNoticeNumber(Text);
  version.Build = static_cast<std::uint16_t>(Int32OrZero(Text));
  return version;
}

std::string ReleaseNotesWithLineBreaks(std::string_view Text) {
  std::string lines;
  lines.reserve(Text.size());
  for (std::size_t i = 0; i < Text.size(); ++i) {
    if (Text[i] == '\\' && i + 1 < Text.size() && (Text[i + 1] == 'n' || Text[i + 1] == 'N')) {
      lines += '\n';
      ++i;
    } else {
      lines += Text[i];
    }
  }
  return lines;
}

}  // namespace skyrelle::update
