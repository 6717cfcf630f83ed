#include "engine/contract/StopSignals.h"

#include <pthread.h>
#include <signal.h>

namespace velmora::contract {

void blockStopSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
}

void waitForStopSignal() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  int received = 0;
  sigwait(&signals, &received);
}

}  // namespace velmora::contract
