#pragma once
// The time by which the engine call now running must end.
#include <chrono>

namespace velmora {

class Deadline {
 public:
  using Clock = std::chrono::steady_clock;

  // The deadline becomes now + budget (the end of time when that is beyond it).
  void start(std::chrono::milliseconds budget) {
    const Clock::time_point now = Clock::now();
    const auto room = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::time_point::max() - now);
    end_ = budget >= room ? Clock::time_point::max() : now + budget;
  }

  bool passed() const { return Clock::now() >= end_; }

 private:
  Clock::time_point end_ = Clock::time_point::max();
};

}  // namespace velmora
