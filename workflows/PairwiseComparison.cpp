#include "workflows/PairwiseComparison.h"

#include <QGroupBox>
#include <QLabel>

#include "app/MainWindow.h"
#include "app/ProgramState.h"
#include "app/toolkit/PictureBox.h"
#include "workflows/FaceMatch.h"
#include "workflows/PictureFiles.h"
#include "workflows/WorkflowContext.h"

namespace velmora {

void comparePicturePair(WorkflowContext& context) {
  MainWindow& window = context.window;
  if (!window.图片框1->hasPicture()) {
    context.prompts.message(QStringLiteral("图片1无图片！"));
    return;
  }
  if (!window.图片框2->hasPicture()) {
    context.prompts.message(QStringLiteral("图片2无图片！"));
    return;
  }
  // Read before the request; nothing runs meanwhile that could change it.
  const std::optional<int> threshold = readThreshold(context);
  if (!threshold) return;
  window.错误框2->setVisible(false);
  JsonDocument& reply = *context.state.replyDocument;
  if (!matchPair(context, window.图片框1->picture(), window.图片框2->picture())) {
    // No verdict without a reply: the labels say there is no value.
    for (QLabel* label : {window.透明标签14, window.透明标签17, window.透明标签9, window.透明标签12})
      label->setText(QStringLiteral("-"));
    reply.clear();
    return;
  }
  const int score = matchScore(reply);
  const bool samePerson = score >= *threshold;
  window.透明标签14->setText(samePerson ? kSamePersonVerdict : kOtherPersonVerdict);
  window.透明标签17->setText(QString::number(score) +
                             (samePerson ? QStringLiteral("% 同一人") : QStringLiteral("% 非同一人")));
  showFaceTokens(context, reply);
  reply.clear();
  window.标签_状态->setText(kComparisonFinished);
}

void showDroppedPicture(PictureBox* box, const QString& droppedPaths) {
  box->setPicture(readWholeFile(droppedPaths));
}

}  // namespace velmora
