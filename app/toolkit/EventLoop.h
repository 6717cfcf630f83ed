#pragma once
// Run-time services of the GUI thread: pumping events, waiting while events
// run, carrying calls from worker threads onto the GUI thread, and the tick
// count.
#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <cstdint>
#include <functional>
#include <type_traits>
#include <utility>

namespace velmora {

// Runs every pending event of the calling thread, then returns.
void pumpEvents();

// Waits ms milliseconds while events keep running (a nested event loop).
void waitMs(int ms);

// Milliseconds since system start, wrapping at 32 bits.
std::uint32_t tickCount();

// Queues a call to run on the GUI thread and returns at once. From the GUI
// thread itself the call still waits in the queue, so its order among other
// queued calls is kept.
void runOnGuiThread(std::function<void()> call);

// Runs a call on the GUI thread and waits for its result. From the GUI thread
// it runs directly. A worker must not use it while the GUI thread waits for
// that worker.
template <typename Call>
auto callOnGuiThread(Call&& call) -> std::invoke_result_t<Call> {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app || QThread::currentThread() == app->thread()) return std::forward<Call>(call)();
  using Result = std::invoke_result_t<Call>;
  if constexpr (std::is_void_v<Result>) {
    QMetaObject::invokeMethod(app, std::forward<Call>(call), Qt::BlockingQueuedConnection);
  } else {
    Result result{};
    QMetaObject::invokeMethod(
        app, [&] { result = call(); }, Qt::BlockingQueuedConnection);
    return result;
  }
}

}  // namespace velmora
