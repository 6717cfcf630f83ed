// Listing a folder's files and walking the folders below a root: what is
// listed, in which order, and how walks end, stop and give way to each other.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QSignalSpy>
#include <unistd.h>

#include "ComparisonFixture.h"
#include "workflows/FolderWalk.h"

namespace velmora::testing {
namespace {

class FolderEnumerationTest : public ComparisonTest {
 protected:
  QString makeTree(const QString& root, const QStringList& folders) {
    const QString base = scratch.filePath(root);
    QDir().mkpath(base);
    for (const QString& folder : folders) {
      EXPECT_TRUE(QDir().mkpath(base + u'/' + folder));
      writeFile(base + u'/' + folder + QStringLiteral("/photo.jpg"), "x");
    }
    return base;
  }

  static void link(const QString& target, const QString& at) {
    ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(at).constData()), 0);
  }

  // Picks root in the folder picker, clicks "选择目录" and waits for the end.
  bool walk(const QString& root) {
    prompts.answerFolder(root);
    QSignalSpy finished(&page->walk(), &FolderWalk::finished);
    window.按钮_选择目录->click();
    return finished.wait(20000) || finished.count() > 0;
  }

  QStringList folderRows() const {
    QStringList rows;
    for (int i = 0; i < rowCount(window.超级列表框_目录); ++i) rows << cellText(window.超级列表框_目录, i, 0);
    return rows;
  }

  static QString endMessage(int folders) {
    return QStringLiteral("目录遍历完毕！共有目录%1个。").arg(folders);
  }
};

TEST_F(FolderEnumerationTest, FindFilesListsEveryFileButNoFolder) {
  const QString folder = makeFolder(QStringLiteral("f"), 0);
  for (const char* name : {"a.jpg", "b.txt", ".hidden", "noextension"}) writeFile(folder + u'/' + QString::fromUtf8(name), "x");
  QDir().mkpath(folder + QStringLiteral("/c"));
  link(folder + QStringLiteral("/c"), folder + QStringLiteral("/link-to-folder"));
  link(folder + QStringLiteral("/a.jpg"), folder + QStringLiteral("/link-to-file"));
  link(folder + QStringLiteral("/nowhere"), folder + QStringLiteral("/broken-link"));

  for (const QString& given : {folder, folder + u'/'}) {
    QStringList files{QStringLiteral("left over")};
    const int count = findFiles(given, QStringLiteral("*.*"), files);
    QStringList expected;
    for (const char* name : {"a.jpg", "b.txt", ".hidden", "noextension", "link-to-file", "broken-link"})
      expected << folder + u'/' + QString::fromUtf8(name);
    EXPECT_EQ(count, expected.size());
    EXPECT_EQ(QSet<QString>(files.begin(), files.end()), QSet<QString>(expected.begin(), expected.end()));
    EXPECT_EQ(files.size(), expected.size());
  }
}

TEST_F(FolderEnumerationTest, FindFilesTakesPatternsInTheirOrder) {
  const QString folder = makeFolder(QStringLiteral("f"), 0);
  for (const char* name : {"1.png", "2.jpg", "3.PNG", "4.jpg", "5.txt"}) writeFile(folder + u'/' + QString::fromUtf8(name), "x");
  QStringList files;
  EXPECT_EQ(findFiles(folder, QStringLiteral("*.jpg|*.png"), files), 4);
  ASSERT_EQ(files.size(), 4);
  EXPECT_TRUE(files[0].endsWith(QStringLiteral(".jpg")) && files[1].endsWith(QStringLiteral(".jpg")));
  EXPECT_TRUE(files[2].endsWith(QStringLiteral(".png"), Qt::CaseInsensitive));
  EXPECT_TRUE(files[3].endsWith(QStringLiteral(".png"), Qt::CaseInsensitive));
  // A file that matches two patterns is listed twice.
  EXPECT_EQ(findFiles(folder, QStringLiteral("*.jpg|2.*"), files), 3);
}

TEST_F(FolderEnumerationTest, FindFilesOfNoFolderIsEmpty) {
  QStringList files{QStringLiteral("left over")};
  EXPECT_EQ(findFiles(scratch.filePath(QStringLiteral("missing")), QStringLiteral("*.*"), files), 0);
  EXPECT_TRUE(files.isEmpty());
  EXPECT_EQ(findFiles(QString(), QStringLiteral("*.*"), files), 0);
  EXPECT_EQ(findFiles(makeFolder(QStringLiteral("empty"), 0), QStringLiteral("*.*"), files), 0);
}

TEST(Wildcards, MatchLikeTheFileDialogsOfTheOriginalPlatform) {
  const std::tuple<const char*, const char*, bool> cases[] = {
      {"face.jpg", "*.*", true},   {"README", "*.*", true},    {".hidden", "*.*", true},
      {"face.JPG", "*.jpg", true}, {"face.jpeg", "*.jpg", false}, {"a.b.jpg", "*.jpg", true},
      {"face", "face.*", true},    {"face.png", "f?ce.*", true},  {"fce.png", "f?ce.*", false},
      {"张三.jpg", "张*.jpg", true}, {"x.jpg", "*.png", false},   {"abcabd", "*abd", true},
  };
  for (const auto& [name, pattern, matches] : cases)
    EXPECT_EQ(matchesWildcard(QString::fromUtf8(name), QString::fromUtf8(pattern)), matches) << name << " " << pattern;
}

TEST_F(FolderEnumerationTest, TheWalkListsEveryFolderBreadthFirstGroupedByParent) {
  const QString root = makeTree(QStringLiteral("root"), {QStringLiteral("A/A1"), QStringLiteral("A/A2/deep"),
                                                         QStringLiteral("B/B1"), QStringLiteral("C")});
  ASSERT_TRUE(walk(root));

  const QStringList rows = folderRows();
  QStringList expected;
  for (const char* name : {"A", "B", "C", "A/A1", "A/A2", "B/B1", "A/A2/deep"}) expected << root + u'/' + QString::fromUtf8(name);
  EXPECT_EQ(QSet<QString>(rows.begin(), rows.end()), QSet<QString>(expected.begin(), expected.end()));
  ASSERT_EQ(rows.size(), expected.size());
  // Level by level, and within a level grouped by parent in the parents' order.
  auto depth = [&](const QString& row) { return row.mid(root.size()).count(u'/'); };
  auto parent = [](const QString& row) { return row.left(row.lastIndexOf(u'/')); };
  for (int i = 1; i < rows.size(); ++i) {
    ASSERT_LE(depth(rows[i - 1]), depth(rows[i])) << rows.join(u' ').toStdString();
    if (depth(rows[i - 1]) == depth(rows[i]) && parent(rows[i - 1]) != parent(rows[i]) && depth(rows[i]) > 1)
      EXPECT_LT(rows.indexOf(parent(rows[i - 1])), rows.indexOf(parent(rows[i])));
  }
  EXPECT_EQ(window.标签_状态->text(), endMessage(7));
  EXPECT_EQ(window.编辑框_目录->text(), root);
  EXPECT_EQ(prompts.folderTitles, QStringList{QStringLiteral("选择")});
}

TEST_F(FolderEnumerationTest, ARootGivenWithATrailingSlashGetsNoSecondOne) {
  const QString root = makeTree(QStringLiteral("root"), {QStringLiteral("only")});
  ASSERT_TRUE(walk(root + u'/'));
  EXPECT_EQ(folderRows(), QStringList{root + QStringLiteral("/only")});
}

TEST_F(FolderEnumerationTest, ARootWithoutSubfoldersEndsWithZero) {
  const QString root = makeFolder(QStringLiteral("flat"), 3);
  appendRow(window.超级列表框_目录, QStringLiteral("from before"));
  ASSERT_TRUE(walk(root));
  EXPECT_TRUE(folderRows().isEmpty());
  EXPECT_EQ(window.标签_状态->text(), endMessage(0));
}

TEST_F(FolderEnumerationTest, ACancelledPickerEmptiesTheListAndStartsNoWalk) {
  const QString file = makeFolder(QStringLiteral("f"), 1) + QStringLiteral("/p1.png");
  for (const QString& answer : {QString(), file}) {  // cancelled, or not a folder
    appendRow(window.超级列表框_目录, QStringLiteral("from before"));
    window.编辑框_目录->setText(QStringLiteral("earlier"));
    prompts.answerFolder(answer);
    window.按钮_选择目录->click();
    EXPECT_TRUE(folderRows().isEmpty());
    EXPECT_EQ(window.编辑框_目录->text(), QString());
    EXPECT_EQ(window.标签_状态->text(), QStringLiteral("正在遍历目录，请稍后..."));
    EXPECT_FALSE(page->walk().isRunning());
  }
}

TEST_F(FolderEnumerationTest, LinksBackToSeenFoldersAreListedButNotEntered) {
  const QString root = makeTree(QStringLiteral("root"), {QStringLiteral("A/A1"), QStringLiteral("B")});
  const QString outside = makeTree(QStringLiteral("outside"), {QStringLiteral("O1")});
  link(root, root + QStringLiteral("/A/A1/to-root"));
  link(root + QStringLiteral("/A"), root + QStringLiteral("/B/to-A"));
  link(outside, root + QStringLiteral("/B/to-outside"));

  ASSERT_TRUE(walk(root));

  const QStringList rows = folderRows();
  QStringList expected;
  for (const char* name : {"A", "B", "A/A1", "B/to-A", "B/to-outside", "A/A1/to-root", "B/to-outside/O1"})
    expected << root + u'/' + QString::fromUtf8(name);
  EXPECT_EQ(QSet<QString>(rows.begin(), rows.end()), QSet<QString>(expected.begin(), expected.end()));
  EXPECT_EQ(rows.size(), expected.size());
}

TEST_F(FolderEnumerationTest, ASecondWalkStopsTheFirstBeforeTheListIsEmptied) {
  QStringList many;
  for (int i = 0; i < 300; ++i) many << QStringLiteral("d%1/e1/f1").arg(i) << QStringLiteral("d%1/e2").arg(i);
  const QString big = makeTree(QStringLiteral("big"), many);
  const QString small = makeTree(QStringLiteral("small"), {QStringLiteral("s1"), QStringLiteral("s2")});

  prompts.answerFolder(big);
  window.按钮_选择目录->click();
  pumpEvents();
  ASSERT_TRUE(walk(small));
  waitMs(50);  // nothing of the first walk arrives later

  const QStringList rows = folderRows();
  EXPECT_EQ(QSet<QString>(rows.begin(), rows.end()),
            (QSet<QString>{small + QStringLiteral("/s1"), small + QStringLiteral("/s2")}));
  EXPECT_EQ(rows.size(), 2);
  EXPECT_EQ(window.标签_状态->text(), endMessage(2));
}

TEST_F(FolderEnumerationTest, AWindowClosedMidWalkTakesTheWalkWithIt) {
  QStringList many;
  for (int i = 0; i < 500; ++i) many << QStringLiteral("d%1/e1").arg(i);
  const QString big = makeTree(QStringLiteral("big"), many);
  for (int round = 0; round < 5; ++round) {
    auto other = std::make_unique<MainWindow>();
    WorkflowContext otherContext{*other, state, prompts};
    ComparisonPage* otherPage = installComparisonPage(otherContext);
    otherPage->walk().start(big);
    waitMs(round);
    other.reset();
    waitMs(10);  // whatever the worker had found must not reach anything now
  }
}

TEST_F(FolderEnumerationTest, FolderNamesOutsideGbkAreListed) {
  const QString root = makeTree(QStringLiteral("root"), {QStringLiteral("한국어"), QStringLiteral("😀/照片")});
  ASSERT_TRUE(walk(root));
  const QStringList rows = folderRows();
  EXPECT_TRUE(rows.contains(root + QStringLiteral("/한국어")));
  EXPECT_TRUE(rows.contains(root + QStringLiteral("/😀/照片")));
  EXPECT_EQ(rows.size(), 3);
}

TEST_F(FolderEnumerationTest, EnumerateAppendsTheFirstFoldersFilesEachTime) {
  window.按钮1->click();  // an empty list names no folder
  EXPECT_EQ(rowCount(window.超级列表框_文件), 0);

  const QString folder = makeFolder(QStringLiteral("f"), 2);
  addFolderRow(folder);
  addFolderRow(makeFolder(QStringLiteral("g"), 3));
  window.按钮1->click();
  window.按钮1->click();
  ASSERT_EQ(rowCount(window.超级列表框_文件), 4);
  const QStringList files = filesOf(folder);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(cellText(window.超级列表框_文件, i, 0), files[i % 2]);
}

}  // namespace
}  // namespace velmora::testing

int main(int argc, char** argv) { return velmora::testing::runWidgetTests(argc, argv); }
