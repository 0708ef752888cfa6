#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

// The program's icons as resources: MAINICON and the window's two lists of drawings, each
// rendered at the sizes the usual scalings need when the program is built.
namespace skyrelle::app::win32 {

struct TIconDeleter {
  void operator()(HICON AIcon) const noexcept { DestroyIcon(AIcon); }
};
using TIcon = std::unique_ptr<std::remove_pointer_t<HICON>, TIconDeleter>;

// The drawings' design sizes: 16 pixels (folder button, menu), 24 (buttons).
enum class TIconList { Size16 = 16, Size24 = 24 };

// The resource name of a drawing of a list: "L16_FOLDER_OPEN_FILLED" for "folder-open-filled".
std::wstring ListIconResource(TIconList AList, std::string_view AName);

// A drawing of the list at its design size scaled to ADpi. Raises when the program holds no
// such drawing.
TIcon LoadListIcon(TIconList AList, std::string_view AName, UINT ADpi);

// MAINICON, its image nearest to ASize pixels.
TIcon LoadMainIcon(int ASize);

}  // namespace skyrelle::app::win32
