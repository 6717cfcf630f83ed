#pragma once
// Face registration: puts the face of the picture in 图片框4 into the
// service's face set under a user ID, a user group and user information.
#include "text/Text.h"

namespace velmora {

struct WorkflowContext;

// The group id sent for an item of 组合框1: "普通人员" "zheng", "白名单" "w",
// "黑名单" "b"; empty text for any other index.
Text registrationGroupId(int itemIndex);

// The click of 注册人脸. Needs a picture and a user ID (message boxes
// otherwise, nothing sent); sends them with the group and user information,
// then shows the outcome: on failure the error box and a red lamp, the picture
// kept for a retry; on success a green lamp, "成功", the face token, the
// picture box emptied for the next face, and the elapsed time.
void runFaceRegistration(WorkflowContext& context);

}  // namespace velmora
