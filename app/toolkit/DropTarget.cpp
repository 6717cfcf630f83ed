#include "app/toolkit/DropTarget.h"

#include <QAbstractScrollArea>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

namespace velmora {
namespace {

QStringList localPaths(const QMimeData* data) {
  QStringList paths;
  if (!data || !data->hasUrls()) return paths;
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile()) paths << url.toLocalFile();
  }
  return paths;
}

}  // namespace

DropTarget::DropTarget(QObject* parent) : QObject(parent) {}

QString DropTarget::joinPaths(const QStringList& paths) { return paths.join(QStringLiteral("\r\n")); }

void DropTarget::bind(QWidget* control) {
  if (!control || control_ == control) return;
  control_ = control;
  auto* area = qobject_cast<QAbstractScrollArea*>(control);
  receiver_ = area ? area->viewport() : control;
  control->setAcceptDrops(true);
  receiver_->setAcceptDrops(true);
  receiver_->installEventFilter(this);
}

bool DropTarget::eventFilter(QObject* watched, QEvent* event) {
  if (watched != receiver_) return false;
  switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      auto* drag = static_cast<QDropEvent*>(event);
      if (localPaths(drag->mimeData()).isEmpty()) return false;
      drag->setDropAction(Qt::CopyAction);
      drag->accept();
      return true;
    }
    case QEvent::Drop: {
      auto* drop = static_cast<QDropEvent*>(event);
      const QStringList paths = localPaths(drop->mimeData());
      if (paths.isEmpty()) return false;
      drop->setDropAction(Qt::CopyAction);
      drop->accept();
      emit filesDropped(joinPaths(paths));
      return true;
    }
    default:
      return false;
  }
}

}  // namespace velmora
