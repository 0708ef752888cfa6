#pragma once

#include <QRect>
#include <QString>
#include <string_view>

#include "app/WindowLayout.h"

// A design's texts and rectangles as Qt takes them.
namespace skyrelle::app {

inline QString DesignText(std::string_view Text) {
  return QString::fromUtf8(Text.data(), static_cast<qsizetype>(Text.size()));
}

inline QRect Geometry(const TControlLayout& Design) {
  return {Design.Bounds.Left, Design.Bounds.Top, Design.Bounds.Width, Design.Bounds.Height};
}

}  // namespace skyrelle::app
