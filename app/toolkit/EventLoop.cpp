#include "app/toolkit/EventLoop.h"

#include <QEventLoop>
#include <QTimer>
#include <chrono>

namespace velmora {

void pumpEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void waitMs(int ms) {
  if (ms <= 0) {
    pumpEvents();
    return;
  }
  QEventLoop loop;
  QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
  loop.exec();
}

std::uint32_t tickCount() {
  const auto sinceStart = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(sinceStart).count());
}

void runOnGuiThread(std::function<void()> call) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app || !call) return;
  QMetaObject::invokeMethod(app, std::move(call), Qt::QueuedConnection);
}

}  // namespace velmora
