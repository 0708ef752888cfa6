#include "core/Text.h"

#include <optional>

#include "platform/Collation.h"

namespace skyrelle::core {
namespace {

constexpr char32_t Replacement = 0xFFFD;

constexpr char16_t EscapeBase = 0xDC00;

// Decodes one code point at Pos and advances it; nothing for a malformed sequence, which Pos
// is then moved past (at least its first byte).
std::optional<char32_t> NextCodePoint(std::string_view Text, std::size_t& Pos) {
  const auto lead = static_cast<unsigned char>(Text[Pos++]);
  if (lead < 0x80) return lead;
  int extra = 0;
  char32_t value = 0;
  char32_t minimum = 0;
  if ((lead & 0xE0) == 0xC0) {
    extra = 1, value = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2, value = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3, value = lead & 0x07, minimum = 0x10000;
  } else {
    return std::nullopt;
  }
  for (int i = 0; i < extra; ++i) {
    if (Pos >= Text.size()) return std::nullopt;
    const auto next = static_cast<unsigned char>(Text[Pos]);
    if ((next & 0xC0) != 0x80) return std::nullopt;
    value = (value << 6) | (next & 0x3F);
    ++Pos;
  }
  if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
    return std::nullopt;
  return value;
}

// The code point at Pos, or the byte at Pos escaped as a lone surrogate U+DC80 .. U+DCFF when
// no valid sequence starts there; Pos is advanced past what was taken.
char32_t NextCodePointOrEscape(std::string_view Text, std::size_t& Pos) {
  const std::size_t start = Pos;
  if (const std::optional<char32_t> code = NextCodePoint(Text, Pos)) return *code;
  Pos = start + 1;
  return EscapeBase + static_cast<unsigned char>(Text[start]);
}

bool IsEscapedByte(char16_t Unit) { return Unit >= EscapeBase + 0x80 && Unit <= EscapeBase + 0xFF; }

void AppendUtf16(std::u16string& Out, char32_t Code) {
  if (Code >= 0x10000) {
    Out += static_cast<char16_t>(0xD800 + ((Code - 0x10000) >> 10));
    Out += static_cast<char16_t>(0xDC00 + ((Code - 0x10000) & 0x3FF));
  } else {
    Out += static_cast<char16_t>(Code);
  }
}

void AppendUtf8(std::string& Out, char32_t Code) {
  if (Code < 0x80) {
    Out += static_cast<char>(Code);
  } else if (Code < 0x800) {
    Out += static_cast<char>(0xC0 | (Code >> 6));
    Out += static_cast<char>(0x80 | (Code & 0x3F));
  } else if (Code < 0x10000) {
    Out += static_cast<char>(0xE0 | (Code >> 12));
    Out += static_cast<char>(0x80 | ((Code >> 6) & 0x3F));
    Out += static_cast<char>(0x80 | (Code & 0x3F));
  } else {
    Out += static_cast<char>(0xF0 | (Code >> 18));
    Out += static_cast<char>(0x80 | ((Code >> 12) & 0x3F));
    Out += static_cast<char>(0x80 | ((Code >> 6) & 0x3F));
    Out += static_cast<char>(0x80 | (Code & 0x3F));
  }
}

// Each unit is taken alone or with the low surrogate that completes its pair; Lone appends
// what a lone surrogate becomes.
template <typename TLone>
std::string Utf16ToUtf8With(std::u16string_view Text, TLone Lone) {
  std::string out;
  out.reserve(Text.size());
  for (std::size_t i = 0; i < Text.size(); ++i) {
    const char16_t unit = Text[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < Text.size() && Text[i + 1] >= 0xDC00 &&
        Text[i + 1] <= 0xDFFF) {
      AppendUtf8(out, 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (Text[i + 1] - 0xDC00));
      ++i;
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      Lone(out, unit);
    } else {
      AppendUtf8(out, unit);
    }
  }
  return out;
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view Text) {
  std::u16string out;
  out.reserve(Text.size());
  for (std::size_t pos = 0; pos < Text.size();)
    AppendUtf16(out, NextCodePoint(Text, pos).value_or(Replacement));
  return out;
}

std::string Utf16ToUtf8(std::u16string_view Text) {
  return Utf16ToUtf8With(Text, [](std::string& Out, char16_t) { AppendUtf8(Out, Replacement); });
}

std::u16string BytesToUtf16(std::string_view Bytes) {
  std::u16string out;
  out.reserve(Bytes.size());
  for (std::size_t pos = 0; pos < Bytes.size();)
    AppendUtf16(out, NextCodePointOrEscape(Bytes, pos));
  return out;
}

std::string Utf16ToBytes(std::u16string_view Text) {
  return Utf16ToUtf8With(Text, [](std::string& Out, char16_t Unit) {
    if (IsEscapedByte(Unit)) {
      Out += static_cast<char>(Unit - EscapeBase);
    } else {
      AppendUtf8(Out, Replacement);
    }
  });
}

bool HasUndecodableBytes(std::string_view Bytes) {
  for (std::size_t pos = 0; pos < Bytes.size();)
    if (!NextCodePoint(Bytes, pos)) return true;
  return false;
}

std::size_t Utf16Length(std::string_view Text) {
  std::size_t length = 0;
  for (std::size_t pos = 0; pos < Text.size();)
    length += NextCodePointOrEscape(Text, pos) >= 0x10000 ? 2 : 1;
  return length;
}

std::string AsciiLowerCase(std::string_view Text) {
  std::string out(Text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

// Undecodable bytes stay themselves, so two such names never meet; the decodable runs between
// them fold as the system folds.
std::string FoldCase(std::string_view Text) {
  std::string out;
  out.reserve(Text.size());
  std::size_t run = 0;
  for (std::size_t pos = 0; pos < Text.size();) {
    const std::size_t start = pos;
    if (NextCodePoint(Text, pos)) continue;
    out += platform::FoldTextCase(Text.substr(run, start - run));
    out += Text[start];
    pos = run = start + 1;
  }
  out += platform::FoldTextCase(Text.substr(run));
  return out;
}

int CompareText(std::string_view Left, std::string_view Right) {
  const int result = platform::CompareTextByLocale(Left, Right);
  // The collation takes every undecodable byte for U+FFFD; names that differ only there are
  // different files.
  if (result == 0 && (HasUndecodableBytes(Left) || HasUndecodableBytes(Right)))
    return FoldCase(Left).compare(FoldCase(Right));
  return result;
}

}  // namespace skyrelle::core
