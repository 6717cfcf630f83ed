// A batch comparison of the desktop program against the offline engine on
// loopback: 100 folders of 5 portraits (4 matching pairs each, with the
// program's 100 ms and 300 ms pauses after each pair). Reports the total
// time and how the time outside the pauses splits between the engine
// (answering requests) and the program (reading files, encoding, sending,
// reading replies, updating the list).
//
//   engine_batch_bench [FOLDERS]   (default 100)
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>

#include "tests/engine/PortraitPictures.h"
#include "app/MainWindow.h"
#include "app/ProgramState.h"
#include "app/toolkit/ReportList.h"
#include "engine/server/Engine.h"
#include "json/JsonDocument.h"
#include "tests/support/ScriptedPrompts.h"
#include "vision/VisionClient.h"
#include "workflows/ComparisonPage.h"
#include "workflows/WorkflowContext.h"

using namespace velmora;

namespace {

double nowMs() {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  const int folders = argc > 1 ? std::atoi(argv[1]) : 100;
  constexpr int kPictures = 5;
  constexpr double kPausesMs = 100 + 300;

  QTemporaryDir scratch;
  std::string error;
  auto engine = engine::Engine::open({scratch.filePath("engine").toStdString()}, error);
  if (!engine || !engine->start(0)) {
    std::fprintf(stderr, "engine did not start: %s\n", error.c_str());
    return 1;
  }
  const auto finder = engine::FaceFinder::load(VELMORA_SHAPE_MODEL_FILE);
  if (!finder) {
    std::fprintf(stderr, "%s\n", finder.error().c_str());
    return 1;
  }
  const std::vector<bench::Person> people = bench::demoPeople(finder.value());

  MainWindow window;
  // The threshold a fresh install against the engine starts with.
  window.组合框_阈值->setEditText(QStringLiteral("80"));
  for (int f = 0; f < folders; ++f) {
    const QString folder = scratch.filePath(QStringLiteral("person%1").arg(f));
    QDir().mkpath(folder);
    const bench::Person& person = people[std::size_t(f) % people.size()];
    for (int p = 0; p < kPictures; ++p) {
      QFile file(folder + QStringLiteral("/%1.jpg").arg(p));
      file.open(QIODevice::WriteOnly);
      const std::string bytes = bench::withTail(bench::portrait(person, p), f);  // every file its own bytes
      file.write(bytes.data(), qint64(bytes.size()));
    }
    appendRow(window.超级列表框_目录, folder);
  }

  const engine::EngineKeys keys = engine->keys();
  ProgramState state;
  state.visionClient = std::make_unique<VisionClient>([keys] { return ApiKeys{keys.apiKey, keys.secretKey}; },
                                                      engine->host());
  state.replyDocument = std::make_unique<JsonDocument>();
  state.visionClient->requestToken();
  testing::ScriptedPrompts prompts;
  WorkflowContext context{window, state, prompts};
  ComparisonPage* page = installComparisonPage(context);

  const engine::EngineStatistics before = engine->statistics();
  const double start = nowMs();
  page->batch().run();
  const double totalMs = nowMs() - start;
  const engine::EngineStatistics after = engine->statistics();

  const double pairs = double(after.requests - before.requests);
  const double engineMs = after.busyMs - before.busyMs;
  int passed = 0, failed = 0;
  for (int f = 0; f < folders; ++f) {
    passed += cellText(window.超级列表框_目录, f, 1) == QStringLiteral("同一人");
    if (cellText(window.超级列表框_目录, f, 1) == QStringLiteral("非同一人")) {
      ++failed;
      std::printf("not the same person: folder %d (person %zu), score %s at picture %s\n", f, std::size_t(f) % people.size(),
                  cellText(window.超级列表框_目录, f, 2).toUtf8().constData(),
                  cellText(window.超级列表框_目录, f, 3).toUtf8().constData());
    }
  }
  // Both pauses follow every pair judged the same person; a folder's first
  // pair judged otherwise ends that folder without a pause.
  const double pausesMs = (pairs - failed) * kPausesMs;
  const double activeMs = totalMs - pausesMs;
  std::printf("folders %d (%zu people), pairs compared %.0f, same person %d, not the same person %d\n", folders,
              people.size(), pairs, passed, failed);
  std::printf("end status \"%s\"\n", window.标签_状态->text().toUtf8().constData());
  std::printf("total time:                         %.1f s (of which the program's pauses %.1f s)\n", totalMs / 1000,
              pausesMs / 1000);
  std::printf("time outside the pauses:            %.1f s = %.1f ms per pair\n", activeMs / 1000, activeMs / pairs);
  std::printf("  engine answering:                 %.1f s (%.0f%%), %.1f ms per pair\n", engineMs / 1000,
              100 * engineMs / activeMs, engineMs / pairs);
  std::printf("  program (and loopback transport): %.1f s (%.0f%%), %.1f ms per pair\n", (activeMs - engineMs) / 1000,
              100 * (activeMs - engineMs) / activeMs, (activeMs - engineMs) / pairs);
  return 0;
}
