// Export of a list view into a new xlsx workbook.
#include <QStandardPaths>
#include <QTreeWidget>
#include <vector>

#include "results/ExportProgressWindow.h"
#include "results/FileSystemPath.h"
#include "results/ResultFiles.h"
#include "results/WorkbookWriter.h"
#include "text/Numbers.h"

namespace velmora {
namespace {

const QString kDoneTitle = QStringLiteral("温馨提示！");
// The content is an xlsx book whatever name the user types, so the dialog
// offers that kind.
const QString kWorkbookFilter = QStringLiteral("Excel 工作簿(*.xlsx)|*.xlsx");

QString desktopFolder() {
  return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation) + QLatin1Char('/');
}

// The list columns to write, in order: all of them when none are named;
// named indices that are not columns of the list are passed over.
std::vector<int> exportedColumns(const QTreeWidget& list, const QStringList& columns) {
  std::vector<int> exported;
  if (columns.isEmpty()) {
    for (int column = 0; column < list.columnCount(); ++column) exported.push_back(column);
    return exported;
  }
  for (const QString& text : columns) {
    const auto index = leadingInt(text.toStdString());
    if (index && *index >= 0 && *index < list.columnCount()) exported.push_back(*index);
  }
  return exported;
}

void fillRow(SheetRow& row, const QTreeWidgetItem& item, const std::vector<int>& columns) {
  row.resize(columns.size());
  for (std::size_t k = 0; k < columns.size(); ++k) row[k] = item.text(columns[k]).toStdString();
}

}  // namespace

void exportFolderList(QTreeWidget& list, FileDialogSettings& dialog, Prompts& prompts, QWidget* parent) {
  if (list.topLevelItemCount() == 0) {
    prompts.message(QStringLiteral("没有要导出的表数据！"));
    return;
  }
  dialog.saveMode = true;
  dialog.fileName = QStringLiteral("导出结果.xlsx");
  exportListToWorkbook(list, QStringLiteral("导出结果.xls"), {}, dialog, prompts, parent);
}

bool exportListToWorkbook(QTreeWidget& list, const QString& sheetName, const QStringList& columns,
                          FileDialogSettings& dialog, Prompts& prompts, QWidget* parent) {
  dialog.saveMode = true;
  dialog.folder = desktopFolder();
  dialog.filter = kWorkbookFilter;
  if (!prompts.fileDialog(dialog)) return false;
  const QString path = dialog.fileName;

  const std::vector<int> exported = exportedColumns(list, columns);
  WorkbookWriter writer(fileSystemPath(path), sheetName.toStdString());
  SheetRow row;
  fillRow(row, *list.headerItem(), exported);
  writer.writeRow(row);

  SaveOutcome outcome;
  {
    ExportProgressWindow progress(parent);
    const int rows = list.topLevelItemCount();
    progress.start(rows);
    for (int r = 0; r < rows; ++r) {
      fillRow(row, *list.topLevelItem(r), exported);
      writer.writeRow(row);
      progress.setProgress(r + 1);
    }
    outcome = writer.save();
  }

  if (outcome.saved) {
    prompts.message(QStringLiteral("导出数据完毕！"), kDoneTitle);
  } else {
    prompts.message(QStringLiteral("导出失败，工作簿没有写入：%1\n原因：%2").arg(path, QString::fromStdString(outcome.error)),
                    kDoneTitle);
  }
  return outcome.saved;
}

}  // namespace velmora
