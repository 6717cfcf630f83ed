#include "workflows/FolderWalk.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QTimer>
#include <QTreeWidget>
#include <atomic>
#include <mutex>
#include <unordered_set>
#include <vector>

#include "app/toolkit/ReportList.h"
#include "workflows/DirectoryReader.h"
#include "workflows/FolderEnumeration.h"

namespace velmora {

// What the worker hands over to the GUI thread.
struct FolderWalkChannel {
  std::mutex mutex;
  QStringList rows;  // found and not yet taken
  bool done = false;
  std::atomic<bool> cancelled{false};
};

namespace {

// How often the GUI thread looks for new rows while a walk runs, and how
// long one look may append rows before it lets other events run.
constexpr int kPollMs = 5;
constexpr qint64 kAppendBudgetNs = 12'000'000;
constexpr qsizetype kAppendChunk = 512;

// Collects rows on the worker and hands them over in batches: when many have
// gathered or a little time has passed, whichever comes first.
class RowHandOver {
 public:
  explicit RowHandOver(FolderWalkChannel& channel) : channel_(channel) { clock_.start(); }

  void add(QString row) {
    rows_.append(std::move(row));
    if (rows_.size() >= 4096 || ((rows_.size() & 63) == 0 && clock_.elapsed() >= 10)) handOver();
  }

  void handOver() {
    std::lock_guard lock(channel_.mutex);
    if (channel_.rows.isEmpty()) {
      channel_.rows.swap(rows_);
    } else {
      channel_.rows.append(std::move(rows_));
    }
    rows_.clear();
    clock_.restart();
  }

  void finish() {
    handOver();
    std::lock_guard lock(channel_.mutex);
    channel_.done = true;
  }

 private:
  FolderWalkChannel& channel_;
  QStringList rows_;
  QElapsedTimer clock_;
};

// Breadth first, level by level: all folders of one level, in the order the
// file system returns them, then the folders found on it. Each folder found
// becomes a row. A link to a folder is followed like a folder, except when
// the folder it leads to was already seen: then it is listed but not entered,
// so a link back to a parent cannot make the walk endless.
void walkBelow(const QByteArray& root, FolderWalkChannel& channel) {
  RowHandOver out(channel);
  std::unordered_set<FolderIdentity, FolderIdentityHash> seen;
  std::vector<QByteArray> level{root};
  std::vector<QByteArray> next;
  while (!level.empty()) {
    for (const QByteArray& folder : level) {
      if (channel.cancelled.load(std::memory_order_relaxed)) return;
      DirectoryReader reader(folder);
      if (!reader.isOpen()) continue;
      seen.insert(reader.identity());
      DirectoryEntry entry;
      while (reader.next(entry)) {
        if (channel.cancelled.load(std::memory_order_relaxed)) return;
        if (!entry.isFolder) continue;
        QByteArray path = folder + entry.name;
        out.add(QFile::decodeName(path));
        const bool firstSight = seen.insert(entry.identity).second;
        if (firstSight || !entry.isLink) next.push_back(path + '/');
      }
    }
    level.swap(next);
    next.clear();
  }
  out.finish();
}

}  // namespace

FolderWalk::FolderWalk(QTreeWidget* list, QLabel* status, QObject* parent)
    : QObject(parent), list_(list), status_(status), timer_(new QTimer(this)) {
  connect(timer_, &QTimer::timeout, this, &FolderWalk::deliverRows);
}

FolderWalk::~FolderWalk() { stop(); }

void FolderWalk::start(const QString& root) {
  stop();
  channel_ = std::make_shared<FolderWalkChannel>();
  worker_ = std::thread([channel = channel_, root = QFile::encodeName(withTrailingSlash(root))] {
    walkBelow(root, *channel);
  });
  timer_->start(kPollMs);
}

void FolderWalk::stop() {
  if (!channel_) return;
  channel_->cancelled = true;
  if (worker_.joinable()) worker_.join();
  timer_->stop();
  channel_.reset();
  backlog_.clear();
  backlogStart_ = 0;
}

void FolderWalk::deliverRows() {
  bool done = false;
  {
    std::lock_guard lock(channel_->mutex);
    if (backlog_.isEmpty()) {
      backlog_.swap(channel_->rows);
    } else {
      backlog_.append(std::move(channel_->rows));
      channel_->rows.clear();
    }
    done = channel_->done;
  }
  appendFromBacklog();
  const bool rowsLeft = backlogStart_ < backlog_.size();
  // While rows wait, come back as soon as other events have run.
  timer_->setInterval(rowsLeft ? 0 : kPollMs);
  if (done && !rowsLeft) finish();
}

void FolderWalk::appendFromBacklog() {
  QElapsedTimer clock;
  clock.start();
  while (backlogStart_ < backlog_.size() && clock.nsecsElapsed() < kAppendBudgetNs) {
    const qsizetype end = std::min(backlog_.size(), backlogStart_ + kAppendChunk);
    appendRows(list_, backlog_.cbegin() + backlogStart_, backlog_.cbegin() + end);
    backlogStart_ = end;
  }
  if (backlogStart_ == backlog_.size()) {
    backlog_.clear();
    backlogStart_ = 0;
  }
}

void FolderWalk::finish() {
  worker_.join();
  timer_->stop();
  channel_.reset();
  status_->setText(QStringLiteral("目录遍历完毕！共有目录") + QString::number(rowCount(list_)) + QStringLiteral("个。"));
  emit finished();
}

}  // namespace velmora
