#include "app/MainWindow.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

#include "app/toolkit/DropTarget.h"
#include "app/toolkit/PictureBox.h"
#include "app/toolkit/ReportList.h"
#include "app/toolkit/ServerControl.h"
#include "app/toolkit/ShapeBox.h"
#include "app/toolkit/TabControl.h"
#include "app/toolkit/TextBridge.h"

namespace velmora {
namespace {

class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest() { window.show(); }
  MainWindow window;
};

// Controls whose place the window design fixes: name, kind, place, initial text.
struct Designed {
  const char* name;
  const char* kind;
  QRect place;
  const char* text;  // nullptr: not checked
};

TEST_F(MainWindowTest, EveryDesignedControlHasItsNameKindPlaceAndText) {
  const Designed controls[] = {
      {"高级选择夹1", "velmora::TabControl", {1, 1, 679, 479}, nullptr},
      {"标签6", "QLabel", {408, 30, 88, 24}, "相似度阈值设置："},
      {"组合框_阈值", "QComboBox", {504, 32, 48, 24}, "90"},
      {"按钮_单独对比", "QPushButton", {696, 21, 104, 32}, "下图单独对比"},
      {"图片框1", "velmora::PictureBox", {680, 55, 136, 168}, nullptr},
      {"图片框2", "velmora::PictureBox", {680, 225, 136, 168}, nullptr},
      {"透明标签16", "QLabel", {717, 397, 53, 16}, "相似度"},
      {"透明标签17", "QLabel", {704, 423, 96, 18}, ""},
      {"对比人脸", "QPushButton", {696, 445, 104, 32}, "列表批量对比"},
      {"错误框2", "QGroupBox", {824, 8, 272, 128}, "错误信息"},
      {"超级列表框_文件", "QTreeWidget", {984, 128, 88, 104}, nullptr},
      {"按钮_选择目录", "QPushButton", {4, 25, 112, 30}, "选择目录"},
      {"透明标签15", "QLabel", {119, 24, 312, 32}, "（可以直接将多个照片文件夹拖入到下面目录列表框）"},
      {"超级列表框_目录", "QTreeWidget", {2, 55, 677, 392}, nullptr},
      {"标签_状态", "QLabel", {4, 451, 667, 24}, ""},
      {"编辑框_目录", "QLineEdit", {760, 23, 72, 32}, ""},
      {"按钮1", "QPushButton", {808, 191, 72, 32}, "枚举"},
      {"透明标签14", "QLabel", {823, 141, 165, 32}, "-"},
      {"打开对比图1", "QPushButton", {832, 236, 50, 50}, "打开图片一"},
      {"打开对比图2", "QPushButton", {832, 236, 50, 50}, "打开图片二"},
      {"错误框3", "QGroupBox", {498, 322, 392, 160}, "错误信息"},
      {"错误框5", "QGroupBox", {499, 321, 392, 160}, "错误信息"},
  };
  for (const Designed& c : controls) {
    SCOPED_TRACE(c.name);
    auto* control = window.findChild<QWidget*>(QString::fromUtf8(c.name));
    ASSERT_NE(control, nullptr);
    EXPECT_TRUE(control->inherits(c.kind)) << control->metaObject()->className();
    EXPECT_EQ(control->geometry(), c.place);
    if (c.text) EXPECT_EQ(controlText(control), QString::fromUtf8(c.text));
  }
}

TEST_F(MainWindowTest, MembersAreTheNamedWidgets) {
  const std::pair<const char*, QObject*> members[] = {
      {"组合框_阈值", window.组合框_阈值},     {"超级列表框_目录", window.超级列表框_目录},
      {"图片框3", window.图片框3},             {"编辑框1", window.编辑框1},
      {"编辑框2", window.编辑框2},             {"编辑框4", window.编辑框4},
      {"组合框1", window.组合框1},             {"组合框2", window.组合框2},
      {"单选框1", window.单选框1},             {"单选框2", window.单选框2},
      {"开始文字识别", window.开始文字识别}, {"开始人脸识别", window.开始人脸识别},
      {"打开识别图", window.打开识别图},       {"打开注册图", window.打开注册图},
      {"注册人脸", window.注册人脸},           {"按钮2", window.按钮2},
      {"高级选择夹2", window.高级选择夹2},     {"分组框1", window.分组框1},
      {"错误代码框2", window.错误代码框2},     {"错误描述框3", window.错误描述框3},
      {"错误信息框5", window.错误信息框5},     {"透明标签81", window.透明标签81},
      {"拖放对象1", window.拖放对象1},         {"拖放对象_图片1", window.拖放对象_图片1},
      {"拖放对象_图片2", window.拖放对象_图片2}, {"服务器1", window.服务器1},
      {"菜单", window.菜单},
  };
  for (const auto& [name, member] : members) {
    ASSERT_NE(member, nullptr) << name;
    EXPECT_EQ(window.findChild<QObject*>(QString::fromUtf8(name)), member) << name;
  }
  EXPECT_EQ(window.windowTitle(), QStringLiteral("Velmora V1.2"));
  EXPECT_EQ(window.服务器1->port(), 19720);
  EXPECT_EQ(window.服务器1->listeningPort(), 0) << "the window alone listens nowhere";
}

TEST_F(MainWindowTest, OnlyTheComparisonPageOffersATab) {
  TabControl* tabs = window.高级选择夹1;
  ASSERT_EQ(tabs->count(), 6);
  const char* texts[] = {"人脸检测", "人脸相似度对比", "人脸搜索", "人脸认证", "人脸库管理", "文字识别"};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(tabs->pageText(i), QString::fromUtf8(texts[i]));
    EXPECT_EQ(tabs->isTabOffered(i), i == 1) << i;
  }
  EXPECT_EQ(tabs->currentIndex(), 1);
  EXPECT_TRUE(window.超级列表框_目录->isVisible());
  EXPECT_FALSE(window.图片框3->isVisible());

  // Controls of pages without a tab are there to be written and read.
  setControlText(window.透明标签46, QStringLiteral("识别中,请稍等..."));
  EXPECT_EQ(controlText(window.透明标签46), QStringLiteral("识别中,请稍等..."));
  window.图片框3->setPicture("AAAA");
  EXPECT_EQ(window.图片框3->picture(), "AAAA");
  setControlText(window.编辑框1, QStringLiteral("B\r\nA\r\n"));
  EXPECT_EQ(controlText(window.编辑框1), QStringLiteral("B\r\nA\r\n"));
  window.高级选择夹2->setCurrentIndex(1);
  EXPECT_EQ(window.高级选择夹2->currentIndex(), 1);
  EXPECT_EQ(window.高级选择夹2->offeredTabCount(), 2);
}

TEST_F(MainWindowTest, PageControlsStartAsDesigned) {
  EXPECT_FALSE(window.组合框2->isEnabled());
  EXPECT_EQ(window.组合框2->currentIndex(), 0);
  EXPECT_EQ(window.组合框2->count(), 4);
  EXPECT_EQ(window.组合框1->currentText(), QStringLiteral("普通人员"));
  EXPECT_EQ(window.组合框1->count(), 3);
  EXPECT_TRUE(window.单选框1->isChecked());
  EXPECT_FALSE(window.单选框2->isChecked());
  EXPECT_EQ(window.编辑框2->text(), QStringLiteral("*"));
  EXPECT_EQ(window.透明标签29->text(), QStringLiteral("未选择！"));
  EXPECT_EQ(window.分组框1->title(), QStringLiteral("人脸注册"));
  EXPECT_EQ(window.图片框4->parentWidget(), window.分组框1);

  QComboBox* threshold = window.组合框_阈值;
  EXPECT_TRUE(threshold->isEditable());
  ASSERT_EQ(threshold->count(), 20);
  EXPECT_EQ(threshold->itemText(0), QStringLiteral("5"));
  EXPECT_EQ(threshold->itemText(19), QStringLiteral("100"));
}

TEST_F(MainWindowTest, ListsHaveTheirColumnsAndNoRows) {
  const std::pair<const char*, int> columns[] = {{"目录", 540}, {"是否同一人", 80}, {"相似度", 50}, {"索引", 5}};
  QTreeWidget* folders = window.超级列表框_目录;
  ASSERT_EQ(columnCount(folders), 4);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(columnTitle(folders, i), QString::fromUtf8(columns[i].first));
    EXPECT_EQ(folders->columnWidth(i), columns[i].second);
  }
  EXPECT_EQ(rowCount(folders), 0);
  EXPECT_FALSE(folders->rootIsDecorated());
  EXPECT_TRUE(folders->header()->sectionsClickable());

  ASSERT_EQ(columnCount(window.超级列表框_文件), 1);
  EXPECT_EQ(columnTitle(window.超级列表框_文件, 0), QStringLiteral("文件"));
  EXPECT_EQ(window.超级列表框_文件->columnWidth(0), 350);
}

TEST_F(MainWindowTest, ErrorBoxesStartHiddenAndLampsStandOnTheirPages) {
  for (QGroupBox* box : {window.错误框2, window.错误框3, window.错误框5}) EXPECT_TRUE(box->isHidden());
  const ShapeBox* lamps[] = {window.外形框1, window.外形框2, window.外形框3, window.外形框4, window.外形框5};
  for (int page = 0; page < 5; ++page) {
    EXPECT_EQ(lamps[page]->parentWidget(), window.高级选择夹1->page(page)) << page;
    EXPECT_EQ(lamps[page]->geometry(), QRect(872, 32, 24, 16));
  }
}

TEST_F(MainWindowTest, RightClickOnTheFolderListPopsUpTheMenu) {
  const QStringList expected = {"打开选择目录", "清空列表", "导出当前列表", "导入保存结果", "设置API"};
  QStringList items;
  for (QAction* action : window.菜单->actions()) items << action->text();
  EXPECT_EQ(items, expected);

  for (const bool withRows : {false, true}) {
    if (withRows) appendRow(window.超级列表框_目录, QStringLiteral("/photos/a"));
    emit window.超级列表框_目录->customContextMenuRequested(QPoint(10, 10));
    EXPECT_TRUE(window.菜单->isVisible()) << withRows;
    window.菜单->hide();
  }
}

TEST_F(MainWindowTest, HoverHintsEndWithTwoBlanks) {
  const std::pair<QWidget*, const char*> hints[] = {
      {window.超级列表框_目录, "批量拖动需要对比的文件夹到这里！然后点击列表批量对比按钮进行批量对比！  "},
      {window.按钮_单独对比, "可以拖动2张图片分别到下面的图片框内，然后点击此按钮对两张图片进行对比！  "},
      {window.图片框1, "这里是第一张图片：可以直接拖动图片文件到这里！  "},
      {window.图片框2, "这里是第二张图片：可以直接拖动图片文件到这里！  "},
  };
  for (const auto& [control, hint] : hints) EXPECT_EQ(control->toolTip(), QString::fromUtf8(hint));
  EXPECT_TRUE(window.testAttribute(Qt::WA_AlwaysShowToolTips)) << "hints show in an inactive window too";
}

}  // namespace
}  // namespace velmora
