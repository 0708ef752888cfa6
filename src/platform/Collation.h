#pragma once

#include <string>
#include <string_view>

namespace skyrelle::platform {

// Case-insensitive comparison of UTF-8 texts by the collation of the user's locale (Linux:
// ICU with the locale of LC_ALL, LC_COLLATE or LANG; Windows: CompareStringEx with the
// user's locale). Negative, zero or positive.
int CompareTextByLocale(std::string_view Left, std::string_view Right);

// The text with its case differences removed: texts that differ only in case give the same
// bytes, in lower case (Linux: simple Unicode case folding; Windows: the invariant locale's
// upper case, then its lower case). Malformed UTF-8 becomes U+FFFD.
std::string FoldTextCase(std::string_view Text);

// The text in lower case by the rules of the user's locale (Linux: ICU with the locale of
// LC_ALL, LC_CTYPE or LANG; Windows: LCMapStringEx with the user's locale). Malformed UTF-8
// becomes U+FFFD.
std::string LowerCaseByLocale(std::string_view Text);

}  // namespace skyrelle::platform
