// The folder list's own commands: sorting by a column, the row preview,
// dropped folders, opening folders and clearing the list.
#include <QAction>
#include <QDesktopServices>
#include <QHeaderView>
#include <QLabel>
#include <QRandomGenerator>
#include <QTest>

#include "ComparisonFixture.h"
#include "app/toolkit/DropTarget.h"
#include "app/toolkit/PictureBox.h"
#include "app/toolkit/TextBridge.h"
#include "tests/app/AppFixtures.h"
#include "workflows/FolderListActions.h"

namespace velmora::testing {

// Records the paths the desktop is asked to open instead of opening them.
class OpenedPaths : public QObject {
  Q_OBJECT
 public:
  OpenedPaths() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open"); }
  ~OpenedPaths() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
  QStringList paths;
 public slots:
  void open(const QUrl& url) { paths << url.toLocalFile(); }
};

namespace {

class FolderListActionsTest : public ComparisonTest {
 protected:
  // Rows of the given cells; unspecified cells stay empty.
  void fill(const std::vector<QStringList>& rows) {
    for (const QStringList& cells : rows) {
      const int index = appendRow(window.超级列表框_目录, cells.value(0));
      for (int column = 1; column < cells.size(); ++column) setCellText(window.超级列表框_目录, index, column, cells[column]);
    }
  }

  QStringList column(int c) const {
    QStringList cells;
    for (int i = 0; i < rowCount(window.超级列表框_目录); ++i) cells << cellText(window.超级列表框_目录, i, c);
    return cells;
  }

  void clickHeader(int c) {
    if (!window.isVisible()) {
      window.show();
      ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    QHeaderView* header = window.超级列表框_目录->header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(c) + header->sectionSize(c) / 2, header->height() / 2));
  }
};

QStringList texts(std::initializer_list<const char*> utf8) {
  QStringList list;
  for (const char* text : utf8) list << QString::fromUtf8(text);
  return list;
}

TEST_F(FolderListActionsTest, ClickingAHeaderSortsByItsCellTextsAsBytes) {
  struct Case {
    int column;
    QStringList cells;   // the column's cells, top to bottom
    QStringList sorted;  // the same column afterwards
  };
  const Case cases[] = {
      {2, texts({"95", "100", "-", "62"}), texts({"-", "100", "62", "95"})},
      {2, texts({"9", "", "62", "100"}), texts({"", "100", "62", "9"})},
      {1, texts({"同一人", "识别失败，错误代码:222202", "非同一人", ""}),
       texts({"", "非同一人", "识别失败，错误代码:222202", "同一人"})},
      {0, texts({"b", "B", "a", "A"}), texts({"A", "B", "a", "b"})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.cells.join(u',').toStdString());
    deleteAllRows(window.超级列表框_目录);
    for (const QString& cell : c.cells) {
      const int index = appendRow(window.超级列表框_目录, QStringLiteral("folder of ") + cell);
      setCellText(window.超级列表框_目录, index, c.column, cell);
    }
    clickHeader(c.column);
    EXPECT_EQ(column(c.column), c.sorted);
    // Whole rows move together.
    for (int i = 0; i < c.sorted.size(); ++i)
      if (c.column != 0) EXPECT_EQ(column(0)[i], QStringLiteral("folder of ") + c.sorted[i]);
  }
}

TEST_F(FolderListActionsTest, EqualKeysKeepTheirOrderExceptThoseEqualToTheFirstKey) {
  // B, A, A: the second A equals the first key and goes in front of it.
  fill({{"B", "", "", "1"}, {"A", "", "", "2"}, {"A", "", "", "3"}});
  clickHeader(0);
  EXPECT_EQ(column(0), texts({"A", "A", "B"}));
  EXPECT_EQ(column(3), texts({"3", "2", "1"}));
  // The same header again gives the same order.
  clickHeader(0);
  EXPECT_EQ(column(3), texts({"3", "2", "1"}));

  deleteAllRows(window.超级列表框_目录);
  fill({{"A", "", "", "1"}, {"A", "", "", "2"}, {"B", "", "", "3"}});
  clickHeader(0);
  EXPECT_EQ(column(3), texts({"1", "2", "3"}));
}

// Row order of the insertions done one by one into a growing array, as the
// sort is defined.
std::vector<int> insertOneByOne(const std::vector<Text>& keys) {
  std::vector<Text> sortedKeys;
  std::vector<int> order;
  for (int row = 0; row < int(keys.size()); ++row) {
    const int position = insertPosition(sortedKeys, keys[row]);
    sortedKeys.insert(sortedKeys.begin() + position - 1, keys[row]);
    order.insert(order.begin() + position - 1, row);
  }
  return order;
}

TEST_F(FolderListActionsTest, SortingAgreesWithInsertingRowByRow) {
  QRandomGenerator random(20240611);
  for (int trial = 0; trial < 300; ++trial) {
    deleteAllRows(window.超级列表框_目录);
    const int rows = int(random.bounded(1, 40));
    const int distinct = int(random.bounded(1, 6));
    std::vector<Text> keys;
    for (int row = 0; row < rows; ++row) {
      const QString key = QStringLiteral("k%1").arg(random.bounded(distinct));
      keys.push_back(toText(key));
      fill({{key, QString::number(row)}});
    }
    sortByColumn(window.超级列表框_目录, 0);
    QStringList expected;
    for (const int row : insertOneByOne(keys)) expected << QString::number(row);
    ASSERT_EQ(column(1), expected) << "trial " << trial;
  }
}

TEST(InsertPosition, FollowsTheBinarySearchOverSortedKeys) {
  const std::vector<Text> keys{"b", "d", "d", "d", "f"};
  EXPECT_EQ(insertPosition(std::vector<Text>{}, "x"), 1);
  EXPECT_EQ(insertPosition(keys, "f"), 6);  // not smaller than the last
  EXPECT_EQ(insertPosition(keys, "g"), 6);
  EXPECT_EQ(insertPosition(keys, "b"), 1);  // not greater than the first
  EXPECT_EQ(insertPosition(keys, "a"), 1);
  EXPECT_EQ(insertPosition(keys, "c"), 2);
  EXPECT_EQ(insertPosition(keys, "d"), 4);  // right after the equal key the search met (position 3)
  EXPECT_EQ(insertPosition(keys, "e"), 5);
  EXPECT_LT(compareBytes("\x7f", "\x80"), 0);  // bytes are unsigned
  EXPECT_LT(compareBytes("ab", "abc"), 0);
}

TEST_F(FolderListActionsTest, ThePreviewShowsTheReferencePictureBesideTheDecidingOne) {
  const QString folder = makeFolder(QStringLiteral("a"), 3);
  const QStringList files = filesOf(folder);
  const QString single = makeFolder(QStringLiteral("single"), 1);
  fill({{folder, "非同一人", "62", "3"}, {folder, "", "", ""}, {folder, "", "77", "9"}, {single, "", "88", ""}});
  auto showing = [](const PictureBox* box, const QString& file) { return box->picture() == asBytes(readFile(file)); };

  setCurrentRow(window.超级列表框_目录, 0);
  EXPECT_TRUE(showing(window.图片框1, files[0]));
  EXPECT_TRUE(showing(window.图片框2, files[2]));
  EXPECT_EQ(window.透明标签17->text(), QStringLiteral("62"));

  setCurrentRow(window.超级列表框_目录, 1);  // no position: the second file
  EXPECT_TRUE(showing(window.图片框2, files[1]));
  EXPECT_EQ(window.透明标签17->text(), QString());

  window.图片框1->setPicture(Bytes());
  setCurrentRow(window.超级列表框_目录, 2);  // a position outside the folder
  EXPECT_TRUE(showing(window.图片框1, files[0]));
  EXPECT_TRUE(showing(window.图片框2, files[1]));
  EXPECT_EQ(window.透明标签17->text(), QStringLiteral("77"));

  setCurrentRow(window.超级列表框_目录, 3);  // fewer than two files: nothing changes
  EXPECT_TRUE(showing(window.图片框1, files[0]));
  EXPECT_EQ(window.透明标签17->text(), QStringLiteral("77"));
}

TEST_F(FolderListActionsTest, DroppedFoldersBecomeRowsInDropOrder) {
  window.拖放对象1->bind(window.超级列表框_目录);
  const QString a = makeFolder(QStringLiteral("a"), 0);
  const QString b = makeFolder(QStringLiteral("照片 b"), 0);
  const QString c = makeFolder(QStringLiteral("c"), 0);
  ASSERT_TRUE(dropFiles(window.超级列表框_目录->viewport(), {c, a, b}));
  EXPECT_EQ(column(0), (QStringList{c, a, b}));
  EXPECT_EQ(column(1), (QStringList{{}, {}, {}}));

  // Empty pieces are skipped, a trailing "/" is dropped, nothing is checked.
  emit window.拖放对象1->filesDropped(a + QStringLiteral("/\r\n\r\n/no/such/folder\r\n"));
  EXPECT_EQ(column(0), (QStringList{c, a, b, a, QStringLiteral("/no/such/folder")}));
}

TEST_F(FolderListActionsTest, OpeningHandsTheFoldersToTheDesktop) {
  OpenedPaths opened;
  fill({{"/photos/a"}, {"/photos/b"}, {"/photos/c"}});

  window.打开选择目录->trigger();  // nothing selected
  EXPECT_TRUE(opened.paths.isEmpty());

  QTreeWidget* list = window.超级列表框_目录;
  list->topLevelItem(2)->setSelected(true);
  list->topLevelItem(0)->setSelected(true);
  window.打开选择目录->trigger();
  EXPECT_EQ(opened.paths, (QStringList{QStringLiteral("/photos/a"), QStringLiteral("/photos/c")}));
  EXPECT_EQ(state.selectedRows, (std::vector<std::int32_t>{0, 2}));

  opened.paths.clear();
  setCurrentRow(list, 1);
  emit list->itemDoubleClicked(list->topLevelItem(1), 0);
  EXPECT_EQ(opened.paths, QStringList{QStringLiteral("/photos/b")});
}

TEST_F(FolderListActionsTest, ClearingTheListLeavesPicturesAndLabels) {
  const QString folder = makeFolder(QStringLiteral("a"), 2);
  fill({{folder, "同一人", "95", "2"}, {"/elsewhere"}});
  setCurrentRow(window.超级列表框_目录, 0);
  const Bytes first = window.图片框1->picture();
  const Bytes second = window.图片框2->picture();

  window.清空列表->trigger();

  EXPECT_EQ(rowCount(window.超级列表框_目录), 0);
  EXPECT_EQ(columnCount(window.超级列表框_目录), 4);
  EXPECT_EQ(window.图片框1->picture(), first);
  EXPECT_EQ(window.图片框2->picture(), second);
  EXPECT_EQ(window.透明标签17->text(), QStringLiteral("95"));
  window.清空列表->trigger();  // an empty list: nothing happens
  clickHeader(0);
}

}  // namespace
}  // namespace velmora::testing

int main(int argc, char** argv) { return velmora::testing::runWidgetTests(argc, argv); }

#include "FolderListActionsTest.moc"
