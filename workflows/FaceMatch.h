#pragma once
// What the batch comparison and the comparison of two single pictures share:
// the threshold, one request to the face match service with its outcome shown
// on the page, the score and face tokens of a good reply, and the texts.
#include <QString>
#include <optional>

#include "text/Text.h"

namespace velmora {

class JsonDocument;
struct WorkflowContext;

inline const QString kSamePersonVerdict = QStringLiteral("成功，一定是同一个人！");
inline const QString kOtherPersonVerdict = QStringLiteral("失败，不是同一个人");
inline const QString kComparisonFinished = QStringLiteral("图像对比完毕！");
inline const QString kThresholdNotNumber = QStringLiteral("相似度阈值必须是数字，请重新输入！");

// The threshold typed into 组合框_阈值: its leading decimal integer ("89.5"
// gives 89). When the text does not start with a number (or is empty), the
// message box kThresholdNotNumber is shown and nothing is returned.
std::optional<int> readThreshold(WorkflowContext& context);

// Sends the two pictures to the face match service and checks the reply into
// the service status. A good reply: 错误框2 hidden, lamp 外形框2
// green, true, and the reply document holds the reply. A failed one (the
// service's error or no reply at all): the error box filled and shown, the
// lamp red, the status line "错误代码：<code> 对比停止，请联系百度接口官方解决问题！",
// false.
bool matchPair(WorkflowContext& context, const Bytes& first, const Bytes& second);

// The integer part of "result.score" of the reply in the document (89.99
// gives 89); 0 without one.
int matchScore(JsonDocument& reply);

// The face tokens of the two faces of the reply in the document into
// 透明标签9 and 透明标签12 (empty text for a missing one).
void showFaceTokens(WorkflowContext& context, JsonDocument& reply);

}  // namespace velmora
