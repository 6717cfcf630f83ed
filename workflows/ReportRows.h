#pragma once
// Appending many rows to a report list at once: one insertion for the whole
// run of rows instead of one per row, so long lists fill quickly.
#include <QStringList>

class QTreeWidget;

namespace velmora {

// Appends one row per text, in order, the text in the row's first cell.
void appendRows(QTreeWidget* list, QStringList::const_iterator first, QStringList::const_iterator last);
inline void appendRows(QTreeWidget* list, const QStringList& firstCells) {
  appendRows(list, firstCells.cbegin(), firstCells.cend());
}

}  // namespace velmora
