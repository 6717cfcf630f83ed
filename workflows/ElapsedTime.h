#pragma once
// The elapsed time of a service request, as the face registration, the face
// search and the text recognition show it: the request start time is the tick
// count at the click; after the reply it is replaced by the elapsed
// milliseconds, and a label shows them in seconds followed by "秒".
#include <QString>
#include <cstdint>

class QLabel;

namespace velmora {

class ProgramState;

// The request start time := the tick count now.
void startRequestClock(ProgramState& state);

// The label text of a request that took elapsedMs: seconds as a number text
// ("%.13g") followed directly by "秒"; 1234 ms gives "1.234秒", 2000 ms "2秒".
QString elapsedTimeText(std::uint32_t elapsedMs);

// Ends the request clock: the request start time := the milliseconds since it
// started, and the label shows them.
void showElapsedTime(ProgramState& state, QLabel* label);

}  // namespace velmora
