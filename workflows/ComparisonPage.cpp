#include "workflows/ComparisonPage.h"

#include <QAction>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include "app/MainWindow.h"
#include "app/toolkit/DropTarget.h"
#include "app/toolkit/ReportList.h"
#include "app/toolkit/TextBridge.h"
#include "workflows/FolderEnumeration.h"
#include "workflows/FolderListActions.h"
#include "workflows/FolderWalk.h"
#include "workflows/PairwiseComparison.h"
#include "workflows/PictureFiles.h"
#include "workflows/WorkflowContext.h"

namespace velmora {

ComparisonPage::ComparisonPage(WorkflowContext& context, QObject* parent)
    : QObject(parent),
      context_(context),
      walk_(new FolderWalk(context.window.超级列表框_目录, context.window.标签_状态, this)),
      batch_(context) {
  MainWindow& window = context.window;
  connect(window.按钮_选择目录, &QPushButton::clicked, this, &ComparisonPage::chooseFolder);
  connect(window.按钮1, &QPushButton::clicked, this, &ComparisonPage::listFirstFolder);
  connect(window.对比人脸, &QPushButton::clicked, this, [this] { batch_.run(); });
  connectFolderList();
  connectPicturePair();
}

void ComparisonPage::connectFolderList() {
  MainWindow& window = context_.window;
  QTreeWidget* list = window.超级列表框_目录;
  connect(list, &QTreeWidget::currentItemChanged, this, [this] { showRowPreview(context_); });
  connect(list, &QTreeWidget::itemClicked, this, [this] { showRowPreview(context_); });
  connect(list->header(), &QHeaderView::sectionClicked, this, [list](int column) { sortByColumn(list, column); });
  connect(list, &QTreeWidget::itemDoubleClicked, this, [list] { openCurrentFolder(list); });
  connect(window.拖放对象1, &DropTarget::filesDropped, this,
          [list](const QString& paths) { addDroppedFolders(list, paths); });
  connect(window.打开选择目录, &QAction::triggered, this, [this] { openSelectedFolders(context_); });
  connect(window.清空列表, &QAction::triggered, this, [list] { deleteAllRows(list); });
}

void ComparisonPage::connectPicturePair() {
  MainWindow& window = context_.window;
  connect(window.按钮_单独对比, &QPushButton::clicked, this, [this] { comparePicturePair(context_); });
  connect(window.打开对比图1, &QPushButton::clicked, this, [this, &window] {
    openPictureFile(context_, window.图片框1, window.透明标签8, window.透明标签7);
  });
  connect(window.打开对比图2, &QPushButton::clicked, this, [this, &window] {
    openPictureFile(context_, window.图片框2, window.透明标签11, window.透明标签10);
  });
  connect(window.拖放对象_图片1, &DropTarget::filesDropped, this,
          [&window](const QString& paths) { showDroppedPicture(window.图片框1, paths); });
  connect(window.拖放对象_图片2, &DropTarget::filesDropped, this,
          [&window](const QString& paths) { showDroppedPicture(window.图片框2, paths); });
}

void ComparisonPage::chooseFolder() {
  MainWindow& window = context_.window;
  QString root = context_.prompts.pickFolder(QStringLiteral("选择"));
  if (!root.isEmpty() && !QFileInfo(root).isDir()) root.clear();
  window.编辑框_目录->setText(root);
  // A walk still running stops before the list is emptied, so two walks
  // never mix their rows.
  walk_->stop();
  deleteAllRows(window.超级列表框_目录);
  window.标签_状态->setText(QStringLiteral("正在遍历目录，请稍后..."));
  const QString chosen = controlText(window.编辑框_目录);
  if (!chosen.isEmpty()) walk_->start(chosen);
}

void ComparisonPage::listFirstFolder() {
  MainWindow& window = context_.window;
  QStringList files;
  findFiles(cellText(window.超级列表框_目录, 0, 0), QStringLiteral("*.*"), files);
  appendRows(window.超级列表框_文件, files);
}

ComparisonPage* installComparisonPage(WorkflowContext& context) {
  return new ComparisonPage(context, &context.window);
}

}  // namespace velmora
