#pragma once

#include <string>
#include <string_view>

namespace skyrelle::app {

// The program file's name without its folder, cut at its first ".", every character after
// the first in lower case by the user's locale: "/opt/skyrelle/SKYRELLE.bin" gives "Skyrelle".
// It captions the error box, is the tray icon's tooltip and heads the About window.
std::string ApplicationTitle(std::string_view ProgramPath);

}  // namespace skyrelle::app
