// Export: the folder list command against a minimal program that writes the
// same cells with libxlsxwriter alone (same format, same ignored-error block),
// one after the other in one run. Import: the written book read back into an
// empty, shown list, in a child process so that its peak resident memory is
// its own.
#include <xlsxwriter.h>

#include <QApplication>
#include <QHeaderView>
#include <QProcess>
#include <QTreeWidget>
#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "results/ResultFiles.h"

namespace {

using Clock = std::chrono::steady_clock;
using Row = std::array<std::string, 4>;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

long peakRssKb() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  return -1;
}

// Answers the save or open dialog with one path and swallows messages.
class FixedPrompts : public velmora::Prompts {
 public:
  explicit FixedPrompts(QString path) : path_(std::move(path)) {}
  void message(const QString& text, const QString&) override { last = text; }
  bool fileDialog(velmora::FileDialogSettings& settings) override {
    settings.fileName = path_;
    return true;
  }
  QString pickFolder(const QString&) override { return {}; }
  QString last;

 private:
  QString path_;
};

std::vector<Row> sampleRows(int count) {
  const char* verdicts[] = {"同一人", "非同一人", "识别失败，错误代码:222202"};
  std::vector<Row> rows;
  rows.reserve(count);
  for (int i = 0; i < count; ++i)
    rows.push_back({"/home/用户/照片/批次" + std::to_string(i / 1000) + "/人员" + std::to_string(i), verdicts[i % 3],
                    std::to_string(60 + i % 40), std::to_string(1 + i % 9)});
  return rows;
}

void minimalExport(const std::string& path, const std::vector<Row>& rows) {
  lxw_workbook* book = workbook_new(path.c_str());
  lxw_worksheet* sheet = workbook_add_worksheet(book, "导出结果.xls");
  lxw_format* format = workbook_add_format(book);
  format_set_border(format, LXW_BORDER_THIN);
  const char* titles[] = {"目录", "是否同一人", "相似度", "索引"};
  for (int c = 0; c < 4; ++c) worksheet_write_string(sheet, 0, c, titles[c], format);
  for (std::size_t r = 0; r < rows.size(); ++r)
    for (int c = 0; c < 4; ++c) worksheet_write_string(sheet, r + 1, c, rows[r][c].c_str(), format);
  char range[32];
  lxw_rowcol_to_range(range, 0, 0, rows.size(), 3);
  for (int kind = LXW_IGNORE_NUMBER_STORED_AS_TEXT; kind < LXW_IGNORE_LAST_OPTION; ++kind)
    worksheet_ignore_errors(sheet, kind, range);
  workbook_close(book);
}

int runImport(const QString& path) {
  QTreeWidget list;
  list.header()->setStretchLastSection(false);
  list.resize(677, 392);
  list.show();
  FixedPrompts prompts(path);
  const auto start = Clock::now();
  velmora::importWorkbookIntoList(list, path, velmora::savedResultTitles(), prompts);
  const double seconds = secondsSince(start);
  std::printf("import: %d rows in %.3f s, peak RSS %.1f MB%s\n", list.topLevelItemCount(), seconds, peakRssKb() / 1024.0,
              prompts.last.isEmpty() ? "" : " (error)");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (argc == 3 && std::string(argv[1]) == "--import") return runImport(QString::fromLocal8Bit(argv[2]));

  const int count = argc > 1 ? std::atoi(argv[1]) : 100000;
  const std::string folder = std::filesystem::temp_directory_path() / "velmora-results-bench";
  std::filesystem::create_directories(folder);
  const std::string minimalPath = folder + "/minimal.xlsx";
  const QString ourPath = QString::fromStdString(folder + "/export.xlsx");

  const std::vector<Row> rows = sampleRows(count);
  QTreeWidget list;
  list.setHeaderLabels(velmora::savedResultTitles());
  for (const Row& row : rows) {
    auto* item = new QTreeWidgetItem;
    for (int c = 0; c < 4; ++c) item->setText(c, QString::fromStdString(row[c]));
    list.addTopLevelItem(item);
  }
  QWidget window;

  auto start = Clock::now();
  minimalExport(minimalPath, rows);
  const double minimal = secondsSince(start);

  velmora::FileDialogSettings dialog;
  FixedPrompts prompts(ourPath);
  start = Clock::now();
  velmora::exportFolderList(list, dialog, prompts, &window);
  const double ours = secondsSince(start);

  std::printf("export of %d rows x 4 columns:\n", count);
  std::printf("  libxlsxwriter alone: %.3f s (%ju bytes)\n", minimal,
              static_cast<std::uintmax_t>(std::filesystem::file_size(minimalPath)));
  std::printf("  exportFolderList:    %.3f s (%ju bytes), message \"%s\"\n", ours,
              static_cast<std::uintmax_t>(std::filesystem::file_size(ourPath.toStdString())),
              prompts.last.toStdString().c_str());
  std::printf("  ratio: %.2f\n", ours / minimal);
  std::fflush(stdout);

  QProcess child;
  child.setProcessChannelMode(QProcess::ForwardedChannels);
  child.start(QCoreApplication::applicationFilePath(), {"--import", ourPath});
  child.waitForFinished(-1);
  if (!qEnvironmentVariableIsSet("VELMORA_BENCH_KEEP")) std::filesystem::remove_all(folder);
  return child.exitCode();
}
