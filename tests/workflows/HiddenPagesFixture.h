#pragma once
// A main window with the handlers of the search, registration and text pages
// installed, over program-wide state whose vision client talks to the
// loopback stand-in of the service. Dialogs are answered by ScriptedPrompts.
#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <functional>
#include <memory>

#include <gtest/gtest.h>

#include "app/MainWindow.h"
#include "app/ProgramState.h"
#include "app/toolkit/EventLoop.h"
#include "json/JsonDocument.h"
#include "tests/support/ScriptedPrompts.h"
#include "text/Codepage.h"
#include "tools/standin/VisionStandIn.h"
#include "vision/Base64.h"
#include "vision/VisionClient.h"
#include "workflows/HiddenPages.h"
#include "workflows/WorkflowContext.h"

namespace velmora::testing {

using standin::Endpoint;
using standin::Reply;

// The bytes of a small PNG picture of one colour with a mark, so that two
// colours give two different pictures.
inline Bytes pngPicture(QColor colour, int side = 48) {
  QImage image(side, side, QImage::Format_RGB32);
  image.fill(colour);
  QPainter(&image).drawEllipse(side / 4, side / 4, side / 2, side / 2);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return Bytes(bytes.constData(), std::size_t(bytes.size()));
}

// Pumps events until done() holds; false when timeoutMs passed first.
inline bool waitUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > timeoutMs) return false;
    pumpEvents();
    QThread::msleep(1);
  }
  return true;
}

class HiddenPagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(service.start());
    state.visionClient = std::make_unique<VisionClient>([] { return ApiKeys{"key", "secret"}; }, service.host());
    state.replyDocument = std::make_unique<JsonDocument>();
    ASSERT_EQ(state.visionClient->requestToken(), "1");
    installHiddenPages(context);
    service.clearRequests();
  }

  static QString labelText(const QLabel* label) { return label->text(); }

  // The messages shown so far, texts only.
  QStringList messages() const {
    QStringList texts;
    for (const auto& message : prompts.messages) texts << message.text;
    return texts;
  }

  standin::VisionStandIn service;
  MainWindow window;
  ProgramState state;
  ScriptedPrompts prompts;
  WorkflowContext context{window, state, prompts};
};

// The main of each test program: one QApplication, offscreen unless told
// otherwise (test discovery runs the program without the test environment).
inline int runWidgetTests(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

}  // namespace velmora::testing
