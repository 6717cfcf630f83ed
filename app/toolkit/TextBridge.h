#pragma once
// The edge between the system's text (GBK bytes) and widget text (QString),
// and the text of a control, whatever its kind.
#include <QString>
#include <cstdint>

#include "text/Text.h"

class QWidget;

namespace velmora {

// GB18030 both ways (a superset of GBK, so every GBK text converts).
QString toQString(const Text& text);
Text toText(const QString& text);

// The text or caption of a control: label, line edit, multi-line edit (line
// breaks read as CR LF), button, radio button, group box title, combo box
// (its edit text, or the current item of a drop-down list). Empty for other
// widgets.
QString controlText(const QWidget* control);
void setControlText(QWidget* control, const QString& text);

// Sets a label's text colour from a Windows colour value (red in the low byte).
void setTextColor(QWidget* label, std::uint32_t colorref);

}  // namespace velmora
