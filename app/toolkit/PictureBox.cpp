#include "app/toolkit/PictureBox.h"

#include <QByteArray>

namespace velmora {

PictureBox::PictureBox(QWidget* parent) : QLabel(parent) {
  setAlignment(Qt::AlignCenter);
  setFrameShape(QFrame::StyledPanel);
  setMinimumSize(1, 1);
}

void PictureBox::setPicture(const Bytes& encoded) {
  encoded_ = encoded;
  decoded_ = QPixmap();
  if (!encoded_.empty()) {
    decoded_.loadFromData(QByteArray::fromRawData(encoded_.data(), qsizetype(encoded_.size())));
  }
  showScaled();
}

void PictureBox::resizeEvent(QResizeEvent* event) {
  QLabel::resizeEvent(event);
  showScaled();
}

void PictureBox::showScaled() {
  if (decoded_.isNull()) {
    clear();
    return;
  }
  setPixmap(decoded_.scaled(contentsRect().size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

}  // namespace velmora
