#include "workflows/PictureFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QLabel>

#include "app/MainWindow.h"
#include "app/toolkit/PictureBox.h"
#include "app/toolkit/Prompts.h"
#include "workflows/WorkflowContext.h"

namespace velmora {

Bytes readWholeFile(const QString& path) {
  if (path.isEmpty()) return {};
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  const QByteArray content = file.readAll();
  return Bytes(content.constData(), static_cast<std::size_t>(content.size()));
}

QString sizeInKb(qint64 bytes) { return QString::number(bytes / 1024) + QStringLiteral("KB"); }

void openPictureFile(WorkflowContext& context, PictureBox* picture, QLabel* sizeLabel, QLabel* nameLabel) {
  FileDialogSettings& dialog = context.window.通用对话框1;
  if (!context.prompts.fileDialog(dialog)) return;
  const QString path = dialog.fileName;
  const qint64 size = QFileInfo(path).size();
  if (size >= kPictureSizeLimit) {
    context.prompts.message(QStringLiteral("图片需小于5M，请重新选择"));
    return;
  }
  sizeLabel->setText(sizeInKb(size));
  picture->setPicture(readWholeFile(path));
  if (nameLabel) nameLabel->setText(QFileInfo(path).fileName());
}

}  // namespace velmora
