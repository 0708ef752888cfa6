#pragma once

#include <string>
#include <string_view>

namespace skyrelle::core {

// Texts are UTF-8 in memory; these convert at the edges that need UTF-16. Malformed input
// becomes U+FFFD, never an error: the result is valid, fit to show or send.
std::u16string Utf8ToUtf16(std::string_view Text);
std::string Utf16ToUtf8(std::u16string_view Text);

// File names are bytes, not always UTF-8 (a Latin-1 "caf\xE9.jpg"). These keep every byte: one
// that starts no valid sequence becomes a lone surrogate U+DC80 .. U+DCFF and back, so any
// name round-trips through the settings store. Other lone surrogates come back as U+FFFD.
std::u16string BytesToUtf16(std::string_view Bytes);
std::string Utf16ToBytes(std::u16string_view Text);

// True when some byte of the text starts no valid UTF-8 sequence.
bool HasUndecodableBytes(std::string_view Bytes);

// The length the text has in UTF-16 code units, as BytesToUtf16 gives it.
std::size_t Utf16Length(std::string_view Text);

// Letters A to Z become a to z; every other byte is left as it is.
std::string AsciiLowerCase(std::string_view Text);

// Texts that differ only in case fold to the same bytes (the settings store's key and value
// names compare this way); platform::FoldTextCase says how each system folds. Undecodable
// bytes are kept as they are.
std::string FoldCase(std::string_view Text);

// Case-insensitive comparison by the collation of the user's locale
// (platform::CompareTextByLocale). Negative, zero or positive. Texts with undecodable bytes are
// equal only when they fold to the same bytes.
int CompareText(std::string_view Left, std::string_view Right);

}  // namespace skyrelle::core
