#pragma once

#include <string>

namespace skyrelle::platform {

// The user's locale for sorting texts, as language and region ("de_DE"); empty for the C
// locale or when none is set, which sort by the root collation.
std::string CollationLocale();

}  // namespace skyrelle::platform
