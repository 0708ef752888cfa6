// Build-time tool: renders an SVG drawing into square PNG files, one per size.
// Usage: skyrelle_render_icon <drawing.svg> <output folder> <size>...
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char* argv[]) {
  if (argc < 4) {
    std::fputs("usage: skyrelle_render_icon <drawing.svg> <output folder> <size>...\n", stderr);
    return 2;
  }
  QSvgRenderer drawing(QString::fromLocal8Bit(argv[1]));
  if (!drawing.isValid()) {
    std::fprintf(stderr, "skyrelle_render_icon: %s is not a drawing\n", argv[1]);
    return 1;
  }
  const QDir folder(QString::fromLocal8Bit(argv[2]));
  if (!folder.mkpath(QStringLiteral("."))) return 1;
  for (int i = 3; i < argc; ++i) {
    const int size = QByteArray(argv[i]).toInt();
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    drawing.render(&painter);
    painter.end();
    if (size <= 0 || !image.save(folder.filePath(QStringLiteral("%1.png").arg(size)))) {
      std::fprintf(stderr, "skyrelle_render_icon: cannot write size %s\n", argv[i]);
      return 1;
    }
  }
  return 0;
}
