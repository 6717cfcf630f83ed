#pragma once
// A drop object: once bound to a control, files dropped on that control raise
// filesDropped with all dropped paths joined by CR LF, in the order the drop
// delivers them. Until bound it does nothing and the control refuses drops.
#include <QObject>
#include <QPointer>
#include <QStringList>

class QWidget;

namespace velmora {

class DropTarget : public QObject {
  Q_OBJECT
 public:
  explicit DropTarget(QObject* parent = nullptr);

  // Switches the drop object on for the control (for a scroll area, its
  // viewport receives the drops).
  void bind(QWidget* control);
  bool isBound() const { return !control_.isNull(); }
  QWidget* control() const { return control_; }

  // Joins paths the way filesDropped carries them.
  static QString joinPaths(const QStringList& paths);

 signals:
  void filesDropped(const QString& pathsJoinedByCrLf);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QPointer<QWidget> control_;
  QPointer<QWidget> receiver_;
};

}  // namespace velmora
