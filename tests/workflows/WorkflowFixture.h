#pragma once
// What every workflow test shares: a real main window over program-wide
// state whose vision client talks to the loopback stand-in of the service
// (token already granted), dialogs answered by ScriptedPrompts, and the
// helpers to make pictures and wait for events.
#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QImage>
#include <QStringList>
#include <QThread>
#include <functional>
#include <memory>

#include <gtest/gtest.h>

#include "app/MainWindow.h"
#include "app/ProgramState.h"
#include "app/toolkit/EventLoop.h"
#include "json/JsonDocument.h"
#include "tests/support/ScriptedPrompts.h"
#include "text/Text.h"
#include "tools/standin/VisionStandIn.h"
#include "vision/VisionClient.h"
#include "workflows/WorkflowContext.h"

namespace velmora::testing {

using standin::Endpoint;
using standin::Reply;

// The bytes of an image encoded as PNG.
inline QByteArray encodePng(const QImage& image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return bytes;
}

inline Bytes asBytes(const QByteArray& bytes) { return Bytes(bytes.constData(), std::size_t(bytes.size())); }

// Pumps events until done() holds; false when timeoutMs passed first.
inline bool waitUntil(const std::function<bool()>& done, int timeoutMs = 10000) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > timeoutMs) return false;
    pumpEvents();
    QThread::msleep(1);
  }
  return true;
}

class WorkflowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(service.start());
    state.visionClient = std::make_unique<VisionClient>([] { return ApiKeys{"key", "secret"}; }, service.host());
    state.replyDocument = std::make_unique<JsonDocument>();
    ASSERT_EQ(state.visionClient->requestToken(), "1");
  }

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
