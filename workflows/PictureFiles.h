#pragma once
// Reading picture files, and the one picture-opening rule that every
// picture-opening button follows.
#include <QString>

#include "text/Text.h"

class QLabel;

namespace velmora {

class PictureBox;
struct WorkflowContext;

// Files of this many bytes or more are refused: 5000 units of 1024 bytes.
inline constexpr qint64 kPictureSizeLimit = 5000 * 1024;

// The whole content of a file; empty when it is missing, unreadable or empty.
Bytes readWholeFile(const QString& path);

// The size label text: whole KB rounded down, then "KB" (3000 bytes: "2KB").
QString sizeInKb(qint64 bytes);

// Lets the user choose a picture with the shared file dialog (its settings as
// the last user left them). A file of kPictureSizeLimit bytes or more is
// refused with a message and changes nothing. Otherwise the size label shows
// its size in KB, the picture box takes its bytes, and the name label (when
// given) its file name.
void openPictureFile(WorkflowContext& context, PictureBox* picture, QLabel* sizeLabel, QLabel* nameLabel = nullptr);

}  // namespace velmora
