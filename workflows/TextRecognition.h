#pragma once
// Text and plate recognition of the picture in 图片框5: the general text
// recognition lists the recognised lines in 编辑框1; the plate recognition
// shows the plate's colour, number and region code.
#include <QString>
#include <vector>

#include "text/Text.h"

namespace velmora {

struct WorkflowContext;

// The colour text of a plate for the service's colour word: "blue" "蓝牌",
// "green" "绿牌(新能源)", "yellow" "黄牌"; any other word as it stands.
QString plateColourText(const Text& colourWord);

// The region code of a plate number: its first 3 bytes (the province
// character and the letter after it), never cutting a character in half.
Text plateRegionCode(const Text& number);

// The text lines of a general text reply as 编辑框1 shows them: the last line
// first, every line followed by CR LF.
Text linesLastFirst(const std::vector<Text>& lines);

// The text 编辑框1 shows for an error reply of the service.
Text recognitionErrorText(const Text& code, const Text& message);

// The click of 开始文字识别. Needs a picture (a message box otherwise,
// nothing sent); clears the result controls, sends the picture to the text or
// plate endpoint by the checked radio button and shows the result, switching
// 高级选择夹2 to the kind just recognised. An error reply shows its code and
// message in 编辑框1 and "失败" (no time shown); otherwise the elapsed time
// follows.
void runTextRecognition(WorkflowContext& context);

}  // namespace velmora
