#include "workflows/BatchComparison.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

#include "app/MainWindow.h"
#include "app/ProgramState.h"
#include "app/toolkit/Colors.h"
#include "app/toolkit/EventLoop.h"
#include "app/toolkit/PictureBox.h"
#include "app/toolkit/ReportList.h"
#include "app/toolkit/TextBridge.h"
#include "workflows/FaceMatch.h"
#include "workflows/FolderEnumeration.h"
#include "workflows/PictureFiles.h"
#include "workflows/WorkflowContext.h"

namespace velmora {
namespace {

constexpr int kFolderColumn = 0;
constexpr int kVerdictColumn = 1;
constexpr int kScoreColumn = 2;
constexpr int kPositionColumn = 3;

// Pauses after a matching pair, with window events running.
constexpr int kPauseAfterMatchMs = 100;
constexpr int kPauseBeforeNextPairMs = 300;

// The row that holds folder now: row itself while it still does, otherwise
// the first row that does (the list was sorted meanwhile), -1 when no row
// does (the list was cleared). row follows the folder when it has moved.
bool locateFolderRow(const QTreeWidget* list, int& row, const QString& folder) {
  if (cellText(list, row, kFolderColumn) == folder) return true;
  const int rows = rowCount(list);
  for (int candidate = 0; candidate < rows; ++candidate) {
    if (cellText(list, candidate, kFolderColumn) == folder) {
      row = candidate;
      return true;
    }
  }
  return false;
}

// Marks the batch as running for as long as it lives; the batch button is
// disabled meanwhile so that the user sees it.
class RunningMark {
 public:
  RunningMark(bool& running, QPushButton* button) : running_(running), button_(button) {
    running_ = true;
    button_->setEnabled(false);
  }
  ~RunningMark() {
    running_ = false;
    button_->setEnabled(true);
  }
  RunningMark(const RunningMark&) = delete;
  RunningMark& operator=(const RunningMark&) = delete;

 private:
  bool& running_;
  QPushButton* button_;
};

}  // namespace

QString fileTitle(const QString& path) {
  const QString name = path.mid(path.lastIndexOf(u'/') + 1);
  const qsizetype dot = name.lastIndexOf(u'.');
  return dot < 0 ? name : name.left(dot);
}

void BatchComparison::run() {
  if (running_) return;
  MainWindow& window = context_.window;
  const int folders = rowCount(window.超级列表框_目录);
  if (folders == 0) {
    context_.prompts.message(QStringLiteral("没有选择目录，请先选择要核对的照片目录！"));
    return;
  }
  if (!readThreshold(context_)) return;
  RunningMark mark(running_, window.对比人脸);
  windowWasVisible_ = window.isVisible();
  for (int row = 0; row < folders; ++row) {
    // Rows removed while the batch runs are skipped.
    if (row >= rowCount(window.超级列表框_目录)) continue;
    const QString folder = cellText(window.超级列表框_目录, row, kFolderColumn);
    if (compareFolder(row, folder) == Next::EndBatch || windowClosed()) return;
  }
  setTextColor(window.标签_状态, kBlack);
  window.标签_状态->setText(kComparisonFinished);
}

BatchComparison::Next BatchComparison::compareFolder(int row, const QString& folder) {
  QTreeWidget* fileList = context_.window.超级列表框_文件;
  deleteAllRows(fileList);
  QStringList files;
  findFiles(folder, QStringLiteral("*.*"), files);
  if (windowClosed()) return Next::EndBatch;
  appendRows(fileList, files);
  const int pictures = int(files.size());
  for (int position = 1; position <= pictures; ++position) {
    const std::optional<Next> next = comparePicture(row, folder, files, position);
    if (next) return *next;
  }
  return Next::NextFolder;
}

std::optional<BatchComparison::Next> BatchComparison::comparePicture(int& row, const QString& folder,
                                                                     const QStringList& files, int position) {
  MainWindow& window = context_.window;
  // Each picture is read once per pair; the same bytes are checked, shown
  // and sent.
  const Bytes first = readWholeFile(files[0]);
  if (first.empty()) {
    context_.prompts.message(QStringLiteral("图片1无图片！"));
    return Next::EndBatch;
  }
  const Bytes second = position == 1 ? first : readWholeFile(files[position - 1]);
  if (second.empty()) {
    context_.prompts.message(QStringLiteral("图片2无图片！"));
    return Next::EndBatch;
  }
  window.错误框2->setVisible(false);
  if (position == 1) return std::nullopt;
  // The folder's row may have gone while events ran: then nothing is sent.
  if (!locateFolderRow(window.超级列表框_目录, row, folder)) return Next::NextFolder;

  // The reference picture is decoded for display only when it changes.
  if (window.图片框1->picture() != first) window.图片框1->setPicture(first);
  window.图片框2->setPicture(second);
  window.标签_状态->setText(QStringLiteral("正在对比：") + fileTitle(files[0]) + QStringLiteral(" 和 ") +
                           fileTitle(files[position - 1]) + QStringLiteral(" 请稍后..."));
  if (!matchPair(context_, first, second)) {
    writeVerdict(row, folder, QStringLiteral("识别失败，错误代码:") + toQString(context_.state.serviceStatus.errorCode),
                 QStringLiteral("-"), position);
    return Next::NextFolder;
  }

  JsonDocument& reply = *context_.state.replyDocument;
  const int score = matchScore(reply);
  window.透明标签17->setText(QString::number(score) + u'%');
  // The threshold is read at each test: a change made in the pause counts.
  std::optional<int> threshold = readThreshold(context_);
  if (!threshold) return Next::EndBatch;
  if (score >= *threshold) {
    window.透明标签14->setText(kSamePersonVerdict);
    if (!writeVerdict(row, folder, QStringLiteral("同一人"), QString::number(score), position)) return Next::NextFolder;
    waitMs(kPauseAfterMatchMs);
    if (windowClosed()) return Next::EndBatch;
  }
  threshold = readThreshold(context_);
  if (!threshold) return Next::EndBatch;
  if (score < *threshold) {
    window.透明标签14->setText(kOtherPersonVerdict);
    writeVerdict(row, folder, QStringLiteral("非同一人"), QString::number(score), position);
    return Next::NextFolder;
  }
  showFaceTokens(context_, reply);
  reply.clear();
  waitMs(kPauseBeforeNextPairMs);
  if (windowClosed()) return Next::EndBatch;
  return std::nullopt;
}

bool BatchComparison::writeVerdict(int& row, const QString& folder, const QString& verdict, const QString& score,
                                   int position) {
  QTreeWidget* list = context_.window.超级列表框_目录;
  if (!locateFolderRow(list, row, folder)) return false;
  setCellText(list, row, kVerdictColumn, verdict);
  setCellText(list, row, kScoreColumn, score);
  setCellText(list, row, kPositionColumn, QString::number(position));
  return true;
}

bool BatchComparison::windowClosed() const { return windowWasVisible_ && !context_.window.isVisible(); }

}  // namespace velmora
