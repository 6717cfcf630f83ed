// Text and plate recognition against the stand-in: the endpoint by the radio
// buttons, the order of the lines, the plate labels and the error text.
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include "HiddenPagesFixture.h"
#include "app/toolkit/PictureBox.h"
#include "app/toolkit/TabControl.h"
#include "app/toolkit/TextBridge.h"
#include "text/Codepage.h"
#include "vision/ServiceEndpoints.h"
#include "workflows/TextRecognition.h"

namespace velmora::testing {
namespace {

class TextRecognitionTest : public HiddenPagesTest {
 protected:
  void SetUp() override {
    HiddenPagesTest::SetUp();
    window.图片框5->setPicture(pngPicture(Qt::white));
  }

  void recognise(std::optional<Reply> reply = std::nullopt) {
    if (reply) {
      service.enqueue(Endpoint::GeneralText, *reply);
      service.enqueue(Endpoint::Plate, *reply);
    }
    window.透明标签81->setText(QStringLiteral("-"));
    window.开始文字识别->click();
  }

  void setPlate(const std::string& colour, const std::string& number) {
    auto settings = service.settings();
    settings.plateColor = colour;
    settings.plateNumber = number;
    service.setSettings(settings);
  }

  QString resultText() const { return controlText(window.编辑框1); }
  QStringList plateLabels() const {
    return {window.透明标签71->text(), window.透明标签72->text(), window.透明标签73->text()};
  }
  bool timeShown() const { return window.透明标签81->text().endsWith(QStringLiteral("秒")); }
};

TEST_F(TextRecognitionTest, LinesAreListedLastFirst) {
  auto settings = service.settings();
  settings.textLines = {"第一行 A", "B"};
  service.setSettings(settings);
  window.高级选择夹2->setCurrentIndex(1);
  recognise();

  const auto sent = service.lastRequest(Endpoint::GeneralText);
  ASSERT_TRUE(sent);
  EXPECT_EQ(sent->path, kGeneralTextPath);
  EXPECT_EQ(sent->formImage(), base64Encode(window.图片框5->picture()));
  EXPECT_EQ(resultText(), QStringLiteral("B\r\n第一行 A\r\n"));
  EXPECT_EQ(window.透明标签67->text(), QStringLiteral("成功"));
  EXPECT_EQ(window.高级选择夹2->currentIndex(), 0);
  EXPECT_TRUE(timeShown());
}

TEST_F(TextRecognitionTest, NothingRecognised) {
  const char* replies[] = {
      R"({"log_id":1,"words_result_num":0,"words_result":[]})",
      R"({"log_id":1,"words_result_num":2})",                            // no words_result at all
      R"({"log_id":1,"words_result_num":2000000000,"words_result":[]})",  // a count the reply does not hold
      "<html>502 Bad Gateway</html>",                                    // no JSON: a failed request
  };
  for (const char* body : replies) {
    SCOPED_TRACE(body);
    recognise(Reply::raw(200, body, "application/json"));
    EXPECT_EQ(resultText(), QStringLiteral("未识别到任何信息"));
    EXPECT_EQ(window.透明标签67->text(), QStringLiteral("失败"));
    EXPECT_TRUE(timeShown());
  }
}

TEST_F(TextRecognitionTest, LinesBeyondTheDeclaredCountAreNotRead) {
  recognise(Reply::json(R"({"words_result_num":1,"words_result":[{"words":"one"},{"words":"two"}]})"));
  EXPECT_EQ(resultText(), QStringLiteral("one\r\n"));
}

TEST_F(TextRecognitionTest, ErrorReplyShowsCodeAndMessage) {
  setControlText(window.编辑框1, QStringLiteral("old"));
  recognise(Reply::error(17, "Open api daily request limit reached"));
  EXPECT_EQ(resultText(), QStringLiteral("错误！\r\n错误码：17\r\n错误信息：Open api daily request limit reached"));
  EXPECT_EQ(window.透明标签67->text(), QStringLiteral("失败"));
  EXPECT_EQ(window.透明标签81->text(), QStringLiteral("-")) << "no time after an error";
  EXPECT_EQ(recognitionErrorText("17", "M"), gbk("错误！\r\n错误码：17\r\n错误信息：M"));
}

TEST_F(TextRecognitionTest, PlateShowsColourNumberAndRegion) {
  const struct {
    std::string colour, number;
    QString colourText, region;
  } cases[] = {
      {"blue", "京A12345", QStringLiteral("蓝牌"), QStringLiteral("京A")},
      {"green", "粤B D12345", QStringLiteral("绿牌(新能源)"), QStringLiteral("粤B")},
      {"yellow", "沪C67890", QStringLiteral("黄牌"), QStringLiteral("沪C")},
      {"white", "WJ01234", QStringLiteral("white"), QStringLiteral("WJ0")},
  };
  window.单选框2->setChecked(true);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.number);
    setPlate(c.colour, c.number);
    recognise();
    EXPECT_EQ(plateLabels(), (QStringList{c.colourText, QString::fromStdString(c.number), c.region}));
    EXPECT_EQ(window.透明标签67->text(), QStringLiteral("成功"));
    EXPECT_EQ(window.高级选择夹2->currentIndex(), 1);
    EXPECT_TRUE(timeShown());
  }
  EXPECT_EQ(service.lastRequest(Endpoint::Plate)->path, kPlatePath);
  EXPECT_TRUE(service.requests(Endpoint::GeneralText).empty());
}

TEST_F(TextRecognitionTest, PlateWithoutNumberIsAFailure) {
  window.单选框2->setChecked(true);
  recognise(Reply::json(R"({"log_id":1,"words_result":{"color":"blue"}})"));
  EXPECT_EQ(plateLabels(), (QStringList{QStringLiteral("蓝牌"), QString(), QString()}));
  EXPECT_EQ(window.透明标签67->text(), QStringLiteral("失败"));
}

TEST(PlateRegionCode, FirstThreeBytesWithoutSplittingACharacter) {
  EXPECT_EQ(plateRegionCode(gbk("京A12345")), gbk("京A"));
  EXPECT_EQ(plateRegionCode("AB"), "AB");
  EXPECT_EQ(plateRegionCode(""), "");
  // A second double-byte character would be cut in half: it is left out.
  EXPECT_EQ(plateRegionCode(gbk("京津1")), gbk("京"));
}

TEST_F(TextRecognitionTest, NoPictureSendsNothing) {
  window.图片框5->setPicture({});
  window.开始文字识别->click();
  EXPECT_EQ(messages(), QStringList{QStringLiteral("请打开图片后再识别")});
  EXPECT_TRUE(service.requests().empty());
}

}  // namespace
}  // namespace velmora::testing

int main(int argc, char** argv) { return velmora::testing::runWidgetTests(argc, argv); }
