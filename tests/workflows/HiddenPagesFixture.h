#pragma once
// A main window with the handlers of the search, registration and text pages
// installed, its vision client talking to the loopback stand-in.
#include <QLabel>
#include <QPainter>

#include "tests/workflows/WorkflowFixture.h"
#include "vision/Base64.h"
#include "workflows/HiddenPages.h"

namespace velmora::testing {

// The bytes of a small PNG picture of one colour with a mark, so that two
// colours give two different pictures.
inline Bytes pngPicture(QColor colour, int side = 48) {
  QImage image(side, side, QImage::Format_RGB32);
  image.fill(colour);
  QPainter(&image).drawEllipse(side / 4, side / 4, side / 2, side / 2);
  return asBytes(encodePng(image));
}

class HiddenPagesTest : public WorkflowTest {
 protected:
  void SetUp() override {
    WorkflowTest::SetUp();
    installHiddenPages(context);
    service.clearRequests();
  }

  static QString labelText(const QLabel* label) { return label->text(); }
};

}  // namespace velmora::testing
