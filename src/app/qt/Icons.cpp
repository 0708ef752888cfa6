#include "app/qt/Icons.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QIconEngine>
#include <QPainter>
#include <algorithm>
#include <vector>

namespace skyrelle::app {
namespace {

constexpr int LargestListedSize = 256;

// MAINICON's renderings, each read from the resources only while a size is being drawn: the
// program idles in the tray for hours, and keeping all of them decoded would cost megabytes.
class TRenderingsIconEngine : public QIconEngine {
 public:
  explicit TRenderingsIconEngine(std::vector<int> ASizes) : FSizes(std::move(ASizes)) {}

  QPixmap pixmap(const QSize& ASize, QIcon::Mode, QIcon::State) override {
    const QPixmap rendering(QStringLiteral(":/mainicon/%1.png").arg(RenderingFor(ASize)));
    if (rendering.width() <= ASize.width() && rendering.height() <= ASize.height())
      return rendering;
    return rendering.scaled(ASize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  }

  void paint(QPainter* APainter, const QRect& ARect, QIcon::Mode AMode,
             QIcon::State AState) override {
    const qreal ratio = APainter->device()->devicePixelRatio();
    APainter->drawPixmap(ARect, pixmap(ARect.size() * ratio, AMode, AState));
  }

  QSize actualSize(const QSize& ASize, QIcon::Mode, QIcon::State) override {
    const int side = std::min({RenderingFor(ASize), ASize.width(), ASize.height()});
    return {side, side};
  }

  // The X11 window and tray icons are sent in every size listed here and kept; past 256
  // pixels no desktop shows them, and the larger renderings would hold megabytes. Asked for
  // by size, the larger ones are still drawn.
  QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
    QList<QSize> sizes;
    for (int side : FSizes)
      if (side <= LargestListedSize) sizes.append(QSize(side, side));
    return sizes;
  }

  QIconEngine* clone() const override { return new TRenderingsIconEngine(FSizes); }

 private:
  // The smallest rendering that fills the size, else the largest there is.
  int RenderingFor(const QSize& ASize) const {
    const int wanted = std::max(ASize.width(), ASize.height());
    const auto fits =
        std::find_if(FSizes.begin(), FSizes.end(), [wanted](int ASide) { return ASide >= wanted; });
    return fits != FSizes.end() ? *fits : FSizes.back();
  }

  std::vector<int> FSizes;  // ascending
};

}  // namespace

// A drawing made for 16 pixels serves the 24 list as well unless that list has its own.
QIcon ListIcon(TIconList List, const QString& Name) {
  const QString own = QStringLiteral(":/icons/24/%1.svg").arg(Name);
  if (List == TIconList::Size24 && QFile::exists(own)) return QIcon(own);
  return QIcon(QStringLiteral(":/icons/16/%1.svg").arg(Name));
}

QIcon MainIcon() {
  std::vector<int> sizes;
  for (QDirIterator rendering(QStringLiteral(":/mainicon"), {QStringLiteral("*.png")});
       rendering.hasNext();)
    sizes.push_back(QFileInfo(rendering.next()).baseName().toInt());
  std::sort(sizes.begin(), sizes.end());
  if (sizes.empty()) return {};
  return QIcon(new TRenderingsIconEngine(std::move(sizes)));
}

}  // namespace skyrelle::app
