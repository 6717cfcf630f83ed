// The batch comparison of the folder list against the stand-in: verdicts,
// cells, labels and messages, and how the batch copes with a list that
// changes under it.
#include <QAbstractItemModel>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "ComparisonFixture.h"
#include "app/toolkit/Colors.h"
#include "app/toolkit/PictureBox.h"
#include "app/toolkit/ShapeBox.h"
#include "app/toolkit/TextBridge.h"
#include "workflows/BatchComparison.h"
#include "workflows/FaceMatch.h"
#include "workflows/FolderListActions.h"

namespace velmora::testing {
namespace {

const QString kDone = QStringLiteral("图像对比完毕！");

class BatchComparisonTest : public ComparisonTest {
 protected:
  void runBatch() { window.对比人脸->click(); }

  // Runs action once, in the pause that follows the first verdict written
  // to the folder list.
  void duringFirstPause(std::function<void()> action) {
    auto fired = std::make_shared<bool>(false);
    QObject::connect(window.超级列表框_目录->model(), &QAbstractItemModel::dataChanged, &window,
                     [fired, action = std::move(action)] {
                       if (*fired) return;
                       *fired = true;
                       QTimer::singleShot(0, action);
                     });
  }

  QColor statusColour() const { return window.标签_状态->palette().color(QPalette::WindowText); }
};

TEST_F(BatchComparisonTest, EveryPictureMatchingGivesSamePersonWithTheLastScoreAndPosition) {
  const QString folder = makeFolder(QStringLiteral("a"), 3);
  const QStringList files = filesOf(folder);
  answerFor(files[1], matchReply(95.2));
  answerFor(files[2], matchReply(91.7));
  addFolderRow(folder);
  setTextColor(window.标签_状态, kRed);

  runBatch();

  EXPECT_EQ(row(0), (QStringList{folder, QStringLiteral("同一人"), QStringLiteral("91"), QStringLiteral("3")}));
  EXPECT_EQ(window.透明标签17->text(), QStringLiteral("91%"));
  EXPECT_EQ(window.透明标签14->text(), kSamePersonVerdict);
  EXPECT_EQ(window.透明标签9->text(), QStringLiteral("token-a"));
  EXPECT_EQ(window.透明标签12->text(), QStringLiteral("token-b"));
  EXPECT_EQ(window.标签_状态->text(), kDone);
  EXPECT_EQ(statusColour(), QColor(Qt::black));
  EXPECT_EQ(window.外形框2->fillColor(), kGreen);
  EXPECT_FALSE(window.错误框2->isVisible());
  EXPECT_EQ(window.图片框1->picture(), asBytes(readFile(files[0])));
  EXPECT_EQ(window.图片框2->picture(), asBytes(readFile(files[2])));
  EXPECT_EQ(sentPositions(files), (std::vector<int>{2, 3}));
  // Every request pairs the folder's first picture with the next one.
  for (const auto& request : service.requests(Endpoint::Match))
    EXPECT_EQ(request.json()[0]["image"].text(), base64Encode(asBytes(readFile(files[0]))));
  // The file list holds the folder's files, the reference first.
  ASSERT_EQ(rowCount(window.超级列表框_文件), 3);
  EXPECT_EQ(cellText(window.超级列表框_文件, 0, 0), files[0]);
  EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(BatchComparisonTest, TheFirstPictureThatDoesNotMatchDecidesAndEndsTheFolder) {
  const QString folder = makeFolder(QStringLiteral("a"), 3);
  const QStringList files = filesOf(folder);
  answerFor(files[1], matchReply(62.4));
  addFolderRow(folder);

  runBatch();

  EXPECT_EQ(row(0), (QStringList{folder, QStringLiteral("非同一人"), QStringLiteral("62"), QStringLiteral("2")}));
  EXPECT_EQ(window.透明标签14->text(), kOtherPersonVerdict);
  EXPECT_EQ(window.透明标签17->text(), QStringLiteral("62%"));
  EXPECT_EQ(sentPositions(files), (std::vector<int>{2}));
  EXPECT_EQ(window.标签_状态->text(), kDone);
}

TEST_F(BatchComparisonTest, ScoreAndThresholdCompareByTheirIntegerParts) {
  struct Case {
    double score;
    const char* threshold;
    const char* verdict;
    const char* shownScore;
  };
  const Case cases[] = {
      {89.99, "89.5", "同一人", "89"},
      {89.99, "90", "非同一人", "89"},
      {90.0, "90", "同一人", "90"},
      {100.0, " 100", "同一人", "100"},
      {12.0, "0", "同一人", "12"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.threshold);
    deleteAllRows(window.超级列表框_目录);
    const QString folder = makeFolder(QStringLiteral("f%1").arg(pictureSeed), 2);
    answerFor(filesOf(folder)[1], matchReply(c.score));
    addFolderRow(folder);
    window.组合框_阈值->setEditText(QString::fromUtf8(c.threshold));
    runBatch();
    EXPECT_EQ(row(0)[1], QString::fromUtf8(c.verdict));
    EXPECT_EQ(row(0)[2], QString::fromUtf8(c.shownScore));
  }
}

TEST_F(BatchComparisonTest, AFailedRequestMarksTheRowAndTheBatchGoesOn) {
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
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    deleteAllRows(window.超级列表框_目录);
    service.clearRequests();
    const QString failing = makeFolder(QStringLiteral("fail%1").arg(pictureSeed), 4);
    const QString next = makeFolder(QStringLiteral("next%1").arg(pictureSeed), 2);
    const QStringList files = filesOf(failing);
    answerFor(files[2], c.reply);
    addFolderRow(failing);
    addFolderRow(next);

    runBatch();

    EXPECT_EQ(row(0), (QStringList{failing, QStringLiteral("识别失败，错误代码:") + c.code, QStringLiteral("-"),
                                   QStringLiteral("3")}));
    EXPECT_EQ(row(1)[1], QStringLiteral("同一人"));
    EXPECT_EQ(window.错误代码框2->text(), c.code);
    EXPECT_EQ(window.错误描述框2->text(), c.description);
    EXPECT_EQ(window.标签_状态->text(), kDone);
    // The fourth picture of the failed folder is never sent.
    EXPECT_EQ(sentPositions(files), (std::vector<int>{2, 3}));
  }
}

TEST_F(BatchComparisonTest, AFailureInTheLastFolderLeavesTheErrorBoxShownAndTheLampRed) {
  const QString folder = makeFolder(QStringLiteral("a"), 2);
  answerFor(filesOf(folder)[1], Reply::error(222202, "pic not has face"));
  addFolderRow(folder);

  runBatch();

  EXPECT_FALSE(window.错误框2->isHidden());
  EXPECT_EQ(window.外形框2->fillColor(), kRed);
  EXPECT_EQ(window.错误信息框2->text(), QStringLiteral("pic not has face"));
  EXPECT_EQ(window.标签_状态->text(), kDone);
}

TEST_F(BatchComparisonTest, AnEmptyPictureEndsTheWholeBatchWithoutTheEndMessage) {
  struct Case {
    int emptied;  // index of the emptied file
    QString message;
  };
  for (const Case& c : {Case{0, QStringLiteral("图片1无图片！")}, Case{1, QStringLiteral("图片2无图片！")}}) {
    SCOPED_TRACE(c.emptied);
    deleteAllRows(window.超级列表框_目录);
    prompts.messages.clear();
    service.clearRequests();
    window.标签_状态->setText(QStringLiteral("before"));
    const QString broken = makeFolder(QStringLiteral("broken%1").arg(pictureSeed), 3);
    const QString later = makeFolder(QStringLiteral("later%1").arg(pictureSeed), 2);
    writeFile(filesOf(broken)[c.emptied], QByteArray());
    addFolderRow(broken);
    addFolderRow(later);

    runBatch();

    EXPECT_EQ(messages(), QStringList{c.message});
    EXPECT_TRUE(service.requests(Endpoint::Match).empty());
    EXPECT_EQ(row(1), (QStringList{later, {}, {}, {}}));
    EXPECT_EQ(window.标签_状态->text(), QStringLiteral("before"));
    EXPECT_TRUE(window.对比人脸->isEnabled());
  }
}

TEST_F(BatchComparisonTest, FoldersWithFewerThanTwoFilesKeepTheirCells) {
  const QString single = makeFolder(QStringLiteral("single"), 1);
  const QString empty = makeFolder(QStringLiteral("empty"), 0);
  const QString gone = scratch.filePath(QStringLiteral("gone"));
  const QString normal = makeFolder(QStringLiteral("normal"), 2);
  for (const QString& folder : {single, empty, gone}) {
    const int index = addFolderRow(folder);
    setCellText(window.超级列表框_目录, index, 1, QStringLiteral("earlier"));
    setCellText(window.超级列表框_目录, index, 2, QStringLiteral("50"));
    setCellText(window.超级列表框_目录, index, 3, QStringLiteral("7"));
  }
  addFolderRow(normal);

  runBatch();

  for (int index = 0; index < 3; ++index)
    EXPECT_EQ(row(index).mid(1), (QStringList{QStringLiteral("earlier"), QStringLiteral("50"), QStringLiteral("7")}));
  EXPECT_EQ(row(3)[1], QStringLiteral("同一人"));
  EXPECT_EQ(service.requests(Endpoint::Match).size(), 1u);
}

TEST_F(BatchComparisonTest, ThreeMatchingFoldersEndWithTheEndMessageInBlack) {
  for (int i = 0; i < 3; ++i) addFolderRow(makeFolder(QStringLiteral("folder%1").arg(i), 2));
  setTextColor(window.标签_状态, kRed);

  runBatch();

  for (int i = 0; i < 3; ++i) EXPECT_EQ(row(i)[1], QStringLiteral("同一人")) << i;
  EXPECT_EQ(window.标签_状态->text(), kDone);
  EXPECT_EQ(statusColour(), QColor(Qt::black));
}

TEST_F(BatchComparisonTest, AnEmptyListOrAThresholdThatIsNoNumberSendsNothing) {
  runBatch();
  EXPECT_EQ(messages(), QStringList{QStringLiteral("没有选择目录，请先选择要核对的照片目录！")});

  addFolderRow(makeFolder(QStringLiteral("a"), 2));
  for (const char* threshold : {"", "abc", "-", "百分之九十"}) {
    SCOPED_TRACE(threshold);
    prompts.messages.clear();
    window.组合框_阈值->setEditText(QString::fromUtf8(threshold));
    runBatch();
    EXPECT_EQ(messages(), QStringList{kThresholdNotNumber});
    EXPECT_TRUE(service.requests().empty());
    EXPECT_EQ(row(0)[1], QString());
  }
}

TEST_F(BatchComparisonTest, TheStatusLineNamesThePairUnderWay) {
  const QString folder = makeFolder(QStringLiteral("a"), 2);
  const QStringList files = filesOf(folder);
  addFolderRow(folder);
  QString seen;
  duringFirstPause([&] { seen = window.标签_状态->text(); });

  runBatch();

  EXPECT_EQ(seen, QStringLiteral("正在对比：") + fileTitle(files[0]) + QStringLiteral(" 和 ") + fileTitle(files[1]) +
                      QStringLiteral(" 请稍后..."));
}

TEST_F(BatchComparisonTest, ASecondClickDuringTheBatchStartsNoSecondBatch) {
  addFolderRow(makeFolder(QStringLiteral("a"), 3));
  addFolderRow(makeFolder(QStringLiteral("b"), 2));
  bool enabledDuringBatch = true;
  duringFirstPause([&] {
    enabledDuringBatch = window.对比人脸->isEnabled();
    page->batch().run();
    window.对比人脸->click();
  });

  runBatch();

  EXPECT_FALSE(enabledDuringBatch);
  EXPECT_TRUE(window.对比人脸->isEnabled());
  EXPECT_EQ(service.requests(Endpoint::Match).size(), 3u);
  EXPECT_EQ(window.标签_状态->text(), kDone);
}

TEST_F(BatchComparisonTest, RowsClearedDuringTheBatchAreSkipped) {
  addFolderRow(makeFolder(QStringLiteral("a"), 3));
  addFolderRow(makeFolder(QStringLiteral("b"), 2));
  duringFirstPause([&] { deleteAllRows(window.超级列表框_目录); });

  runBatch();

  EXPECT_EQ(service.requests(Endpoint::Match).size(), 1u);
  EXPECT_EQ(rowCount(window.超级列表框_目录), 0);
  EXPECT_EQ(window.标签_状态->text(), kDone);
}

TEST_F(BatchComparisonTest, AVerdictFollowsItsFolderWhenTheListIsSortedMeanwhile) {
  const QString late = makeFolder(QStringLiteral("z_late"), 3);
  const QString early = makeFolder(QStringLiteral("a_early"), 2);
  const QStringList files = filesOf(late);
  answerFor(files[2], matchReply(93.0));
  addFolderRow(late);
  addFolderRow(early);
  duringFirstPause([&] { sortByColumn(window.超级列表框_目录, 0); });

  runBatch();

  // The sort put a_early first; z_late's verdict lands in z_late's row.
  EXPECT_EQ(row(1), (QStringList{late, QStringLiteral("同一人"), QStringLiteral("93"), QStringLiteral("3")}));
  EXPECT_EQ(row(0)[0], early);
  EXPECT_NE(row(0)[2], QStringLiteral("93"));
}

TEST_F(BatchComparisonTest, ClosingTheWindowEndsTheBatch) {
  addFolderRow(makeFolder(QStringLiteral("a"), 4));
  addFolderRow(makeFolder(QStringLiteral("b"), 2));
  window.show();
  duringFirstPause([&] { window.close(); });

  runBatch();

  EXPECT_EQ(service.requests(Endpoint::Match).size(), 1u);
  EXPECT_NE(window.标签_状态->text(), kDone);
}

TEST_F(BatchComparisonTest, FolderNamesOutsideGbkAreComparedToo) {
  const QString folder = makeFolder(QStringLiteral("照片_한국어_😀"), 2);
  addFolderRow(folder);

  runBatch();

  EXPECT_EQ(row(0), (QStringList{folder, QStringLiteral("同一人"), QStringLiteral("95"), QStringLiteral("2")}));
}

TEST_F(BatchComparisonTest, AFileThatIsNoPictureIsSentAndShowsNothing) {
  const QString folder = makeFolder(QStringLiteral("a"), 1);
  writeFile(folder + QStringLiteral("/desktop.ini"), "[.ShellClassInfo]\r\n");
  addFolderRow(folder);

  runBatch();

  EXPECT_EQ(service.requests(Endpoint::Match).size(), 1u);
  const QStringList files = filesOf(folder);
  const bool iniIsSecond = files[1].endsWith(QStringLiteral("desktop.ini"));
  const PictureBox* iniBox = iniIsSecond ? window.图片框2 : window.图片框1;
  EXPECT_TRUE(iniBox->hasPicture());
  EXPECT_FALSE(iniBox->isShowingPicture());
}

TEST(FileTitle, IsTheNameWithoutItsExtension) {
  const std::pair<const char*, const char*> cases[] = {
      {"/p/face.jpg", "face"}, {"/p/a.b.png", "a.b"}, {"/p/face", "face"}, {"/p/", ""},
      {"face.jpg", "face"},    {"/p.d/face", "face"}, {"/p/.hidden", ""},  {"/照片/张三.JPG", "张三"},
  };
  for (const auto& [path, title] : cases) EXPECT_EQ(fileTitle(QString::fromUtf8(path)), QString::fromUtf8(title)) << path;
}

}  // namespace
}  // namespace velmora::testing

int main(int argc, char** argv) { return velmora::testing::runWidgetTests(argc, argv); }
