// Face search against the stand-in: the bound of 80, the six result labels,
// the kind of person, and the elapsed time in every outcome.
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

#include "HiddenPagesFixture.h"
#include "app/toolkit/Colors.h"
#include "app/toolkit/PictureBox.h"
#include "app/toolkit/ShapeBox.h"
#include "workflows/FaceSearch.h"

namespace velmora::testing {
namespace {

// A successful search reply whose best match is this user.
Reply bestMatch(const std::string& group, const std::string& score, const std::string& user = "u7",
                const std::string& info = "door 3") {
  return Reply::json(R"({"error_code":0,"error_msg":"SUCCESS","log_id":1,"timestamp":1,"cached":0,)"
                     R"("result":{"face_token":"ft-searched","user_list":[{"group_id":")" +
                     group + R"(","user_id":")" + user + R"(","user_info":")" + info + R"(","score":)" + score +
                     "}]}}");
}

class FaceSearchTest : public HiddenPagesTest {
 protected:
  void SetUp() override {
    HiddenPagesTest::SetUp();
    window.图片框3->setPicture(pngPicture(Qt::darkGreen));
  }

  void search(Reply reply) {
    service.enqueue(Endpoint::Search, std::move(reply));
    window.透明标签75->setText(QStringLiteral("-"));
    window.开始人脸识别->click();
  }

  QStringList sixLabels() const {
    return {window.透明标签52->text(), window.透明标签50->text(), window.透明标签51->text(),
            window.透明标签54->text(), window.透明标签47->text(), window.透明标签56->text()};
  }
  static QStringList allDashes() { return QStringList(6, QStringLiteral("-")); }

  bool timeShown() const { return window.透明标签75->text().endsWith(QStringLiteral("秒")); }
};

TEST_F(FaceSearchTest, ScoreDecidesBetweenMatchAndNoMatch) {
  const struct {
    const char* score;
    const char* shown;  // the score label of a match; null for no match
  } cases[] = {{"79.9", nullptr}, {"80", "80"}, {"80.0", "80"}, {"93.25", "93.25"}, {"0", nullptr}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.score);
    search(bestMatch("w", c.score));
    EXPECT_EQ(window.外形框3->fillColor(), kGreen);
    EXPECT_TRUE(window.错误框3->isHidden());
    EXPECT_TRUE(timeShown());
    if (c.shown) {
      EXPECT_EQ(window.透明标签46->text(), QStringLiteral("成功，匹配到以下人员"));
      EXPECT_EQ(sixLabels(), (QStringList{"ft-searched", "w", "u7", "door 3", c.shown, QStringLiteral("白名单人员")}));
    } else {
      EXPECT_EQ(window.透明标签46->text(), QStringLiteral("失败，未找到此人"));
      EXPECT_EQ(sixLabels(), allDashes());
    }
  }
}

TEST_F(FaceSearchTest, KindOfPersonFollowsTheGroup) {
  const struct {
    const char* group;
    QString kind;
  } cases[] = {{"zheng", QStringLiteral("普通人员")},
               {"w", QStringLiteral("白名单人员")},
               {"b", QStringLiteral("黑名单人员")},
               {"visitors", QStringLiteral("-")}};  // a group made outside this program
  for (const auto& c : cases) {
    search(bestMatch(c.group, "99"));
    EXPECT_EQ(window.透明标签50->text(), QString::fromUtf8(c.group));
    EXPECT_EQ(window.透明标签56->text(), c.kind) << c.group;
  }
}

TEST_F(FaceSearchTest, EverySearchAsksAllThreeGroups) {
  EXPECT_FALSE(window.组合框2->isEnabled());
  search(bestMatch("zheng", "90"));
  ASSERT_TRUE(service.lastRequest(Endpoint::Search));
  EXPECT_EQ(service.lastRequest(Endpoint::Search)->json()["group_id_list"].text(), "zheng,w,b");
  EXPECT_EQ(service.lastRequest(Endpoint::Search)->json()["image"].text(), base64Encode(window.图片框3->picture()));

  const char* lists[] = {"zheng,w,b", "zheng", "w", "b"};
  for (int item = 0; item < 4; ++item) EXPECT_EQ(searchGroupIds(item), lists[item]);
}

TEST_F(FaceSearchTest, FaceRegisteredHereIsFound) {
  const Bytes face = pngPicture(Qt::darkBlue);
  window.图片框4->setPicture(face);
  window.编辑框2->setText(QStringLiteral("guard_2"));
  window.编辑框4->setText(QStringLiteral("夜班"));
  window.组合框1->setCurrentIndex(2);
  window.注册人脸->click();

  window.图片框3->setPicture(face);
  window.开始人脸识别->click();
  EXPECT_EQ(sixLabels().mid(1), (QStringList{"b", "guard_2", QStringLiteral("夜班"), "100", QStringLiteral("黑名单人员")}));
}

TEST_F(FaceSearchTest, ServiceErrorShowsTheErrorBoxAndTheTime) {
  search(Reply::error(222207, "match user is not found"));
  EXPECT_FALSE(window.错误框3->isHidden());
  EXPECT_EQ(window.错误代码框3->text(), QStringLiteral("222207"));
  EXPECT_EQ(window.错误信息框3->text(), QStringLiteral("match user is not found"));
  EXPECT_EQ(window.外形框3->fillColor(), kRed);
  EXPECT_EQ(window.透明标签46->text(), QStringLiteral("返回异常,请检查..."));
  EXPECT_EQ(sixLabels(), allDashes());
  EXPECT_TRUE(timeShown());

  // The next good reply hides the box again.
  search(bestMatch("zheng", "85"));
  EXPECT_TRUE(window.错误框3->isHidden());
}

TEST_F(FaceSearchTest, ReplyWithoutCandidatesIsNoMatch) {
  search(bestMatch("zheng", "99"));
  search(Reply::json(R"({"error_code":0,"error_msg":"SUCCESS","result":{"face_token":"x"}})"));
  EXPECT_EQ(window.透明标签46->text(), QStringLiteral("失败，未找到此人"));
  EXPECT_EQ(sixLabels(), allDashes());
  EXPECT_TRUE(timeShown());
}

TEST_F(FaceSearchTest, FailedRequestReadsAsError) {
  service.setRule(Endpoint::Search, [](const standin::Request&) { return Reply::dropped(); });
  window.开始人脸识别->click();
  EXPECT_EQ(window.透明标签46->text(), QStringLiteral("返回异常,请检查..."));
  EXPECT_EQ(window.错误代码框3->text(), QString());
  EXPECT_EQ(window.外形框3->fillColor(), kRed);
}

TEST_F(FaceSearchTest, NoPictureSendsNothing) {
  window.图片框3->setPicture({});
  window.开始人脸识别->click();
  EXPECT_EQ(messages(), QStringList{QStringLiteral("图片一无图片！")});
  EXPECT_TRUE(service.requests(Endpoint::Search).empty());
  EXPECT_EQ(window.透明标签46->text(), QStringLiteral("-"));
}

}  // namespace
}  // namespace velmora::testing

int main(int argc, char** argv) { return velmora::testing::runWidgetTests(argc, argv); }
