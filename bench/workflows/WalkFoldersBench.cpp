// The folder walk over a generated tree of 100,000 folders beside
// `find ROOT -mindepth 1 -type d`, and the longest the GUI thread was held
// up while the walk ran.
//
//   workflows_walk_folders_bench [ROOT]   (ROOT is generated when missing)
#include <QApplication>
#include <QEventLoop>
#include <QLabel>
#include <QTreeWidget>
#include <cstdio>
#include <filesystem>
#include <sys/stat.h>

#include "BenchSupport.h"
#include "app/MainWindow.h"
#include "app/ProgramState.h"
#include "app/toolkit/ReportList.h"
#include "tests/support/ScriptedPrompts.h"
#include "workflows/ComparisonPage.h"
#include "workflows/FolderWalk.h"
#include "workflows/WorkflowContext.h"

using namespace velmora;

namespace {

// 100 folders, each with 10, each of those with 99: 100,100 folders.
int generateTree(const std::string& root) {
  int made = 0;
  auto make = [&](const std::string& path) { made += ::mkdir(path.c_str(), 0755) == 0; };
  make(root);
  for (int a = 0; a < 100; ++a) {
    const std::string first = root + "/a" + std::to_string(a);
    make(first);
    for (int b = 0; b < 10; ++b) {
      const std::string second = first + "/b" + std::to_string(b);
      make(second);
      for (int c = 0; c < 99; ++c) make(second + "/c" + std::to_string(c));
    }
  }
  return made;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  const std::string root =
      argc > 1 ? argv[1] : (std::filesystem::temp_directory_path() / "velmora-walk-bench").string();
  if (!std::filesystem::exists(root)) std::printf("generated %d folders in %s\n", generateTree(root), root.c_str());

  const std::string find = "find '" + root + "' -mindepth 1 -type d";
  bench::commandMs(find);  // warm the caches for both
  std::vector<double> findMs, walkMs, gapMs;
  for (int run = 0; run < 5; ++run) findMs.push_back(bench::commandMs(find));

  MainWindow window;
  ProgramState state;
  testing::ScriptedPrompts prompts;
  WorkflowContext context{window, state, prompts};
  ComparisonPage* page = installComparisonPage(context);
  bench::TickGapMonitor ticks;
  int rows = 0;
  double clearMs = 0;
  for (int run = 0; run < 5; ++run) {
    const double clearStart = bench::nowMs();
    deleteAllRows(window.超级列表框_目录);
    clearMs = std::max(clearMs, bench::nowMs() - clearStart);
    QEventLoop loop;
    QObject::connect(&page->walk(), &FolderWalk::finished, &loop, &QEventLoop::quit);
    ticks.start();
    const double start = bench::nowMs();
    page->walk().start(QString::fromStdString(root));
    loop.exec();
    walkMs.push_back(bench::nowMs() - start);
    ticks.stop();
    gapMs.push_back(ticks.largestGapMs());
    rows = rowCount(window.超级列表框_目录);
  }
  std::printf("folders listed:            %d (%s)\n", rows, window.标签_状态->text().toUtf8().constData());
  std::printf("find -type d, median of 5: %.1f ms\n", bench::median(findMs));
  std::printf("walkFolders, median of 5:  %.1f ms (rows in the list included)\n", bench::median(walkMs));
  std::printf("ratio walk / find:         %.2f\n", bench::median(walkMs) / bench::median(findMs));
  std::printf("largest GUI tick gap:      %.1f ms (worst of 5 walks)\n", *std::max_element(gapMs.begin(), gapMs.end()));
  std::printf("clearing %d rows:      %.1f ms (worst)\n", rows, clearMs);
  return 0;
}
