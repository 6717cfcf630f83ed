#include "app/toolkit/ReportList.h"

#include <QHeaderView>
#include <QTreeWidget>
#include <algorithm>

namespace velmora {
namespace {

QTreeWidgetItem* rowItem(const QTreeWidget* list, int row) {
  return (row >= 0 && row < list->topLevelItemCount()) ? list->topLevelItem(row) : nullptr;
}

}  // namespace

void makeReportList(QTreeWidget* list) {
  list->setRootIsDecorated(false);
  list->setItemsExpandable(false);
  list->setUniformRowHeights(true);
  list->setAllColumnsShowFocus(true);
  list->setSelectionBehavior(QAbstractItemView::SelectRows);
  list->setSortingEnabled(false);
  list->header()->setSectionsClickable(true);
  list->header()->setStretchLastSection(false);
  list->header()->setMinimumSectionSize(1);
  list->header()->setSectionResizeMode(QHeaderView::Interactive);
  list->setColumnCount(0);
}

int rowCount(const QTreeWidget* list) { return list->topLevelItemCount(); }

int columnCount(const QTreeWidget* list) { return list->columnCount(); }

QString columnTitle(const QTreeWidget* list, int column) {
  if (column < 0 || column >= list->columnCount()) return {};
  return list->headerItem()->text(column);
}

QString cellText(const QTreeWidget* list, int row, int column) {
  const QTreeWidgetItem* item = rowItem(list, row);
  if (!item || column < 0 || column >= list->columnCount()) return {};
  return item->text(column);
}

bool setCellText(QTreeWidget* list, int row, int column, const QString& text) {
  QTreeWidgetItem* item = rowItem(list, row);
  if (!item || column < 0 || column >= list->columnCount()) return false;
  item->setText(column, text);
  return true;
}

int appendRow(QTreeWidget* list, const QString& firstCell) {
  auto* item = new QTreeWidgetItem;
  if (list->columnCount() > 0) item->setText(0, firstCell);
  list->addTopLevelItem(item);
  return list->topLevelItemCount() - 1;
}

void appendRows(QTreeWidget* list, QStringList::const_iterator first, QStringList::const_iterator last) {
  if (first == last || list->columnCount() == 0) return;
  QList<QTreeWidgetItem*> items;
  items.reserve(last - first);
  for (auto text = first; text != last; ++text) {
    auto* item = new QTreeWidgetItem;
    item->setText(0, *text);
    items.append(item);
  }
  list->addTopLevelItems(items);
}

int appendColumn(QTreeWidget* list, const QString& title, int width) {
  const int column = list->columnCount();
  list->setColumnCount(column + 1);
  list->headerItem()->setText(column, title);
  list->header()->resizeSection(column, width);
  return column;
}

void resetColumns(QTreeWidget* list) {
  list->clear();
  list->setColumnCount(0);
}

void deleteAllRows(QTreeWidget* list) { list->clear(); }

int currentRow(const QTreeWidget* list) {
  QTreeWidgetItem* item = list->currentItem();
  return item ? list->indexOfTopLevelItem(item) : -1;
}

void setCurrentRow(QTreeWidget* list, int row) { list->setCurrentItem(rowItem(list, row)); }

QList<int> selectedRows(const QTreeWidget* list) {
  QList<int> rows;
  for (QTreeWidgetItem* item : list->selectedItems()) {
    const int row = list->indexOfTopLevelItem(item);
    if (row >= 0) rows << row;
  }
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  return rows;
}

}  // namespace velmora
