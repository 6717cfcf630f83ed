#include "app/toolkit/QtPrompts.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "app/toolkit/DialogFilter.h"

namespace velmora {

void QtPrompts::message(const QString& text, const QString& title) {
  QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, QApplication::activeWindow());
  box.exec();
}

bool QtPrompts::fileDialog(FileDialogSettings& settings) {
  QFileDialog dialog(QApplication::activeWindow());
  dialog.setAcceptMode(settings.saveMode ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(settings.saveMode ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  if (!settings.folder.isEmpty()) dialog.setDirectory(settings.folder);
  const QStringList nameFilters = toQtNameFilters(settings.filter);
  if (!nameFilters.isEmpty()) dialog.setNameFilters(nameFilters);
  if (!settings.fileName.isEmpty()) dialog.selectFile(settings.fileName);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  const QFileInfo chosen(dialog.selectedFiles().constFirst());
  settings.fileName = chosen.absoluteFilePath();
  settings.folder = chosen.absolutePath() + QLatin1Char('/');
  return true;
}

QString QtPrompts::pickFolder(const QString& title) {
  return QFileDialog::getExistingDirectory(QApplication::activeWindow(), title);
}

}  // namespace velmora
