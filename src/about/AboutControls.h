#pragma once

#include <QLabel>
#include <QSvgRenderer>
#include <QWidget>

#include "app/qt/DesignLayout.h"

namespace skyrelle::about {

using app::DesignText;
using app::Geometry;

// A label as wide as its text, of its designed height. A right-aligned one keeps the right
// edge of its designed place when its text changes. Reports a click of the left button.
class TLabel : public QLabel {
  Q_OBJECT

 public:
  // The design's name, place and text.
  explicit TLabel(QWidget* Parent, const app::TControlLayout& Design, bool RightAligned = false);

  void SetCaption(const QString& Caption);
  // Moves the label; its size stays.
  void SetLeft(int Left);

 signals:
  void clicked();

 protected:
  void mouseReleaseEvent(QMouseEvent* Event) override;
  void changeEvent(QEvent* Event) override;

 private:
  void AutoSize();
  bool FRightAligned;
};

// A vector picture stretched over the control. Reports a click of the left button.
class TPicture : public QWidget {
  Q_OBJECT

 public:
  TPicture(QWidget* Parent, const app::TControlLayout& Design, const QString& Drawing);

 signals:
  void clicked();

 protected:
  void paintEvent(QPaintEvent* Event) override;
  void mouseReleaseEvent(QMouseEvent* Event) override;

 private:
  QSvgRenderer FDrawing;
};

}  // namespace skyrelle::about
