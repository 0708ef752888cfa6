#pragma once

#include <QIcon>
#include <QString>

namespace skyrelle::app {

// The window's two lists of vector icons: drawn for 16 and for 24 pixels, both scaled with
// the screen's pixel ratio when they are painted.
enum class TIconList { Size16, Size24 };

QIcon ListIcon(TIconList List, const QString& Name);

// MAINICON: the program's icon, with a rendering for every size it is shown at.
QIcon MainIcon();

}  // namespace skyrelle::app
