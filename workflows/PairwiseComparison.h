#pragma once
// The comparison of the two single pictures beside the folder list: the
// "下图单独对比" button, the two picture-opening buttons and the pictures
// dropped on the two picture boxes.
#include <QString>

namespace velmora {

class PictureBox;
struct WorkflowContext;

// Compares the pictures of 图片框1 and 图片框2 and shows the verdict
// ("成功，一定是同一个人！" with "<score>% 同一人", or "失败，不是同一个人" with
// "<score>% 非同一人"), the face tokens and "图像对比完毕！". An empty box or a
// threshold that is not a number stops it with a message before anything is
// sent. A failed request shows the error box, the red lamp and the error
// status line, sets the verdict, score and token labels to "-", and stops.
void comparePicturePair(WorkflowContext& context);

// A picture dropped on a picture box: the box takes the whole content of the
// file named by the drop's text. Several files at once name no single file,
// so the box is left empty; the labels never change.
void showDroppedPicture(PictureBox* box, const QString& droppedPaths);

}  // namespace velmora
