#pragma once
#include <QStringList>

namespace velmora {

// Turns a filter of descriptions and patterns joined by "|"
// ("图片(*.jpg;*.png)|*.jpg;*.png|所有文件|*.*") into Qt name filters
// ("图片(*.jpg;*.png) (*.jpg *.png)", "所有文件 (*.*)"). Empty pieces are
// skipped; a description without a pattern is dropped.
QStringList toQtNameFilters(const QString& filter);

}  // namespace velmora
