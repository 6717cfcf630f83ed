#pragma once
// A picture box: holds the bytes of an encoded image file and shows the
// picture decoded, scaled to fit with its proportions kept. Reading gives the
// bytes back exactly as set (bytes that do not decode are kept and show
// nothing), empty when the box holds no picture.
#include <QLabel>
#include <QPixmap>

#include "text/Text.h"

namespace velmora {

class PictureBox : public QLabel {
  Q_OBJECT
 public:
  explicit PictureBox(QWidget* parent = nullptr);

  void setPicture(const Bytes& encoded);
  const Bytes& picture() const { return encoded_; }
  bool hasPicture() const { return !encoded_.empty(); }
  // True when the bytes held decode as a picture.
  bool isShowingPicture() const;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void showScaled();
  // Decodes the bytes on first need: a box that is never shown (a page
  // without a tab) never pays for decoding.
  void decode() const;

  Bytes encoded_;
  mutable QPixmap decoded_;
  mutable bool stale_ = false;
};

}  // namespace velmora
