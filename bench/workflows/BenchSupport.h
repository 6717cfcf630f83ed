#pragma once
// Small helpers of the workflow benchmarks: wall-clock timing of a shell
// command, medians, resident memory, and a GUI-thread timer that records the
// largest gap between its ticks.
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace velmora::bench {

inline double nowMs() {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Wall time of a shell command, its output discarded.
inline double commandMs(const std::string& command) {
  const double start = nowMs();
  const int status = std::system((command + " > /dev/null").c_str());
  const double elapsed = nowMs() - start;
  return status == 0 ? elapsed : -1;
}

inline double median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// A line of /proc/self/status ("VmRSS", "VmHWM") in MB.
inline double statusMb(const std::string& key) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(key + ":", 0) == 0) return std::stod(line.substr(key.size() + 1)) / 1024.0;
  return -1;
}

// Ticks every millisecond on the GUI thread; the largest gap between two
// ticks is the longest time the GUI thread was busy with something else.
class TickGapMonitor : public QObject {
 public:
  TickGapMonitor() {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(1);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] {
      const qint64 now = clock_.nsecsElapsed();
      if (last_ >= 0) largestNs_ = std::max(largestNs_, now - last_);
      last_ = now;
    });
  }
  void start() {
    largestNs_ = 0;
    last_ = -1;
    clock_.start();
    timer_.start();
  }
  void stop() { timer_.stop(); }
  double largestGapMs() const { return largestNs_ / 1e6; }

 private:
  QTimer timer_;
  QElapsedTimer clock_;
  qint64 last_ = -1;
  qint64 largestNs_ = 0;
};

}  // namespace velmora::bench
