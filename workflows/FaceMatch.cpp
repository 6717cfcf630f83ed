#include "workflows/FaceMatch.h"

#include <QComboBox>
#include <QLabel>
#include <algorithm>

#include "app/MainWindow.h"
#include "app/ProgramState.h"
#include "app/toolkit/TextBridge.h"
#include "text/Numbers.h"
#include "vision/ServiceReply.h"
#include "workflows/ServiceStatusView.h"
#include "workflows/WorkflowContext.h"

namespace velmora {
namespace {

// Face tokens are ASCII: they are shown without a code-page conversion (each
// conversion opens the converter anew); anything else goes through GB18030.
QString tokenText(const Text& token) {
  const bool ascii = std::all_of(token.begin(), token.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  return ascii ? QString::fromLatin1(token.data(), qsizetype(token.size())) : toQString(token);
}

ErrorBox comparisonErrorBox(MainWindow& window) {
  return ErrorBox{window.错误框2, window.错误代码框2, window.错误描述框2, window.错误信息框2};
}

}  // namespace

std::optional<int> readThreshold(WorkflowContext& context) {
  // A leading number is made of ASCII blanks, a sign and digits, so the ASCII
  // start of the text reads the same as the whole text in GBK, without a
  // code-page conversion at every test.
  const QString text = controlText(context.window.组合框_阈值);
  qsizetype ascii = 0;
  while (ascii < text.size() && text[ascii].unicode() < 0x80) ++ascii;
  const std::optional<std::int32_t> threshold = leadingInt(text.left(ascii).toStdString());
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
  context.window.透明标签9->setText(tokenText(reply.getText("result['face_list'][0]['face_token']")));
  context.window.透明标签12->setText(tokenText(reply.getText("result['face_list'][1]['face_token']")));
}

}  // namespace velmora
