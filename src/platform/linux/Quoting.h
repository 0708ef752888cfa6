#pragma once

#include <string>
#include <string_view>

namespace skyrelle::platform {

// The texts other programs parse: each keeps any file name intact through that parser.

// "file://" and the absolute path, every byte outside A-Z a-z 0-9 - . _ ~ / percent-encoded.
std::string FileUri(std::string_view AbsolutePath);

// A GVariant text-format string ('...'), as gsettings reads its value argument.
std::string GVariantString(std::string_view Text);

// A JavaScript string literal ("..."); everything but letters, digits and / : . _ ~ % -
// becomes a \uXXXX escape, so the script stays plain ASCII whatever the text holds.
std::string JavaScriptString(std::string_view Utf8Text);

// A TOML basic string ("...").
std::string TomlString(std::string_view Text);

}  // namespace skyrelle::platform
