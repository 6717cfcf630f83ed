#pragma once
// A path from a dialog as the bytes the C libraries open.
#include <QFile>
#include <QString>
#include <string>

namespace velmora {

inline std::string fileSystemPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

}  // namespace velmora
