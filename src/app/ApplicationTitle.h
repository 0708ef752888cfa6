#pragma once

#include <QString>

namespace skyrelle::app {

// The program file's name without its folder, cut at its first ".", every character after
// the first in lower case: "/opt/skyrelle/SKYRELLE.bin" gives "Skyrelle".
QString ApplicationTitle(const QString& ProgramPath);

}  // namespace skyrelle::app
