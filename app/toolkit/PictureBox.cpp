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
  stale_ = true;
  if (isVisible()) showScaled();
  else clear();
}

bool PictureBox::isShowingPicture() const {
  decode();
  return !decoded_.isNull();
}

void PictureBox::decode() const {
  if (!stale_) return;
  stale_ = false;
  if (!encoded_.empty()) decoded_.loadFromData(QByteArray::fromRawData(encoded_.data(), qsizetype(encoded_.size())));
}

void PictureBox::showEvent(QShowEvent* event) {
  QLabel::showEvent(event);
  showScaled();
}

void PictureBox::resizeEvent(QResizeEvent* event) {
  QLabel::resizeEvent(event);
  if (isVisible()) showScaled();
}

void PictureBox::showScaled() {
  decode();
  if (decoded_.isNull()) {
    clear();
    return;
  }
  setPixmap(decoded_.scaled(contentsRect().size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

}  // namespace velmora
