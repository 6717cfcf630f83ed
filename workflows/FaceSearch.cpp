#include "workflows/FaceSearch.h"

#include <QComboBox>
#include <QLabel>
#include <array>
#include <utility>

#include "app/MainWindow.h"
#include "app/ProgramState.h"
#include "app/toolkit/Colors.h"
#include "app/toolkit/PictureBox.h"
#include "app/toolkit/Prompts.h"
#include "app/toolkit/ShapeBox.h"
#include "app/toolkit/TextBridge.h"
#include "text/Numbers.h"
#include "vision/ServiceReply.h"
#include "workflows/ElapsedTime.h"
#include "workflows/ServiceStatusView.h"
#include "workflows/WorkflowContext.h"

namespace velmora {

namespace {

constexpr std::array<std::string_view, 4> kGroupIdLists{"zheng,w,b", "zheng", "w", "b"};

// The six labels that show the best match; "-" stands for no value.
std::array<QLabel*, 6> resultLabels(MainWindow& window) {
  return {window.透明标签52, window.透明标签50, window.透明标签51,
          window.透明标签54, window.透明标签47, window.透明标签56};
}

void resetResultLabels(MainWindow& window) {
  for (QLabel* label : resultLabels(window)) label->setText(QStringLiteral("-"));
}

// Fills the labels from the first entry of the user list in the document.
void showBestMatch(MainWindow& window, JsonDocument& document) {
  const auto best = [&document](const char* member) {
    return toQString(document.getText(Text("result['user_list'][0]['") + member + "']"));
  };
  window.透明标签46->setText(QStringLiteral("成功，匹配到以下人员"));
  window.透明标签52->setText(toQString(document.getText("result.face_token")));
  window.透明标签50->setText(best("group_id"));
  window.透明标签56->setText(kindOfPerson(window.透明标签50->text()));
  window.透明标签51->setText(best("user_id"));
  window.透明标签54->setText(best("user_info"));
  // The score as the service wrote it, fraction included.
  window.透明标签47->setText(best("score"));
}

}  // namespace

Text searchGroupIds(int itemIndex) {
  if (itemIndex < 0 || itemIndex >= int(kGroupIdLists.size())) return {};
  return Text(kGroupIdLists[std::size_t(itemIndex)]);
}

QString kindOfPerson(const QString& groupId) {
  static const std::array<std::pair<QString, QString>, 3> kinds{{
      {QStringLiteral("zheng"), QStringLiteral("普通人员")},
      {QStringLiteral("w"), QStringLiteral("白名单人员")},
      {QStringLiteral("b"), QStringLiteral("黑名单人员")},
  }};
  for (const auto& [group, kind] : kinds) {
    if (group == groupId) return kind;
  }
  return QStringLiteral("-");
}

void runFaceSearch(WorkflowContext& context) {
  MainWindow& window = context.window;
  ProgramState& state = context.state;
  startRequestClock(state);
  if (!window.图片框3->hasPicture()) {
    context.prompts.message(QStringLiteral("图片一无图片！"));
    return;
  }
  const Text groups = searchGroupIds(window.组合框2->currentIndex());

  window.透明标签46->setText(QStringLiteral("识别中,请稍等..."));
  resetResultLabels(window);
  window.外形框3->setFillColor(kWhite);

  const Text reply = state.visionClient->searchFace(window.图片框3->picture(), groups);
  JsonDocument& document = *state.replyDocument;
  checkServiceReply(document, reply, state.serviceStatus);
  const ErrorBox errorBox{window.错误框3, window.错误代码框3, window.错误描述框3, window.错误信息框3};
  if (!state.serviceStatus.success) {
    showServiceFailure(errorBox, window.外形框3, state.serviceStatus);
    window.透明标签46->setText(QStringLiteral("返回异常,请检查..."));
    showElapsedTime(state, window.透明标签75);
    return;
  }
  showServiceSuccess(errorBox, window.外形框3);
  document.parse(reply);
  // No candidate at all reads as score 0.
  const int score = textToInt(document.getText("result['user_list'][0]['score']"));
  if (score < kSearchMatchBound) {
    window.透明标签46->setText(QStringLiteral("失败，未找到此人"));
    resetResultLabels(window);
  } else {
    showBestMatch(window, document);
  }
  document.clear();
  showElapsedTime(state, window.透明标签75);
}

}  // namespace velmora
