#pragma once
// The small window that shows how far an export has come: a caption that
// names the work, a progress bar, and a spare label below.
#include <QLabel>
#include <QProgressBar>
#include <QWidget>

namespace velmora {

class ExportProgressWindow : public QWidget {
  Q_OBJECT
 public:
  // A separate top-level window owned by parent (which may be null).
  explicit ExportProgressWindow(QWidget* parent = nullptr);

  // Shows the window with "数据正在导出请稍后......" and an empty bar of
  // `total` steps.
  void start(int total);
  void setProgress(int done);

  QLabel* 标签1;
  QProgressBar* 进度条1;
  QLabel* 标签2;
};

}  // namespace velmora
