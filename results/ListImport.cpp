// Import of saved results from a workbook into a list view.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QTreeWidget>
#include <algorithm>

#include "results/FileSystemPath.h"
#include "results/ResultFiles.h"
#include "results/WorkbookReader.h"

namespace velmora {
namespace {

constexpr int kImportedColumnWidth = 80;
// How often rows read so far are shown while a long sheet is imported.
constexpr qint64 kBatchMilliseconds = 200;

// A row ends the import when its cells, with every space removed, say nothing.
bool isBlank(const SheetRow& cells) {
  return std::all_of(cells.begin(), cells.end(),
                     [](const std::string& cell) { return cell.find_first_not_of(' ') == std::string::npos; });
}

void rebuildColumns(QTreeWidget& list, const QStringList& titles) {
  list.setColumnCount(static_cast<int>(titles.size()));
  list.setHeaderLabels(titles);
  for (int column = 0; column < titles.size(); ++column) list.setColumnWidth(column, kImportedColumnWidth);
}

}  // namespace

QStringList savedResultTitles() {
  return {QStringLiteral("目录"), QStringLiteral("是否同一人"), QStringLiteral("相似度"), QStringLiteral("索引")};
}

void importSavedResults(QTreeWidget& list, FileDialogSettings& dialog, Prompts& prompts) {
  dialog.saveMode = false;
  if (!prompts.fileDialog(dialog)) return;
  importWorkbookIntoList(list, dialog.fileName, savedResultTitles(), prompts);
}

bool importWorkbookIntoList(QTreeWidget& list, const QString& path, const QStringList& titles, Prompts& prompts) {
  ReadLimits limits;
  limits.columns = static_cast<std::size_t>(titles.size());
  const SheetReadResult book = readFirstSheet(fileSystemPath(path), limits);
  if (!book.ok) {
    prompts.message(QStringLiteral("无法读取工作簿：%1\n原因：%2").arg(path, QString::fromStdString(book.error)));
    return false;
  }

  rebuildColumns(list, titles);
  // Pending events may run any handler, one that closes the window included.
  const QPointer<QTreeWidget> alive(&list);
  // Rows reach the list in batches: a shown tree view lays out all its rows
  // again after each insertion, which one row at a time would make quadratic.
  QList<QTreeWidgetItem*> batch;
  QElapsedTimer sinceFlush;
  sinceFlush.start();
  const auto flush = [&] {
    list.addTopLevelItems(batch);
    batch.clear();
    sinceFlush.restart();
  };
  const SheetGrid& sheet = book.sheet;
  for (std::size_t row = 1;; ++row) {  // sheet row 2 on; row 1 holds the titles
    QCoreApplication::processEvents();
    if (!alive) break;
    static const SheetRow kNoCells;
    const SheetRow& cells = row < sheet.rows.size() ? sheet.rows[row] : kNoCells;
    if (isBlank(cells)) break;
    // Every non-blank sheet row becomes a list row of its own, even when its
    // first cell is blank, so nothing lands in a row read earlier.
    QStringList texts;
    texts.reserve(titles.size());
    for (qsizetype column = 0; column < titles.size(); ++column)
      texts.append(QString::fromStdString(sheet.cell(row, static_cast<std::size_t>(column))));
    auto* item = new QTreeWidgetItem(texts);
    batch.append(item);
    if (sinceFlush.elapsed() >= kBatchMilliseconds) flush();
  }
  if (alive) {
    flush();
  } else {
    qDeleteAll(batch);
  }
  return true;
}

}  // namespace velmora
