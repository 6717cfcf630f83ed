#pragma once
// How the server programs (the stand-in and the offline engine) end: on
// Ctrl+C or a termination request, handled on the main thread only.

namespace velmora::contract {

// Blocks SIGINT, SIGTERM and SIGPIPE in the calling thread. Call it first in
// main: the threads started afterwards (the server's) inherit the blocked
// set and never see these signals.
void blockStopSignals();

// Waits until SIGINT or SIGTERM arrives.
void waitForStopSignal();

}  // namespace velmora::contract
