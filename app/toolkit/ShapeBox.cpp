#include "app/toolkit/ShapeBox.h"

#include <QPainter>

#include "app/toolkit/Colors.h"

namespace velmora {

ShapeBox::ShapeBox(QWidget* parent) : QWidget(parent), fill_(kWhite) {}

void ShapeBox::setFillColor(std::uint32_t colorref) {
  fill_ = colorref & 0xFFFFFF;
  update();
}

void ShapeBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setPen(Qt::black);
  painter.setBrush(colorFromColorref(fill_));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace velmora
