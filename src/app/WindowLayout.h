#pragma once

#include <string_view>

// What a window's design says of its controls, for every toolkit that draws it.
namespace skyrelle::app {

// A rectangle of a window's client area, in pixels at 96 dots per inch; the views scale it
// with the monitor's DPI.
struct TLayoutRect {
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
  bool operator==(const TLayoutRect&) const = default;
};

struct TControlLayout {
  std::string_view Name;
  TLayoutRect Bounds;  // a label's width is that of its text, and the views measure it
  std::string_view Text;
  std::string_view Icon;  // a name of the icon lists; empty: none
};

}  // namespace skyrelle::app
