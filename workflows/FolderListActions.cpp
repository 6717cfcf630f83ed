#include "workflows/FolderListActions.h"

#include <QDesktopServices>
#include <QLabel>
#include <QTreeWidget>
#include <QUrl>
#include <algorithm>
#include <cstring>
#include <numeric>

#include "app/MainWindow.h"
#include "app/ProgramState.h"
#include "app/toolkit/PictureBox.h"
#include "app/toolkit/ReportList.h"
#include "app/toolkit/TextBridge.h"
#include "text/Numbers.h"
#include "workflows/FolderEnumeration.h"
#include "workflows/PictureFiles.h"
#include "workflows/WorkflowContext.h"

namespace velmora {
namespace {

constexpr int kFolderColumn = 0;
constexpr int kScoreColumn = 2;
constexpr int kPositionColumn = 3;

// Counts over positions 1..size with prefix sums and "find the k-th one".
class FenwickTree {
 public:
  explicit FenwickTree(int size) : tree_(size + 1, 0) {}

  void add(int position, int delta) {
    for (int i = position; i < int(tree_.size()); i += i & -i) tree_[i] += delta;
  }
  // Sum over positions 1..position.
  int prefix(int position) const {
    int sum = 0;
    for (int i = position; i > 0; i -= i & -i) sum += tree_[i];
    return sum;
  }
  // The smallest position whose prefix sum reaches k (k >= 1).
  int findKth(int k) const {
    int position = 0;
    int step = 1;
    while (step * 2 < int(tree_.size())) step *= 2;
    for (; step > 0; step /= 2) {
      const int next = position + step;
      if (next < int(tree_.size()) && tree_[next] < k) {
        position = next;
        k -= tree_[next];
      }
    }
    return position + 1;
  }

 private:
  std::vector<int> tree_;
};

// Ranks from 1 of the keys in byte order; equal keys share a rank.
std::vector<int> rankKeys(const std::vector<Text>& keys, int& distinct) {
  std::vector<int> byKey(keys.size());
  std::iota(byKey.begin(), byKey.end(), 0);
  std::stable_sort(byKey.begin(), byKey.end(),
                   [&](int a, int b) { return compareBytes(keys[a], keys[b]) < 0; });
  std::vector<int> ranks(keys.size());
  distinct = 0;
  for (std::size_t k = 0; k < byKey.size(); ++k) {
    if (k == 0 || compareBytes(keys[byKey[k - 1]], keys[byKey[k]]) != 0) ++distinct;
    ranks[byKey[k]] = distinct;
  }
  return ranks;
}

// Where each row goes when the rows are inserted top to bottom into a sorted
// run of keys at insertPosition. The keys stay sorted after every insertion,
// so how a key compares with the key at position i follows from two counts:
// the keys inserted so far that are smaller (positions 1..smaller) and equal
// (the positions after them). That turns each search into a few counter
// look-ups instead of moving a growing array.
std::vector<int> insertionPositions(const std::vector<Text>& keys) {
  int distinct = 0;
  const std::vector<int> ranks = rankKeys(keys, distinct);
  FenwickTree inserted(distinct);
  std::vector<int> positions(keys.size());
  for (std::size_t row = 0; row < keys.size(); ++row) {
    const int smaller = inserted.prefix(ranks[row] - 1);
    const int equal = inserted.prefix(ranks[row]) - smaller;
    positions[row] = insertPosition(int(row), [smaller, equal](int i) {
      if (i <= smaller) return 1;
      return i <= smaller + equal ? 0 : -1;
    });
    inserted.add(ranks[row], 1);
  }
  return positions;
}

// The final order of a run of insertions (row r inserted at positions[r],
// from 1, among the rows inserted before it): the last row takes its place
// among all slots, each earlier one the free slot its position names.
std::vector<int> orderAfterInsertions(const std::vector<int>& positions) {
  const int n = int(positions.size());
  FenwickTree free(n);
  for (int slot = 1; slot <= n; ++slot) free.add(slot, 1);
  std::vector<int> order(n);
  for (int row = n - 1; row >= 0; --row) {
    const int slot = free.findKth(positions[row]);
    order[slot - 1] = row;
    free.add(slot, -1);
  }
  return order;
}

}  // namespace

int compareBytes(std::string_view x, std::string_view y) {
  const std::size_t common = std::min(x.size(), y.size());
  const int difference = common == 0 ? 0 : std::memcmp(x.data(), y.data(), common);
  if (difference != 0) return difference < 0 ? -1 : 1;
  if (x.size() == y.size()) return 0;
  return x.size() < y.size() ? -1 : 1;
}

int insertPosition(int s, const std::function<int(int)>& compareAt) {
  if (s == 0) return 1;
  if (compareAt(s) >= 0) return s + 1;
  if (compareAt(1) <= 0) return 1;
  int lo = 1;
  int hi = s;
  while (lo < hi - 1) {
    const int mid = (lo + hi) / 2;
    const int d = compareAt(mid);
    if (d == 0) {
      lo = mid;
      break;
    }
    if (d < 0) {
      hi = mid;
    } else {
      lo = mid;
    }
  }
  return lo + 1;
}

int insertPosition(const std::vector<Text>& keys, const Text& key) {
  return insertPosition(int(keys.size()), [&](int i) { return compareBytes(key, keys[i - 1]); });
}

void sortByColumn(QTreeWidget* list, int column) {
  const int rows = rowCount(list);
  const int columns = columnCount(list);
  if (rows < 2 || column < 0 || column >= columns) return;
  std::vector<Text> keys(rows);
  for (int row = 0; row < rows; ++row) keys[row] = toText(cellText(list, row, column));
  const std::vector<int> order = orderAfterInsertions(insertionPositions(keys));

  std::vector<QStringList> table(rows);
  for (int row = 0; row < rows; ++row) {
    table[row].reserve(columns);
    for (int c = 0; c < columns; ++c) table[row].append(cellText(list, row, c));
  }
  for (int row = 0; row < rows; ++row) {
    const QStringList& cells = table[order[row]];
    for (int c = 0; c < columns; ++c) setCellText(list, row, c, cells[c]);
  }
}

void showRowPreview(WorkflowContext& context) {
  MainWindow& window = context.window;
  QTreeWidget* list = window.超级列表框_目录;
  const int row = currentRow(list);
  if (row < 0) return;
  // The row's cells are taken now: events run while its folder is read.
  const QString folder = cellText(list, row, kFolderColumn);
  const QString position = cellText(list, row, kPositionColumn);
  const QString score = cellText(list, row, kScoreColumn);
  QStringList files;
  if (findFiles(folder, QStringLiteral("*.*"), files) < 2) return;
  window.图片框1->setPicture(readWholeFile(files[0]));
  const int shown = position.isEmpty() ? 2 : textToInt(toText(position));
  if (shown >= 1 && shown <= files.size()) window.图片框2->setPicture(readWholeFile(files[shown - 1]));
  window.透明标签17->setText(score);
}

void addDroppedFolders(QTreeWidget* list, const QString& droppedPaths) {
  QStringList folders;
  for (const QString& piece : droppedPaths.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
    folders.append(withoutTrailingSlash(piece));
  appendRows(list, folders);
}

void openInFileManager(const QString& path) {
  if (path.isEmpty()) return;
  QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void openCurrentFolder(QTreeWidget* list) {
  const int row = currentRow(list);
  if (row >= 0) openInFileManager(cellText(list, row, kFolderColumn));
}

void openSelectedFolders(WorkflowContext& context) {
  QTreeWidget* list = context.window.超级列表框_目录;
  std::vector<std::int32_t>& rows = context.state.selectedRows;
  const QList<int> selected = selectedRows(list);
  rows.assign(selected.begin(), selected.end());
  for (const std::int32_t row : rows) openInFileManager(cellText(list, row, kFolderColumn));
}

}  // namespace velmora
