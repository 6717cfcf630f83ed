#pragma once
// Face search: looks for the person in the picture of 图片框3 among the faces
// registered in the service's face set, and shows who it is when the best
// match scores at least kSearchMatchBound.
#include <QString>

#include "text/Text.h"

namespace velmora {

struct WorkflowContext;

// The fixed match bound in percent (the similarity threshold of the batch
// comparison does not apply here).
inline constexpr int kSearchMatchBound = 80;

// The group id list sent for an item of 组合框2: "全部" "zheng,w,b",
// "普通人员" "zheng", "白名单" "w", "黑名单" "b"; empty text for any other index.
Text searchGroupIds(int itemIndex);

// The kind of person a group stands for: "zheng" "普通人员", "w" "白名单人员",
// "b" "黑名单人员"; "-" for any other group.
QString kindOfPerson(const QString& groupId);

// The click of 开始人脸识别, also run for every picture the remote receiver
// completes. Needs a picture (a message box otherwise, nothing sent); resets
// the result labels, sends the search and shows the outcome: on failure the
// error box, a red lamp and "返回异常,请检查..."; on success a green lamp and
// either "失败，未找到此人" (best score below the bound, or no candidate) or the
// best match's face token, group, kind of person, user ID, user information
// and score. The elapsed time is shown in all three outcomes.
void runFaceSearch(WorkflowContext& context);

}  // namespace velmora
