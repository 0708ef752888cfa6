#include "app/qt/QtScreen.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>
#include <stdexcept>

namespace skyrelle::app {

platform::TScreenSize TQtScreen::PrimaryScreenSize() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) throw std::runtime_error("No screen is connected");
  const double ratio = screen->devicePixelRatio();
  const QSize size = screen->geometry().size();
  return {static_cast<int>(std::lround(size.width() * ratio)),
          static_cast<int>(std::lround(size.height() * ratio))};
}

}  // namespace skyrelle::app
