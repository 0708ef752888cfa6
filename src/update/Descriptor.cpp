#include "update/Descriptor.h"

#include "core/Text.h"
#include "platform/FileSystem.h"
#include "update/Trim.h"
#include "update/Version.h"

namespace skyrelle::update {
namespace {

constexpr std::string_view Utf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view Utf16LeBom = "\xFF\xFE";
constexpr std::string_view Utf16BeBom = "\xFE\xFF";
// The profile-string reader's buffer holds 2,048 UTF-16 units, one of them the final NUL.
constexpr std::size_t MaxAboutValueUnits = 2047;

// Malformed sequences become U+FFFD, so every later step sees valid UTF-8.
std::string ValidUtf8(std::string_view Bytes) {
  return core::Utf16ToUtf8(core::Utf8ToUtf16(Bytes));
}

std::string Utf16ToValidUtf8(std::string_view Bytes, bool BigEndian) {
  std::u16string units(Bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    const auto first = static_cast<unsigned char>(Bytes[2 * i]);
    const auto second = static_cast<unsigned char>(Bytes[2 * i + 1]);
    units[i] = static_cast<char16_t>(BigEndian ? (first << 8) | second : (second << 8) | first);
  }
  return core::Utf16ToUtf8(units);
}

// Reads at most one byte more than a descriptor may hold, so that a larger file is told
// apart without being read whole.
std::string ReadHead(const std::string& FileName) {
  return platform::ReadFileHead(FileName, MaxDescriptorSize + 1).value_or("");
}

bool TryParseHex32(std::string_view Digits, std::int32_t& Value) {
  if (Digits.empty()) return false;
  std::uint64_t number = 0;
  for (const char c : Digits) {
    int digit = 0;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return false;
    }
    number = number * 16 + static_cast<std::uint64_t>(digit);
    if (number > 0xFFFFFFFFu) return false;
  }
  Value = static_cast<std::int32_t>(static_cast<std::uint32_t>(number));
  return true;
}

std::string_view WithoutEnclosingQuotes(std::string_view Value) {
  if (Value.size() >= 2 && (Value.front() == '"' || Value.front() == '\'') &&
      Value.back() == Value.front())
    return Value.substr(1, Value.size() - 2);
  return Value;
}

// Cuts valid UTF-8 after MaxUnits UTF-16 units, never inside a character.
std::string_view CutToUtf16Units(std::string_view Text, std::size_t MaxUnits) {
  std::size_t units = 0;
  std::size_t pos = 0;
  while (pos < Text.size()) {
    const auto lead = static_cast<unsigned char>(Text[pos]);
    const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    const std::size_t width = length == 4 ? 2 : 1;
    if (units + width > MaxUnits) break;
    units += width;
    pos += length;
  }
  return Text.substr(0, pos);
}

}  // namespace

TDescriptorReader TDescriptorReader::FromText(std::string_view Bytes) {
  if (Bytes.size() > MaxDescriptorSize) return {};
  if (Bytes.starts_with(Utf8Bom)) Bytes.remove_prefix(Utf8Bom.size());
  return Parse(ValidUtf8(Bytes));
}

TDescriptorReader TDescriptorReader::FromFile(const std::string& FileName) {
  return FromText(ReadHead(FileName));
}

TDescriptorReader TDescriptorReader::Parse(std::string_view Text) {
  TDescriptorReader reader;
  TSection* section = nullptr;  // null before the first section and inside a repeated one
  while (!Text.empty()) {
    const std::size_t end = Text.find_first_of("\r\n");
    const std::string_view line = Trim(Text.substr(0, end));
    if (end == std::string_view::npos) {
      Text = {};
    } else {
      Text.remove_prefix(Text.compare(end, 2, "\r\n") == 0 ? end + 2 : end + 1);
    }

    if (line.empty() || line.front() == ';') continue;
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      const auto [place, added] =
          reader.FSections.try_emplace(core::FoldCase(Trim(line.substr(1, line.size() - 2))));
      section = added ? &place->second : nullptr;
      continue;
    }
    if (section == nullptr) continue;
    const std::size_t equals = line.find('=');
    TEntry entry;
    if (equals != std::string_view::npos) {
      entry.Value = Trim(line.substr(equals + 1));
      entry.HasValue = true;
    }
    section->try_emplace(core::FoldCase(Trim(line.substr(0, equals))), std::move(entry));
  }
  return reader;
}

const TDescriptorReader::TEntry* TDescriptorReader::Find(std::string_view Section,
                                                         std::string_view Key) const {
  const auto section = FSections.find(core::FoldCase(Section));
  if (section == FSections.end()) return nullptr;
  const auto entry = section->second.find(core::FoldCase(Key));
  if (entry == section->second.end() || !entry->second.HasValue) return nullptr;
  return &entry->second;
}

std::string TDescriptorReader::ReadString(std::string_view Section, std::string_view Key,
                                          std::string_view Default) const {
  const TEntry* entry = Find(Section, Key);
  return std::string(entry != nullptr ? std::string_view(entry->Value) : Default);
}

std::int32_t TDescriptorReader::ReadInteger(std::string_view Section, std::string_view Key,
                                            std::int32_t Default) const {
  const TEntry* entry = Find(Section, Key);
  if (entry == nullptr) return Default;
  const std::string_view value = entry->Value;
  std::int32_t number = 0;
  const bool hexadecimal = value.size() > 2 && value[0] == '0' && (value[1] | 0x20) == 'x';
  const bool read =
      hexadecimal ? TryParseHex32(value.substr(2), number) : TryParseInt32(value, number);
  return read ? number : Default;
}

TAboutDescriptorReader TAboutDescriptorReader::FromText(std::string_view Bytes) {
  TAboutDescriptorReader reader;
  if (Bytes.size() > MaxDescriptorSize) return reader;
  std::string text;
  if (Bytes.starts_with(Utf8Bom)) {
    text = ValidUtf8(Bytes.substr(Utf8Bom.size()));
  } else if (Bytes.starts_with(Utf16LeBom) || Bytes.starts_with(Utf16BeBom)) {
    text = Utf16ToValidUtf8(Bytes.substr(2), Bytes.starts_with(Utf16BeBom));
  } else {
    text = ValidUtf8(Bytes);
  }
  reader.FEntries = TDescriptorReader::Parse(text);
  return reader;
}

TAboutDescriptorReader TAboutDescriptorReader::FromFile(const std::string& FileName) {
  return FromText(ReadHead(FileName));
}

std::string TAboutDescriptorReader::ReadString(std::string_view Section, std::string_view Key,
                                               std::string_view Default) const {
  const TDescriptorReader::TEntry* entry = FEntries.Find(Section, Key);
  if (entry == nullptr) return std::string(Default);
  return std::string(CutToUtf16Units(WithoutEnclosingQuotes(entry->Value), MaxAboutValueUnits));
}

}  // namespace skyrelle::update
