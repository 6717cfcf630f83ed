#pragma once
// The two menu commands of the folder list that move results to and from a
// workbook: "导出当前列表" writes the list into a new xlsx book, and
// "导入保存结果" appends the rows of a saved book to the list. Each takes
// what it works on as arguments; the main window wires them to its menu.
#include <QString>
#include <QStringList>

#include "app/toolkit/Prompts.h"

class QTreeWidget;
class QWidget;

namespace velmora {

// The titles the import gives the list, in order.
QStringList savedResultTitles();

// Menu item "导出当前列表": refuses an empty list with "没有要导出的表数据！",
// proposes "导出结果.xlsx" and exports every column into the sheet "导出结果.xls".
void exportFolderList(QTreeWidget& list, FileDialogSettings& dialog, Prompts& prompts, QWidget* parent);

// Asks for a path (save mode, desktop folder, the xlsx filter; the proposed
// name is whatever dialog.fileName holds) and writes the list's header and
// rows into one sheet. columns holds column indices as text, in the order
// wanted; empty means all columns. The progress window is a child of parent.
// Tells the user the outcome; returns whether the book was saved.
bool exportListToWorkbook(QTreeWidget& list, const QString& sheetName, const QStringList& columns,
                          FileDialogSettings& dialog, Prompts& prompts, QWidget* parent);

// Menu item "导入保存结果": asks for a workbook (open mode, the filter the
// dialog has) and imports it with savedResultTitles().
void importSavedResults(QTreeWidget& list, FileDialogSettings& dialog, Prompts& prompts);

// Reads the first worksheet of the book at path. On success the list gets
// exactly the given columns, each 80 pixels wide (rows already there keep
// their texts), and one new row per sheet row from row 2 down to the first
// blank one, appended after the rows already there; pending window events
// run once per row. A book that cannot be read leaves the list untouched and
// a message box says why. Returns whether the book was read.
bool importWorkbookIntoList(QTreeWidget& list, const QString& path, const QStringList& titles, Prompts& prompts);

}  // namespace velmora
