#pragma once
// The batch comparison behind "列表批量对比": for every folder of the folder
// list, the folder's first picture is compared with each further picture;
// the folder's row receives "同一人" when all matched, "非同一人" at the first
// picture that did not, or the failure at the picture whose request failed,
// with the score and the picture's position.
#include <QString>
#include <QStringList>
#include <optional>

#include "text/Text.h"

namespace velmora {

struct WorkflowContext;

// The file's name without its extension: the part after the last "/", up to
// its last dot ("/p/a.b.png" gives "a.b", "/p/face" gives "face"); empty
// when the path ends with "/".
QString fileTitle(const QString& path);

class BatchComparison {
 public:
  explicit BatchComparison(WorkflowContext& context) : context_(context) {}

  // Runs the whole batch on the GUI thread and returns when it has ended.
  // Pending window events run while folders are listed and in the pauses
  // after each matching pair; a click that arrives meanwhile does not start
  // a second batch. Rows removed meanwhile are skipped; a verdict always goes
  // to the row of the folder it belongs to, wherever sorting has moved it.
  void run();
  bool isRunning() const { return running_; }

 private:
  enum class Next { NextFolder, EndBatch };
  Next compareFolder(int row, const QString& folder);
  // The picture at position (from 1) against the first one; nothing when the
  // folder goes on with its next picture. row follows the folder's row.
  std::optional<Next> comparePicture(int& row, const QString& folder, const QStringList& files, int position);
  // Writes the three result cells of the folder's row; false when the row is
  // no longer in the list.
  bool writeVerdict(int& row, const QString& folder, const QString& verdict, const QString& score, int position);
  bool windowClosed() const;

  WorkflowContext& context_;
  bool running_ = false;
  bool windowWasVisible_ = false;
};

}  // namespace velmora
