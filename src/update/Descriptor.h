#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

namespace skyrelle::update {

// A descriptor is a few kilobytes; a larger text is not one and reads as empty.
constexpr std::size_t MaxDescriptorSize = std::size_t{1024} * 1024;

// The start-up check's reader of an update descriptor: UTF-8 INI text. Sections and keys
// compare without regard to case, the first occurrence of a section or a key wins, values
// are taken verbatim. Content never makes it fail: whatever it cannot use reads as the
// caller's default.
class TDescriptorReader {
 public:
  TDescriptorReader() = default;
  static TDescriptorReader FromText(std::string_view Bytes);
  // An unreadable or oversized file reads as an empty descriptor.
  static TDescriptorReader FromFile(const std::string& FileName);

  std::string ReadString(std::string_view Section, std::string_view Key,
                         std::string_view Default) const;
  // Decimal, or hexadecimal after "0x"; anything else gives Default.
  std::int32_t ReadInteger(std::string_view Section, std::string_view Key,
                           std::int32_t Default) const;

 private:
  friend class TAboutDescriptorReader;
  struct TEntry {
    std::string Value;
    bool HasValue = false;  // a line without "=" names a key that has no value
  };
  using TSection = std::unordered_map<std::string, TEntry>;

  // Text is valid UTF-8 without byte-order mark.
  static TDescriptorReader Parse(std::string_view Text);
  const TEntry* Find(std::string_view Section, std::string_view Key) const;

  std::unordered_map<std::string, TSection> FSections;  // by case-folded names
};

// The About window's reader of the same file. It takes UTF-8 or UTF-16 after a byte-order
// mark and the system's 8-bit text (UTF-8 here) otherwise, removes one pair of quotation
// marks that encloses a value and cuts values to 2,047 characters, as the profile-string
// reader it stands for does. It reads texts only.
class TAboutDescriptorReader {
 public:
  TAboutDescriptorReader() = default;
  static TAboutDescriptorReader FromText(std::string_view Bytes);
  static TAboutDescriptorReader FromFile(const std::string& FileName);

  std::string ReadString(std::string_view Section, std::string_view Key,
                         std::string_view Default) const;

 private:
  TDescriptorReader FEntries;
};

}  // namespace skyrelle::update
