#pragma once
// The page "人脸相似度对比": connects the folder walk, the batch comparison,
// the folder list's interactions and the comparison of two single pictures to
// the controls of the main window.
#include <QObject>

#include "workflows/BatchComparison.h"

namespace velmora {

class FolderWalk;
struct WorkflowContext;

class ComparisonPage : public QObject {
  Q_OBJECT
 public:
  // The page lives as long as its parent (the main window); context must too.
  ComparisonPage(WorkflowContext& context, QObject* parent);

  // "选择目录": asks for a root folder, stops a walk that still runs, empties
  // the folder list and walks below the chosen folder.
  void chooseFolder();
  // "枚举": appends the files of the first row's folder to the file list.
  void listFirstFolder();

  FolderWalk& walk() { return *walk_; }
  BatchComparison& batch() { return batch_; }

 private:
  void connectFolderList();
  void connectPicturePair();

  WorkflowContext& context_;
  FolderWalk* walk_;
  BatchComparison batch_;
};

// Connects every handler of the page; the page object is a child of the
// context's window.
ComparisonPage* installComparisonPage(WorkflowContext& context);

}  // namespace velmora
