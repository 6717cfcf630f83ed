#include "app/toolkit/DialogFilter.h"

namespace velmora {

QStringList toQtNameFilters(const QString& filter) {
  const QStringList pieces = filter.split(QLatin1Char('|'));
  QStringList nameFilters;
  for (qsizetype i = 0; i + 1 < pieces.size(); i += 2) {
    const QString description = pieces[i].trimmed();
    QStringList patterns = pieces[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (QString& pattern : patterns) pattern = pattern.trimmed();
    patterns.removeAll(QString());
    if (patterns.isEmpty()) continue;
    const QString joined = patterns.join(QLatin1Char(' '));
    nameFilters << (description.isEmpty() ? joined : description + QStringLiteral(" (") + joined + QLatin1Char(')'));
  }
  return nameFilters;
}

}  // namespace velmora
