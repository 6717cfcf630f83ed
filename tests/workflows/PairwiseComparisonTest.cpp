// The comparison of the two single pictures: verdicts at the threshold,
// failures, missing pictures, the picture-opening rule and dropped pictures.
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ComparisonFixture.h"
#include "app/toolkit/Colors.h"
#include "app/toolkit/DropTarget.h"
#include "app/toolkit/PictureBox.h"
#include "app/toolkit/ShapeBox.h"
#include "tests/app/AppFixtures.h"
#include "workflows/FaceMatch.h"

namespace velmora::testing {
namespace {

class PairwiseComparisonTest : public ComparisonTest {
 protected:
  void SetUp() override {
    ComparisonTest::SetUp();
    first = asBytes(pictureBytes(1001));
    second = asBytes(pictureBytes(1002));
  }

  void fillBoxes() {
    window.图片框1->setPicture(first);
    window.图片框2->setPicture(second);
  }

  QStringList resultLabels() const {
    return {window.透明标签14->text(), window.透明标签17->text(), window.透明标签9->text(), window.透明标签12->text()};
  }

  Bytes first;
  Bytes second;
};

TEST_F(PairwiseComparisonTest, TheVerdictComparesTheScoresIntegerPartWithTheThreshold) {
  struct Case {
    double score;
    const char* threshold;
    QString verdict;
    QString shownScore;
  };
  const Case cases[] = {
      {89.9, "90", kOtherPersonVerdict, QStringLiteral("89% 非同一人")},
      {90.0, "90", kSamePersonVerdict, QStringLiteral("90% 同一人")},
      {90.4, "90.9", kSamePersonVerdict, QStringLiteral("90% 同一人")},
      {0.5, "1", kOtherPersonVerdict, QStringLiteral("0% 非同一人")},
  };
  fillBoxes();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.threshold);
    answerFor(second, matchReply(c.score));
    window.组合框_阈值->setEditText(QString::fromUtf8(c.threshold));
    window.按钮_单独对比->click();
    EXPECT_EQ(resultLabels(), (QStringList{c.verdict, c.shownScore, QStringLiteral("token-a"), QStringLiteral("token-b")}));
    EXPECT_EQ(window.标签_状态->text(), kComparisonFinished);
    EXPECT_EQ(window.外形框2->fillColor(), kGreen);
    EXPECT_TRUE(window.错误框2->isHidden());
  }
  const auto sent = service.lastRequest(Endpoint::Match);
  ASSERT_TRUE(sent);
  EXPECT_EQ(sent->json()[0]["image"].text(), base64Encode(first));
  EXPECT_EQ(sent->json()[1]["image"].text(), base64Encode(second));
  // The pictures stay for the next comparison.
  EXPECT_EQ(window.图片框1->picture(), first);
}

TEST_F(PairwiseComparisonTest, AFailedRequestGivesNoVerdict) {
  struct Case {
    const char* name;
    Reply reply;
    QString code;
    QString description;
  };
  const Case cases[] = {
      {"service error", Reply::error(222202, "pic not has face"), QStringLiteral("222202"), QStringLiteral("未检测到人脸")},
      {"no reply", Reply::dropped(), QString(), QString()},
  };
  fillBoxes();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    window.透明标签14->setText(QStringLiteral("earlier verdict"));
    window.标签_状态->setText(QString());
    answerFor(second, c.reply);
    window.按钮_单独对比->click();
    EXPECT_EQ(resultLabels(), (QStringList{QStringLiteral("-"), QStringLiteral("-"), QStringLiteral("-"), QStringLiteral("-")}));
    EXPECT_FALSE(window.错误框2->isHidden());
    EXPECT_EQ(window.错误代码框2->text(), c.code);
    EXPECT_EQ(window.错误描述框2->text(), c.description);
    EXPECT_EQ(window.外形框2->fillColor(), kRed);
    EXPECT_EQ(window.标签_状态->text(),
              QStringLiteral("错误代码：") + c.code + QStringLiteral(" 对比停止，请联系百度接口官方解决问题！"));
  }
  // The next good reply hides the box and turns the lamp green again.
  answerFor(second, matchReply(97));
  window.按钮_单独对比->click();
  EXPECT_TRUE(window.错误框2->isHidden());
  EXPECT_EQ(window.外形框2->fillColor(), kGreen);
}

TEST_F(PairwiseComparisonTest, MissingPicturesOrAThresholdThatIsNoNumberSendNothing) {
  window.图片框2->setPicture(second);
  window.按钮_单独对比->click();
  window.图片框1->setPicture(first);
  window.图片框2->setPicture(Bytes());
  window.按钮_单独对比->click();
  window.图片框2->setPicture(second);
  window.组合框_阈值->setEditText(QStringLiteral("九十"));
  window.按钮_单独对比->click();

  EXPECT_EQ(messages(), (QStringList{QStringLiteral("图片1无图片！"), QStringLiteral("图片2无图片！"), kThresholdNotNumber}));
  EXPECT_TRUE(service.requests().empty());
}

TEST_F(PairwiseComparisonTest, OpeningAPictureRefusesFilesOf5000KbOrMore) {
  const QString folder = makeFolder(QStringLiteral("big"), 0);
  const QString fits = folder + QStringLiteral("/fits.jpg");
  const QString tooBig = folder + QStringLiteral("/too big.jpg");
  writeFile(fits, QByteArray(5'119'999, 'x'));
  writeFile(tooBig, QByteArray(5'120'000, 'y'));

  prompts.answerFileDialog(fits);
  window.打开对比图1->click();
  EXPECT_EQ(window.透明标签8->text(), QStringLiteral("4999KB"));
  EXPECT_EQ(window.透明标签7->text(), QStringLiteral("fits.jpg"));
  EXPECT_EQ(window.图片框1->picture().size(), 5'119'999u);

  prompts.answerFileDialog(tooBig);
  window.打开对比图1->click();
  prompts.answerFileDialog(std::nullopt);  // cancelled
  window.打开对比图1->click();
  EXPECT_EQ(messages(), QStringList{QStringLiteral("图片需小于5M，请重新选择")});
  EXPECT_EQ(window.透明标签8->text(), QStringLiteral("4999KB"));
  EXPECT_EQ(window.透明标签7->text(), QStringLiteral("fits.jpg"));
  EXPECT_EQ(window.图片框1->picture().size(), 5'119'999u);

  const QString small = makeFolder(QStringLiteral("small"), 1) + QStringLiteral("/p1.png");
  prompts.answerFileDialog(small);
  window.打开对比图2->click();
  EXPECT_EQ(window.透明标签10->text(), QStringLiteral("p1.png"));
  EXPECT_EQ(window.透明标签11->text(), QStringLiteral("0KB"));
  EXPECT_EQ(window.图片框2->picture(), asBytes(readFile(small)));
}

TEST_F(PairwiseComparisonTest, ADroppedPictureReplacesTheBoxesPictureAndNoLabel) {
  window.拖放对象_图片1->bind(window.图片框1);
  window.拖放对象_图片2->bind(window.图片框2);
  const QString folder = makeFolder(QStringLiteral("drop"), 2);
  const QStringList files = filesOf(folder);

  ASSERT_TRUE(dropFiles(window.图片框2, {files[1]}));
  EXPECT_EQ(window.图片框2->picture(), asBytes(readFile(files[1])));
  EXPECT_EQ(window.透明标签10->text(), QStringLiteral("未选择！"));
  EXPECT_EQ(window.透明标签11->text(), QStringLiteral("未选择！"));

  window.图片框1->setPicture(first);
  ASSERT_TRUE(dropFiles(window.图片框1, files));  // two files name no single file
  EXPECT_FALSE(window.图片框1->hasPicture());
}

}  // namespace
}  // namespace velmora::testing

int main(int argc, char** argv) { return velmora::testing::runWidgetTests(argc, argv); }
