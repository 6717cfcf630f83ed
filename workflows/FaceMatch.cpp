#include "workflows/FaceMatch.h"

#include <QComboBox>
#include <QLabel>

#include "app/MainWindow.h"
#include "app/ProgramState.h"
#include "app/toolkit/TextBridge.h"
#include "text/Numbers.h"
#include "vision/ServiceReply.h"
#include "workflows/ServiceStatusView.h"
#include "workflows/WorkflowContext.h"

namespace velmora {
namespace {

ErrorBox comparisonErrorBox(MainWindow& window) {
  return ErrorBox{window.错误框2, window.错误代码框2, window.错误描述框2, window.错误信息框2};
}

}  // namespace

std::optional<int> readThreshold(WorkflowContext& context) {
  const std::optional<std::int32_t> threshold = leadingInt(toText(controlText(context.window.组合框_阈值)));
  if (!threshold) context.prompts.message(kThresholdNotNumber);
  return threshold;
}

bool matchPair(WorkflowContext& context, const Bytes& first, const Bytes& second) {
  MainWindow& window = context.window;
  ProgramState& state = context.state;
  const Text reply = state.visionClient->matchFaces(first, second);
  checkServiceReply(*state.replyDocument, reply, state.serviceStatus);
  if (!state.serviceStatus.success) {
    showServiceFailure(comparisonErrorBox(window), window.外形框2, state.serviceStatus);
    window.标签_状态->setText(QStringLiteral("错误代码：") + toQString(state.serviceStatus.errorCode) +
                             QStringLiteral(" 对比停止，请联系百度接口官方解决问题！"));
    return false;
  }
  showServiceSuccess(comparisonErrorBox(window), window.外形框2);
  return true;
}

int matchScore(JsonDocument& reply) {
  // The score's text as the document holds it; its leading integer. (For a
  // number this is the same text as the member's JSON, without building a
  // second document for it.)
  return textToInt(reply.getText("result.score"));
}

void showFaceTokens(WorkflowContext& context, JsonDocument& reply) {
  context.window.透明标签9->setText(toQString(reply.getText("result['face_list'][0]['face_token']")));
  context.window.透明标签12->setText(toQString(reply.getText("result['face_list'][1]['face_token']")));
}

}  // namespace velmora
