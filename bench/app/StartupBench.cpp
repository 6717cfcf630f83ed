// Start-up to the main window shown: creating the program-wide state, the
// main window with all its controls, showing it and running the window set-up
// (no token check), on Qt's offscreen platform. Prints the first (cold) start
// and the median, minimum and maximum of the following ones.
#include <QApplication>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "app/MainWindow.h"
#include "app/Program.h"
#include "app/toolkit/EventLoop.h"
#include "tests/support/ScriptedPrompts.h"

namespace {

double startOnceMs(const std::filesystem::path& config) {
  velmora::testing::ScriptedPrompts prompts;
  velmora::ProgramOptions options;
  options.configPath = config;
  options.prompts = &prompts;
  const auto begin = std::chrono::steady_clock::now();
  velmora::Program program(std::move(options));
  program.start();
  QWindow* window = program.window().windowHandle();
  while (!window || !window->isExposed()) {
    velmora::pumpEvents();
    window = program.window().windowHandle();
  }
  const auto shown = std::chrono::steady_clock::now();
  program.shutdown();
  return std::chrono::duration<double, std::milli>(shown - begin).count();
}

}  // namespace

int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  const auto appBegin = std::chrono::steady_clock::now();
  QApplication application(argc, argv);
  const double appMs =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - appBegin).count();

  const auto config = std::filesystem::temp_directory_path() / "velmora-bench-config.ini";
  std::filesystem::remove(config);
  const int runs = 30;
  const double cold = startOnceMs(config);
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) times.push_back(startOnceMs(config));
  std::sort(times.begin(), times.end());
  std::printf("toolkit initialisation (QApplication): %.1f ms\n", appMs);
  std::printf("start-up to main window shown, first run: %.1f ms\n", cold);
  std::printf("start-up to main window shown, %d further runs: median %.1f ms, min %.1f ms, max %.1f ms\n", runs,
              times[times.size() / 2], times.front(), times.back());
  std::filesystem::remove(config);
  return 0;
}
