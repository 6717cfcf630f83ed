#include "workflows/TextRecognition.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

#include "app/MainWindow.h"
#include "app/ProgramState.h"
#include "app/toolkit/PictureBox.h"
#include "app/toolkit/Prompts.h"
#include "app/toolkit/TabControl.h"
#include "app/toolkit/TextBridge.h"
#include "text/Codepage.h"
#include "text/Numbers.h"
#include "workflows/ElapsedTime.h"
#include "workflows/WorkflowContext.h"

namespace velmora {

namespace {

constexpr int kTextResultPage = 0;
constexpr int kPlateResultPage = 1;
constexpr std::size_t kRegionCodeBytes = 3;

void showState(MainWindow& window, bool succeeded) {
  window.透明标签67->setText(succeeded ? QStringLiteral("成功") : QStringLiteral("失败"));
}

void showTextResult(MainWindow& window, JsonDocument& document) {
  // The declared number of lines, bounded by the lines the reply really
  // holds, so that a reply claiming millions of lines cannot stall the window.
  const int declared = textToInt(document.getText("words_result_num"));
  const int lineCount = std::min(declared, document.count("words_result"));
  if (lineCount <= 0) {
    setControlText(window.编辑框1, QStringLiteral("未识别到任何信息"));
    showState(window, false);
    return;
  }
  showState(window, true);
  window.高级选择夹2->setCurrentIndex(kTextResultPage);
  std::vector<Text> lines;
  for (int i = 0; i < lineCount; ++i)
    lines.push_back(document.getText("words_result[" + numberToText(i) + "]['words']"));
  setControlText(window.编辑框1, toQString(linesLastFirst(lines)));
}

void showPlateResult(MainWindow& window, JsonDocument& document) {
  window.高级选择夹2->setCurrentIndex(kPlateResultPage);
  const Text colour = document.getText("words_result['color']");
  const Text number = document.getText("words_result['number']");
  window.透明标签72->setText(toQString(number));
  window.透明标签73->setText(toQString(plateRegionCode(number)));
  window.透明标签71->setText(plateColourText(colour));
  showState(window, !number.empty());
}

}  // namespace

QString plateColourText(const Text& colourWord) {
  static const std::array<std::pair<std::string_view, QString>, 3> colours{{
      {"blue", QStringLiteral("蓝牌")},
      {"green", QStringLiteral("绿牌(新能源)")},
      {"yellow", QStringLiteral("黄牌")},
  }};
  for (const auto& [word, text] : colours) {
    if (word == colourWord) return text;
  }
  return toQString(colourWord);
}

Text plateRegionCode(const Text& number) {
  std::size_t end = 0;
  while (end < number.size()) {
    const std::size_t next = end + gbkCharLength(number, end);
    if (next > kRegionCodeBytes) break;
    end = next;
  }
  return number.substr(0, end);
}

Text linesLastFirst(const std::vector<Text>& lines) {
  Text text;
  for (auto line = lines.rbegin(); line != lines.rend(); ++line) text += *line + "\r\n";
  return text;
}

Text recognitionErrorText(const Text& code, const Text& message) {
  return gbk("错误！\r\n错误码：") + code + gbk("\r\n错误信息：") + message;
}

void runTextRecognition(WorkflowContext& context) {
  MainWindow& window = context.window;
  ProgramState& state = context.state;
  startRequestClock(state);
  if (!window.图片框5->hasPicture()) {
    context.prompts.message(QStringLiteral("请打开图片后再识别"));
    return;
  }
  const ServiceEndpoints& endpoints = state.visionClient->endpoints();
  const bool text = window.单选框1->isChecked();
  const bool plate = window.单选框2->isChecked();
  const Text address = text ? endpoints.generalTextUrl() : plate ? endpoints.plateUrl() : Text();

  window.透明标签67->setText(QStringLiteral("-"));
  setControlText(window.编辑框1, QString());
  for (QLabel* label : {window.透明标签71, window.透明标签72, window.透明标签73}) label->setText(QStringLiteral("-"));

  const Text reply = state.visionClient->recognizeText(window.图片框5->picture(), address);
  JsonDocument& document = *state.replyDocument;
  document.parse(reply);
  const Text code = document.getText("error_code");
  if (!code.empty()) {
    setControlText(window.编辑框1, toQString(recognitionErrorText(code, document.getText("error_msg"))));
    showState(window, false);
    document.clear();
    return;
  }
  if (text) showTextResult(window, document);
  if (plate) showPlateResult(window, document);
  document.clear();
  showElapsedTime(state, window.透明标签81);
}

}  // namespace velmora
