#include "platform/linux/Quoting.h"

#include <cstdio>

#include "core/Text.h"

namespace skyrelle::platform {
namespace {

bool IsAsciiAlphanumeric(unsigned Code) {
  return (Code >= 'A' && Code <= 'Z') || (Code >= 'a' && Code <= 'z') ||
         (Code >= '0' && Code <= '9');
}

std::string UnicodeEscape(unsigned Code) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "\\u%04X", Code & 0xFFFFu);
  return buffer;
}

// Backslash escapes shared by the GVariant and TOML forms.
std::string EscapedWithin(std::string_view Text, char Quote) {
  std::string out;
  for (const char c : Text) {
    const auto code = static_cast<unsigned char>(c);
    if (c == Quote || c == '\\') {
      out += '\\';
      out += c;
    } else if (code < 0x20 || code == 0x7F) {
      out += UnicodeEscape(code);
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

std::string FileUri(std::string_view AbsolutePath) {
  static constexpr char Hex[] = "0123456789ABCDEF";
  std::string uri = "file://";
  for (const char c : AbsolutePath) {
    const auto code = static_cast<unsigned char>(c);
    if (IsAsciiAlphanumeric(code) || c == '-' || c == '.' || c == '_' || c == '~' || c == '/') {
      uri += c;
    } else {
      uri += '%';
      uri += Hex[code >> 4];
      uri += Hex[code & 0x0F];
    }
  }
  return uri;
}

std::string GVariantString(std::string_view Text) { return "'" + EscapedWithin(Text, '\'') + "'"; }

std::string JavaScriptString(std::string_view Utf8Text) {
  std::string out = "\"";
  for (const char16_t unit : core::Utf8ToUtf16(Utf8Text)) {
    if (unit < 0x80 && (IsAsciiAlphanumeric(unit) || unit == '/' || unit == ':' || unit == '.' ||
                        unit == '_' || unit == '~' || unit == '%' || unit == '-'))
      out += static_cast<char>(unit);
    else
      out += UnicodeEscape(unit);
  }
  return out + "\"";
}

std::string TomlString(std::string_view Text) { return "\"" + EscapedWithin(Text, '"') + "\""; }

}  // namespace skyrelle::platform
