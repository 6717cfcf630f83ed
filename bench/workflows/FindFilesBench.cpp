// findFiles over a folder of 20,000 files beside `ls -f` on it.
//
//   workflows_find_files_bench [FOLDER]   (FOLDER is generated when missing)
#include <QApplication>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "BenchSupport.h"
#include "workflows/FolderEnumeration.h"

using namespace velmora;

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  const std::string folder =
      argc > 1 ? argv[1] : (std::filesystem::temp_directory_path() / "velmora-files-bench").string();
  if (!std::filesystem::exists(folder)) {
    std::filesystem::create_directories(folder);
    for (int i = 0; i < 20000; ++i) std::ofstream(folder + "/photo_" + std::to_string(i) + ".jpg") << "x";
    std::printf("generated 20000 files in %s\n", folder.c_str());
  }
  const std::string ls = "ls -f '" + folder + "'";
  bench::commandMs(ls);
  std::vector<double> lsMs, findMs;
  int count = 0;
  for (int run = 0; run < 9; ++run) {
    lsMs.push_back(bench::commandMs(ls));
    QStringList files;
    const double start = bench::nowMs();
    count = findFiles(QString::fromStdString(folder), QStringLiteral("*.*"), files);
    findMs.push_back(bench::nowMs() - start);
  }
  std::printf("files listed:             %d\n", count);
  std::printf("ls -f, median of 9:       %.2f ms (process start included)\n", bench::median(lsMs));
  std::printf("findFiles, median of 9:   %.2f ms (events pumped while listing)\n", bench::median(findMs));
  std::printf("ratio findFiles / ls -f:  %.2f\n", bench::median(findMs) / bench::median(lsMs));
  return 0;
}
