#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "platform/windows/app/WindowKit.h"

// The main window's two lists of drawings as resources of the program, each rendered at the
// sizes the usual scalings need when the program is built.
namespace skyrelle::app::win32 {

// The drawings' design sizes: 16 pixels (folder button, menu), 24 (buttons).
enum class TIconList { Size16 = 16, Size24 = 24 };

// The resource name of a drawing of a list: "L16_FOLDER_OPEN_FILLED" for "folder-open-filled".
std::wstring ListIconResource(TIconList AList, std::string_view AName);

// A drawing of the list at its design size scaled to ADpi. Raises when the program holds no
// such drawing.
TIcon LoadListIcon(TIconList AList, std::string_view AName, UINT ADpi);

}  // namespace skyrelle::app::win32
