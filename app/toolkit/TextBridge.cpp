#include "app/toolkit/TextBridge.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "app/toolkit/Colors.h"
#include "text/Codepage.h"

namespace velmora {

QString toQString(const Text& text) { return QString::fromStdString(gb18030ToUtf8(text)); }

Text toText(const QString& text) { return utf8ToGb18030(text.toStdString()); }

QString controlText(const QWidget* control) {
  if (auto label = qobject_cast<const QLabel*>(control)) return label->text();
  if (auto edit = qobject_cast<const QLineEdit*>(control)) return edit->text();
  if (auto multi = qobject_cast<const QPlainTextEdit*>(control)) {
    return multi->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
  }
  if (auto button = qobject_cast<const QAbstractButton*>(control)) return button->text();
  if (auto group = qobject_cast<const QGroupBox*>(control)) return group->title();
  if (auto combo = qobject_cast<const QComboBox*>(control)) return combo->currentText();
  return {};
}

void setControlText(QWidget* control, const QString& text) {
  if (auto label = qobject_cast<QLabel*>(control)) return label->setText(text);
  if (auto edit = qobject_cast<QLineEdit*>(control)) return edit->setText(text);
  if (auto multi = qobject_cast<QPlainTextEdit*>(control)) {
    QString plain = text;
    plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return multi->setPlainText(plain);
  }
  if (auto button = qobject_cast<QAbstractButton*>(control)) return button->setText(text);
  if (auto group = qobject_cast<QGroupBox*>(control)) return group->setTitle(text);
  if (auto combo = qobject_cast<QComboBox*>(control)) {
    if (combo->isEditable()) return combo->setEditText(text);
    const int index = combo->findText(text);
    if (index >= 0) combo->setCurrentIndex(index);
  }
}

void setTextColor(QWidget* label, std::uint32_t colorref) {
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, colorFromColorref(colorref));
  label->setPalette(palette);
}

}  // namespace velmora
