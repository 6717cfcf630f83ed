#pragma once
// Report-list operations over QTreeWidget, rows and columns counted from 0.
// A report list is a flat QTreeWidget: one top-level item per row, the
// header's section titles are the column titles.
#include <QList>
#include <QString>
#include <QStringList>

class QTreeWidget;

namespace velmora {

// Makes a tree widget a report list: no root decoration, whole-row selection,
// clickable header sections that keep their widths.
void makeReportList(QTreeWidget* list);

int rowCount(const QTreeWidget* list);
int columnCount(const QTreeWidget* list);
QString columnTitle(const QTreeWidget* list, int column);  // empty for a missing column

// Empty text for a missing row or column.
QString cellText(const QTreeWidget* list, int row, int column);
// False, changing nothing, for a missing row or column.
bool setCellText(QTreeWidget* list, int row, int column, const QString& text);

// Appends a row whose first cell holds text; returns its index.
int appendRow(QTreeWidget* list, const QString& firstCell = {});
// Appends one row per text, in order, the text in the row's first cell: one
// insertion for the whole run of rows, so long lists fill quickly.
void appendRows(QTreeWidget* list, QStringList::const_iterator first, QStringList::const_iterator last);
inline void appendRows(QTreeWidget* list, const QStringList& firstCells) {
  appendRows(list, firstCells.cbegin(), firstCells.cend());
}
// Appends a column with a title and a width in pixels; returns its index.
int appendColumn(QTreeWidget* list, const QString& title, int width);
// Removes every column (and with them every row).
void resetColumns(QTreeWidget* list);
void deleteAllRows(QTreeWidget* list);

// The current row, -1 when none.
int currentRow(const QTreeWidget* list);
void setCurrentRow(QTreeWidget* list, int row);
// The selected rows, ascending.
QList<int> selectedRows(const QTreeWidget* list);

}  // namespace velmora
