#include "results/ExportProgressWindow.h"

namespace velmora {

ExportProgressWindow::ExportProgressWindow(QWidget* parent)
    : QWidget(parent, Qt::Window),
      标签1(new QLabel(this)),
      进度条1(new QProgressBar(this)),
      标签2(new QLabel(this)) {
  setObjectName(QStringLiteral("导出进度窗口"));
  setWindowTitle(QString());
  setFixedSize(416, 144);
  move(50, 50);
  标签1->setObjectName(QStringLiteral("标签1"));
  标签1->setGeometry(8, 8, 392, 24);
  进度条1->setObjectName(QStringLiteral("进度条1"));
  进度条1->setGeometry(8, 40, 392, 24);
  标签2->setObjectName(QStringLiteral("标签2"));
  标签2->setGeometry(8, 80, 392, 24);
}

void ExportProgressWindow::start(int total) {
  标签1->setText(QStringLiteral("数据正在导出请稍后......"));
  进度条1->setRange(0, total);
  进度条1->setValue(0);
  show();
}

void ExportProgressWindow::setProgress(int done) { 进度条1->setValue(done); }

}  // namespace velmora
