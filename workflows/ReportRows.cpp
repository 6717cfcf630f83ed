#include "workflows/ReportRows.h"

#include <QTreeWidget>

namespace velmora {

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

}  // namespace velmora
