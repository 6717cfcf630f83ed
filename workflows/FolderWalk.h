#pragma once
// The folder walk behind "选择目录": every folder below a root, breadth first,
// level by level, read on a worker thread and appended to the folder list on
// the GUI thread.
//
// The worker never touches a widget. It hands the rows it finds over in
// batches through a small locked channel; a timer of the GUI thread appends
// them, a bounded slice of time per tick, so a walk of a hundred thousand
// folders neither floods the event queue nor holds up the window. Stopping
// (a new walk, or the end of the object with its window) cancels the worker
// and waits for it, so nothing found later can reach a list that is gone.
#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>
#include <thread>

class QLabel;
class QTimer;
class QTreeWidget;

namespace velmora {

// The rows a walk's worker hands over to the GUI thread.
struct FolderWalkChannel;

class FolderWalk : public QObject {
  Q_OBJECT
 public:
  // Rows go to list ("目录" cell); the end message to status.
  FolderWalk(QTreeWidget* list, QLabel* status, QObject* parent = nullptr);
  ~FolderWalk() override;

  // Starts walking below root (any running walk is stopped first). At the
  // end the status line reads "目录遍历完毕！共有目录<rows in the list>个。".
  void start(const QString& root);
  // Cancels the running walk and waits for its thread; rows not yet appended
  // are dropped and no end message is written. Does nothing when idle.
  void stop();
  bool isRunning() const { return channel_ != nullptr; }

 signals:
  // The walk has ended and its end message is written.
  void finished();

 private:
  void deliverRows();
  void appendFromBacklog();
  void finish();

  QTreeWidget* list_;
  QLabel* status_;
  QTimer* timer_;
  std::shared_ptr<FolderWalkChannel> channel_;
  std::thread worker_;
  QStringList backlog_;        // rows taken from the channel, not yet appended
  qsizetype backlogStart_ = 0;  // first row of backlog_ still to append
};

}  // namespace velmora
