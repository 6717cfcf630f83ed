// Face registration against the stand-in: what is sent, and how the outcome
// shows on the page.
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

#include "HiddenPagesFixture.h"
#include "app/toolkit/Colors.h"
#include "app/toolkit/PictureBox.h"
#include "app/toolkit/ShapeBox.h"
#include "workflows/ElapsedTime.h"
#include "workflows/FaceRegistration.h"

namespace velmora::testing {
namespace {

class FaceRegistrationTest : public HiddenPagesTest {
 protected:
  std::optional<standin::Request> registerFace(const Bytes& picture, const QString& userId = QStringLiteral("u_1")) {
    window.图片框4->setPicture(picture);
    window.编辑框2->setText(userId);
    window.注册人脸->click();
    return service.lastRequest(Endpoint::UserAdd);
  }
};

TEST_F(FaceRegistrationTest, SuccessShowsTheFaceTokenAndEmptiesThePicture) {
  const Bytes picture = pngPicture(Qt::red);
  window.编辑框4->setText(QStringLiteral("前台 Li"));
  const auto sent = registerFace(picture);
  ASSERT_TRUE(sent);
  EXPECT_EQ(sent->json()["image"].text(), base64Encode(picture));
  EXPECT_EQ(sent->json()["user_id"].text(), "u_1");
  EXPECT_EQ(sent->json()["group_id"].text(), "zheng");
  EXPECT_EQ(sent->json()["user_info"].text(), "前台 Li");

  EXPECT_EQ(window.透明标签59->text(), QStringLiteral("成功"));
  EXPECT_FALSE(window.透明标签61->text().isEmpty());
  EXPECT_NE(window.透明标签61->text(), QStringLiteral("-"));
  EXPECT_EQ(window.外形框5->fillColor(), kGreen);
  EXPECT_TRUE(window.错误框5->isHidden());
  EXPECT_FALSE(window.图片框4->hasPicture()) << "ready for the next face";
  EXPECT_TRUE(window.透明标签81->text().endsWith(QStringLiteral("秒")));
  EXPECT_TRUE(prompts.messages.empty());
  // The user ID and information stay for the next picture of the same person.
  EXPECT_EQ(window.编辑框2->text(), QStringLiteral("u_1"));

  // Pressing again at once finds no picture.
  window.注册人脸->click();
  EXPECT_EQ(messages(), QStringList{QStringLiteral("无图片！")});
  EXPECT_EQ(service.requests(Endpoint::UserAdd).size(), 1u);
}

TEST_F(FaceRegistrationTest, FaceAlreadyThereShowsTheErrorAndKeepsThePicture) {
  const Bytes picture = pngPicture(Qt::blue);
  registerFace(picture);
  window.透明标签81->setText(QStringLiteral("-"));
  registerFace(picture);

  EXPECT_FALSE(window.错误框5->isHidden());
  EXPECT_EQ(window.错误代码框5->text(), QStringLiteral("223105"));
  EXPECT_EQ(window.错误描述框5->text(), QStringLiteral("该人脸已存在"));
  EXPECT_EQ(window.错误信息框5->text(), QStringLiteral("face is already exist"));
  EXPECT_EQ(window.外形框5->fillColor(), kRed);
  EXPECT_EQ(window.透明标签59->text(), QStringLiteral("注册中,请稍等..."));
  EXPECT_EQ(window.透明标签61->text(), QStringLiteral("-"));
  EXPECT_EQ(window.透明标签81->text(), QStringLiteral("-")) << "no time after a failure";
  EXPECT_EQ(window.图片框4->picture(), picture) << "kept for a retry";

  // A good registration afterwards hides the box again.
  registerFace(pngPicture(Qt::green));
  EXPECT_TRUE(window.错误框5->isHidden());
  EXPECT_EQ(window.外形框5->fillColor(), kGreen);
}

TEST_F(FaceRegistrationTest, FailedRequestIsAFailureWithoutCode) {
  service.setRule(Endpoint::UserAdd, [](const standin::Request&) { return Reply::dropped(); });
  registerFace(pngPicture(Qt::yellow));
  EXPECT_FALSE(window.错误框5->isHidden());
  EXPECT_EQ(window.错误代码框5->text(), QString());
  EXPECT_EQ(window.外形框5->fillColor(), kRed);
  EXPECT_TRUE(window.图片框4->hasPicture());
}

TEST_F(FaceRegistrationTest, GroupIdFollowsTheChosenItem) {
  const struct {
    int item;
    const char* group;
  } cases[] = {{0, "zheng"}, {1, "w"}, {2, "b"}};
  int colour = 0;
  for (const auto& c : cases) {
    window.组合框1->setCurrentIndex(c.item);
    const auto sent = registerFace(pngPicture(QColor::fromHsv(colour++ * 90, 200, 200)));
    ASSERT_TRUE(sent);
    EXPECT_EQ(sent->json()["group_id"].text(), c.group) << window.组合框1->currentText().toStdString();
  }
}

TEST_F(FaceRegistrationTest, TextsGoOutAsTyped) {
  // The first registration keeps the initial "*"; the service judges it.
  window.图片框4->setPicture(pngPicture(Qt::cyan));
  window.注册人脸->click();
  EXPECT_EQ(service.lastRequest(Endpoint::UserAdd)->json()["user_id"].text(), "*");

  const QString longId(200, QLatin1Char('x'));
  const QString info = QStringLiteral("say \"hi\" \\ {\"x\":1} 张三");
  window.编辑框4->setText(info);
  const auto sent = registerFace(pngPicture(Qt::magenta), longId);
  ASSERT_TRUE(sent);
  ASSERT_FALSE(sent->json().isNull()) << "the body stays JSON: " << sent->body.substr(0, 200);
  EXPECT_EQ(sent->json()["user_id"].text(), longId.toStdString());
  EXPECT_EQ(sent->json()["user_info"].text(), info.toStdString());
}

TEST_F(FaceRegistrationTest, MissingInputSendsNothing) {
  window.注册人脸->click();
  window.图片框4->setPicture(pngPicture(Qt::gray));
  window.编辑框2->clear();
  window.注册人脸->click();
  EXPECT_EQ(messages(), (QStringList{QStringLiteral("无图片！"), QStringLiteral("用户ID必须要填，且为引文数字")}));
  EXPECT_TRUE(service.requests(Endpoint::UserAdd).empty());
  EXPECT_EQ(window.透明标签59->text(), QStringLiteral("-"));
}

TEST(ElapsedTime, SecondsWithoutTrailingZeros) {
  EXPECT_EQ(elapsedTimeText(1234), QStringLiteral("1.234秒"));
  EXPECT_EQ(elapsedTimeText(2000), QStringLiteral("2秒"));
  EXPECT_EQ(elapsedTimeText(0), QStringLiteral("0秒"));
  EXPECT_EQ(elapsedTimeText(50), QStringLiteral("0.05秒"));
}

TEST(ElapsedTime, ClockKeepsTheElapsedMilliseconds) {
  ProgramState state;
  QLabel label;
  startRequestClock(state);
  state.requestStartTime -= 1500;  // the request started 1.5 s ago
  showElapsedTime(state, &label);
  EXPECT_GE(state.requestStartTime, 1500u);
  EXPECT_LT(state.requestStartTime, 2500u);
  EXPECT_EQ(label.text(), elapsedTimeText(state.requestStartTime));
}

}  // namespace
}  // namespace velmora::testing

int main(int argc, char** argv) { return velmora::testing::runWidgetTests(argc, argv); }
