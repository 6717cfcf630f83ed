#include "workflows/FaceRegistration.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <array>

#include "app/MainWindow.h"
#include "app/ProgramState.h"
#include "app/toolkit/Colors.h"
#include "app/toolkit/PictureBox.h"
#include "app/toolkit/Prompts.h"
#include "app/toolkit/ShapeBox.h"
#include "app/toolkit/TextBridge.h"
#include "vision/ServiceReply.h"
#include "workflows/ElapsedTime.h"
#include "workflows/ServiceStatusView.h"
#include "workflows/WorkflowContext.h"

namespace velmora {

namespace {

constexpr std::array<std::string_view, 3> kGroupIds{"zheng", "w", "b"};

}  // namespace

Text registrationGroupId(int itemIndex) {
  if (itemIndex < 0 || itemIndex >= int(kGroupIds.size())) return {};
  return Text(kGroupIds[std::size_t(itemIndex)]);
}

void runFaceRegistration(WorkflowContext& context) {
  MainWindow& window = context.window;
  ProgramState& state = context.state;
  startRequestClock(state);
  if (!window.图片框4->hasPicture()) {
    context.prompts.message(QStringLiteral("无图片！"));
    return;
  }
  // Only emptiness is checked here; the service judges the ID itself.
  if (window.编辑框2->text().isEmpty()) {
    context.prompts.message(QStringLiteral("用户ID必须要填，且为引文数字"));
    return;
  }
  const Text group = registrationGroupId(window.组合框1->currentIndex());

  window.外形框5->setFillColor(kWhite);
  window.透明标签59->setText(QStringLiteral("注册中,请稍等..."));
  window.透明标签61->setText(QStringLiteral("-"));

  const Text reply = state.visionClient->addUser(window.图片框4->picture(), toText(window.编辑框2->text()), group,
                                                 toText(window.编辑框4->text()));
  JsonDocument& document = *state.replyDocument;
  checkServiceReply(document, reply, state.serviceStatus);
  const ErrorBox errorBox{window.错误框5, window.错误代码框5, window.错误描述框5, window.错误信息框5};
  if (!state.serviceStatus.success) {
    // The picture stays so that the user can retry; no time is shown.
    showServiceFailure(errorBox, window.外形框5, state.serviceStatus);
    return;
  }
  showServiceSuccess(errorBox, window.外形框5);
  window.透明标签59->setText(QStringLiteral("成功"));
  window.图片框4->setPicture({});
  document.parse(reply);
  window.透明标签61->setText(toQString(document.getText("result.face_token")));
  document.clear();
  showElapsedTime(state, window.透明标签81);
}

}  // namespace velmora
