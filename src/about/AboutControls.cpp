#include "about/AboutControls.h"

#include <QMouseEvent>
#include <QPainter>

namespace skyrelle::about {
namespace {

// A click is a press and a release of the left button over the control.
bool IsClick(const QWidget& Control, const QMouseEvent& Event) {
  return Event.button() == Qt::LeftButton && Control.rect().contains(Event.position().toPoint());
}

}  // namespace

TLabel::TLabel(QWidget* Parent, const app::TControlLayout& Design, bool RightAligned)
    : QLabel(Parent), FRightAligned(RightAligned) {
  setObjectName(DesignText(Design.Name));
  // Texts from outside (the program's file name) are shown as they are, never as markup.
  setTextFormat(Qt::PlainText);
  setAlignment((RightAligned ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignTop);
  setGeometry(Geometry(Design));
  SetCaption(DesignText(Design.Text));
}

void TLabel::SetCaption(const QString& Caption) {
  setText(Caption);
  AutoSize();
}

void TLabel::SetLeft(int Left) { move(Left, y()); }

void TLabel::AutoSize() {
  const int right = x() + width();
  const int newWidth = sizeHint().width();
  const int left = FRightAligned ? right - newWidth : x();
  setGeometry(left, y(), newWidth, height());
}

void TLabel::mouseReleaseEvent(QMouseEvent* Event) {
  QLabel::mouseReleaseEvent(Event);
  if (IsClick(*this, *Event)) emit clicked();
}

void TLabel::changeEvent(QEvent* Event) {
  QLabel::changeEvent(Event);
  if (Event->type() == QEvent::FontChange) AutoSize();
}

TPicture::TPicture(QWidget* Parent, const app::TControlLayout& Design, const QString& Drawing)
    : QWidget(Parent), FDrawing(Drawing) {
  setObjectName(DesignText(Design.Name));
  setGeometry(Geometry(Design));
  FDrawing.setAspectRatioMode(Qt::IgnoreAspectRatio);
}

void TPicture::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  FDrawing.render(&painter, QRectF(rect()));
}

void TPicture::mouseReleaseEvent(QMouseEvent* Event) {
  QWidget::mouseReleaseEvent(Event);
  if (IsClick(*this, *Event)) emit clicked();
}

}  // namespace skyrelle::about
