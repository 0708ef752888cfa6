#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

namespace skyrelle::analytics {

// A compact JSON writer for documents whose every byte is fixed: no whitespace, members in
// the order given, and strings escaped so that the document is plain ASCII.

// AText (UTF-8) as a JSON string: each UTF-16 code unit below U+0020 or above U+007F, the
// quotation mark and the backslash escaped, hexadecimal digits in upper case.
std::string JsonString(std::string_view AText);

// An object of the members in order; each value is already written JSON.
std::string JsonObject(std::initializer_list<std::pair<std::string_view, std::string>> AMembers);

// An array of the elements in order; each is already written JSON.
std::string JsonArray(std::initializer_list<std::string> AElements);

}  // namespace skyrelle::analytics
