#pragma once

#include <string>
#include <string_view>

namespace skyrelle::core {

// Texts are UTF-8 in memory; these convert at the edges that need UTF-16 (the settings
// store's value data). Malformed input becomes U+FFFD, never an error.
std::u16string Utf8ToUtf16(std::string_view Text);
std::string Utf16ToUtf8(std::u16string_view Text);

// The length the text would have in UTF-16 code units.
std::size_t Utf16Length(std::string_view Text);

// Letters A to Z become a to z; every other byte is left as it is.
std::string AsciiLowerCase(std::string_view Text);

// Simple Unicode case folding, code point by code point: texts that differ only in case fold
// to the same bytes (the settings store's key and value names compare this way).
std::string FoldCase(std::string_view Text);

// Case-insensitive comparison by the collation of the user's locale
// (platform::CollationLocale). Negative, zero or positive.
int CompareText(std::string_view Left, std::string_view Right);

}  // namespace skyrelle::core
