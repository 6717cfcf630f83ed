#pragma once
// What the user can do with the folder list besides the batch and the walk:
// preview a row's pictures, sort by a column, add dropped folders, open
// folders in the file manager, clear the list.
#include <QString>
#include <functional>
#include <string_view>
#include <vector>

#include "text/Text.h"

class QTreeWidget;

namespace velmora {

struct WorkflowContext;

// Three-way comparison of two texts as unsigned bytes; a prefix comes first.
int compareBytes(std::string_view x, std::string_view y);

// Where a key goes into the ascending keys (positions from 1): after the last
// key when it is not smaller than it, before the first when it is not
// greater, otherwise by binary search, right after an equal key when the
// search meets one.
int insertPosition(const std::vector<Text>& keys, const Text& key);

// The same search over s sorted keys, told only how key compares with the
// key at each position (compareAt(i) = compare(key, keys[i]), i from 1).
int insertPosition(int s, const std::function<int(int)>& compareAt);

// Sorts the rows ascending by the cell texts of column (compared as GBK
// bytes), each row placed where insertPosition puts it when the rows are
// taken top to bottom; so equal keys keep their order except those equal to
// the smallest key seen so far, which go in front. Only cell texts move.
void sortByColumn(QTreeWidget* list, int column);

// Shows the current row's folder in the pictures: its first file in 图片框1,
// the file at the row's "索引" position (the second file when the cell is
// empty) in 图片框2, and the row's "相似度" cell in 透明标签17. A folder with
// fewer than two files changes nothing; a position outside the folder's
// files leaves 图片框2 as it is.
void showRowPreview(WorkflowContext& context);

// Appends one row per dropped path (the text holds them joined by CR LF), in
// order, without a trailing "/"; empty pieces are skipped.
void addDroppedFolders(QTreeWidget* list, const QString& droppedPaths);

// Opens a folder (or file) in the desktop's file manager; nothing waits for
// it and a failure is not reported.
void openInFileManager(const QString& path);
// The current row's folder; nothing without a current row.
void openCurrentFolder(QTreeWidget* list);
// The folders of all selected rows, top to bottom; their indices are kept
// in the program's selected-row list.
void openSelectedFolders(WorkflowContext& context);

}  // namespace velmora
