#include "workflows/ElapsedTime.h"

#include <QLabel>

#include "app/ProgramState.h"
#include "app/toolkit/EventLoop.h"
#include "app/toolkit/TextBridge.h"
#include "text/Numbers.h"

namespace velmora {

void startRequestClock(ProgramState& state) { state.requestStartTime = tickCount(); }

QString elapsedTimeText(std::uint32_t elapsedMs) {
  return toQString(numberToText(elapsedMs / 1000.0)) + QStringLiteral("秒");
}

void showElapsedTime(ProgramState& state, QLabel* label) {
  // Unsigned subtraction stays right when the tick count wraps.
  const std::uint32_t elapsed = tickCount() - state.requestStartTime;
  state.requestStartTime = elapsed;
  label->setText(elapsedTimeText(elapsed));
}

}  // namespace velmora
