#include "app/MainWindow.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
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

// The client area that the designed outer size of 825x510 leaves.
constexpr QSize kClientSize(817, 481);
constexpr QPoint kDesignedPosition(50, 50);
// All status lamps stand at the same place of their page.
constexpr QRect kLampPlace(872, 32, 24, 16);

template <typename Control>
Control* makeControl(QWidget* parent, const char* name, const QRect& place, const QString& text = QString()) {
  auto* control = new Control(parent);
  control->setObjectName(QString::fromUtf8(name));
  control->setGeometry(place);
  if (!text.isNull()) setControlText(control, text);
  return control;
}

// Creates a control and names it after the member that holds it.
#define VELMORA_CONTROL(member, Type, parent, ...) member = makeControl<Type>(parent, #member, __VA_ARGS__)

// A static caption that no handler addresses.
void caption(QWidget* parent, const QString& text, const QRect& place) {
  auto* label = new QLabel(text, parent);
  label->setGeometry(place);
}

struct ErrorBox {
  QGroupBox* box;
  QLineEdit* code;
  QLineEdit* description;
  QLineEdit* message;
};

// The error box of a face workflow: caption "错误信息", three captioned edit
// boxes, hidden until a reply reports an error.
ErrorBox makeErrorBox(QWidget* parent, int number, const QRect& place) {
  const QString suffix = QString::number(number);
  auto* box = new QGroupBox(QStringLiteral("错误信息"), parent);
  box->setObjectName(QStringLiteral("错误框") + suffix);
  box->setGeometry(place);
  const int editWidth = place.width() - 88;
  auto row = [&](const QString& name, const QString& title, int y) {
    caption(box, title, QRect(8, y, 72, 24));
    auto* edit = new QLineEdit(box);
    edit->setObjectName(name + suffix);
    edit->setGeometry(80, y, editWidth, 24);
    return edit;
  };
  ErrorBox controls{box, row(QStringLiteral("错误代码框"), QStringLiteral("错误代码："), 22),
                    row(QStringLiteral("错误描述框"), QStringLiteral("错误描述："), 56),
                    row(QStringLiteral("错误信息框"), QStringLiteral("错误信息："), 90)};
  box->hide();
  return controls;
}

ShapeBox* makeLamp(QWidget* parent, const char* name) { return makeControl<ShapeBox>(parent, name, kLampPlace); }

QComboBox* makeDropDownList(QWidget* parent, const char* name, const QRect& place, const QStringList& items) {
  auto* combo = makeControl<QComboBox>(parent, name, place);
  combo->addItems(items);
  combo->setCurrentIndex(0);
  return combo;
}

}  // namespace

MainWindow::MainWindow(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("主窗口"));
  setWindowTitle(kCaption);
  setAttribute(Qt::WA_AlwaysShowToolTips);
  move(kDesignedPosition);
  setFixedSize(kClientSize);

  VELMORA_CONTROL(高级选择夹1, TabControl, this, QRect(1, 1, 679, 479));
  buildDetectionPage(高级选择夹1->addPage(QStringLiteral("人脸检测"), false, false));
  buildComparisonPage(高级选择夹1->addPage(QStringLiteral("人脸相似度对比"), true, true));
  buildSearchPage(高级选择夹1->addPage(QStringLiteral("人脸搜索"), false, true));
  buildVerificationPage(高级选择夹1->addPage(QStringLiteral("人脸认证"), false, false));
  buildRegistrationPage(高级选择夹1->addPage(QStringLiteral("人脸库管理"), false, true));
  buildTextPage(高级选择夹1->addPage(QStringLiteral("文字识别"), false, true));
  高级选择夹1->setCurrentIndex(1);

  buildWindowControls();
  buildMenu();
  addHoverHints();
}

void MainWindow::buildWindowControls() {
  VELMORA_CONTROL(标签6, QLabel, this, QRect(408, 30, 88, 24), QStringLiteral("相似度阈值设置："));

  VELMORA_CONTROL(组合框_阈值, QComboBox, this, QRect(504, 32, 48, 24));
  组合框_阈值->setEditable(true);
  组合框_阈值->setInsertPolicy(QComboBox::NoInsert);
  for (int percent = 5; percent <= 100; percent += 5) 组合框_阈值->addItem(QString::number(percent));
  组合框_阈值->setCurrentIndex(-1);
  组合框_阈值->setEditText(QStringLiteral("90"));

  VELMORA_CONTROL(按钮_单独对比, QPushButton, this, QRect(696, 21, 104, 32), QStringLiteral("下图单独对比"));
  VELMORA_CONTROL(图片框1, PictureBox, this, QRect(680, 55, 136, 168));
  VELMORA_CONTROL(图片框2, PictureBox, this, QRect(680, 225, 136, 168));
  VELMORA_CONTROL(透明标签16, QLabel, this, QRect(717, 397, 53, 16), QStringLiteral("相似度"));
  VELMORA_CONTROL(透明标签17, QLabel, this, QRect(704, 423, 96, 18));
  VELMORA_CONTROL(对比人脸, QPushButton, this, QRect(696, 445, 104, 32), QStringLiteral("列表批量对比"));

  拖放对象_图片1 = new DropTarget(this);
  拖放对象_图片1->setObjectName(QStringLiteral("拖放对象_图片1"));
  拖放对象_图片2 = new DropTarget(this);
  拖放对象_图片2->setObjectName(QStringLiteral("拖放对象_图片2"));

  const ErrorBox errors = makeErrorBox(this, 2, QRect(824, 8, 272, 128));
  错误框2 = errors.box;
  错误代码框2 = errors.code;
  错误描述框2 = errors.description;
  错误信息框2 = errors.message;

  VELMORA_CONTROL(超级列表框_文件, QTreeWidget, this, QRect(984, 128, 88, 104));
  makeReportList(超级列表框_文件);
  appendColumn(超级列表框_文件, QStringLiteral("文件"), 350);
}

void MainWindow::buildDetectionPage(QWidget* page) { 外形框1 = makeLamp(page, "外形框1"); }

void MainWindow::buildComparisonPage(QWidget* page) {
  VELMORA_CONTROL(按钮_选择目录, QPushButton, page, QRect(4, 25, 112, 30), QStringLiteral("选择目录"));
  VELMORA_CONTROL(透明标签15, QLabel, page, QRect(119, 24, 312, 32),
                  QStringLiteral("（可以直接将多个照片文件夹拖入到下面目录列表框）"));

  VELMORA_CONTROL(超级列表框_目录, QTreeWidget, page, QRect(2, 55, 677, 392));
  makeReportList(超级列表框_目录);
  超级列表框_目录->setSelectionMode(QAbstractItemView::ExtendedSelection);
  超级列表框_目录->setContextMenuPolicy(Qt::CustomContextMenu);
  appendColumn(超级列表框_目录, QStringLiteral("目录"), 540);
  appendColumn(超级列表框_目录, QStringLiteral("是否同一人"), 80);
  appendColumn(超级列表框_目录, QStringLiteral("相似度"), 50);
  appendColumn(超级列表框_目录, QStringLiteral("索引"), 5);
  拖放对象1 = new DropTarget(this);
  拖放对象1->setObjectName(QStringLiteral("拖放对象1"));

  VELMORA_CONTROL(标签_状态, QLabel, page, QRect(4, 451, 667, 24));
  VELMORA_CONTROL(编辑框_目录, QLineEdit, page, QRect(760, 23, 72, 32));
  VELMORA_CONTROL(按钮1, QPushButton, page, QRect(808, 191, 72, 32), QStringLiteral("枚举"));
  VELMORA_CONTROL(透明标签14, QLabel, page, QRect(823, 141, 165, 32), QStringLiteral("-"));
  const QRect hiddenLabel(731, 73, 96, 16);
  VELMORA_CONTROL(透明标签9, QLabel, page, hiddenLabel, QStringLiteral("-"));
  VELMORA_CONTROL(透明标签12, QLabel, page, hiddenLabel, QStringLiteral("-"));
  VELMORA_CONTROL(透明标签7, QLabel, page, hiddenLabel, QStringLiteral("未选择！"));
  VELMORA_CONTROL(透明标签8, QLabel, page, hiddenLabel, QStringLiteral("未选择！"));
  VELMORA_CONTROL(透明标签10, QLabel, page, hiddenLabel, QStringLiteral("未选择！"));
  VELMORA_CONTROL(透明标签11, QLabel, page, hiddenLabel, QStringLiteral("未选择！"));
  VELMORA_CONTROL(打开对比图1, QPushButton, page, QRect(832, 236, 50, 50), QStringLiteral("打开图片一"));
  VELMORA_CONTROL(打开对比图2, QPushButton, page, QRect(832, 236, 50, 50), QStringLiteral("打开图片二"));
  外形框2 = makeLamp(page, "外形框2");
}

void MainWindow::buildSearchPage(QWidget* page) {
  VELMORA_CONTROL(图片框3, PictureBox, page, QRect(8, 32, 200, 250));
  VELMORA_CONTROL(打开识别图, QPushButton, page, QRect(8, 290, 96, 30), QStringLiteral("打开图片"));
  VELMORA_CONTROL(开始人脸识别, QPushButton, page, QRect(112, 290, 96, 30), QStringLiteral("开始识别"));
  caption(page, QStringLiteral("图片大小："), QRect(8, 328, 72, 20));
  VELMORA_CONTROL(透明标签29, QLabel, page, QRect(80, 328, 128, 20), QStringLiteral("未选择！"));

  caption(page, QStringLiteral("用户组："), QRect(224, 32, 80, 24));
  组合框2 = makeDropDownList(page, "组合框2", QRect(304, 32, 120, 24),
                           {QStringLiteral("全部"), QStringLiteral("普通人员"), QStringLiteral("白名单"),
                            QStringLiteral("黑名单")});
  组合框2->setEnabled(false);

  // Result labels with their captions, one row each.
  struct Row {
    QLabel** label;
    const char* name;
    QString title;
  };
  const Row rows[] = {
      {&透明标签46, "透明标签46", QStringLiteral("识别结果：")}, {&透明标签52, "透明标签52", QStringLiteral("图片标识：")},
      {&透明标签50, "透明标签50", QStringLiteral("组ID：")},     {&透明标签51, "透明标签51", QStringLiteral("用户ID：")},
      {&透明标签54, "透明标签54", QStringLiteral("用户信息：")}, {&透明标签47, "透明标签47", QStringLiteral("评分：")},
      {&透明标签56, "透明标签56", QStringLiteral("人员类型：")},
  };
  int y = 64;
  for (const Row& row : rows) {
    caption(page, row.title, QRect(224, y, 80, 20));
    *row.label = makeControl<QLabel>(page, row.name, QRect(304, y, 360, 20), QStringLiteral("-"));
    y += 28;
  }
  caption(page, QStringLiteral("耗时："), QRect(632, 32, 44, 20));
  VELMORA_CONTROL(透明标签75, QLabel, page, QRect(684, 32, 96, 20), QStringLiteral("-"));

  const ErrorBox errors = makeErrorBox(page, 3, QRect(498, 322, 392, 160));
  错误框3 = errors.box;
  错误代码框3 = errors.code;
  错误描述框3 = errors.description;
  错误信息框3 = errors.message;
  外形框3 = makeLamp(page, "外形框3");

  服务器1 = new ServerControl(kReceiverPort, page);
  服务器1->setObjectName(QStringLiteral("服务器1"));
}

void MainWindow::buildVerificationPage(QWidget* page) { 外形框4 = makeLamp(page, "外形框4"); }

void MainWindow::buildRegistrationPage(QWidget* page) {
  VELMORA_CONTROL(分组框1, QGroupBox, page, QRect(8, 32, 480, 400));
  分组框1->setTitle(QStringLiteral("人脸注册"));
  VELMORA_CONTROL(图片框4, PictureBox, 分组框1, QRect(12, 24, 200, 250));
  VELMORA_CONTROL(打开注册图, QPushButton, 分组框1, QRect(12, 282, 96, 30), QStringLiteral("打开图片"));
  caption(分组框1, QStringLiteral("图片大小："), QRect(12, 320, 72, 20));
  VELMORA_CONTROL(透明标签27, QLabel, 分组框1, QRect(84, 320, 128, 20), QStringLiteral("未选择！"));

  caption(分组框1, QStringLiteral("用户ID："), QRect(224, 24, 72, 24));
  VELMORA_CONTROL(编辑框2, QLineEdit, 分组框1, QRect(296, 24, 172, 24), QStringLiteral("*"));
  caption(分组框1, QStringLiteral("由数字、字母、下划线组成，否则报错"), QRect(296, 50, 180, 20));
  caption(分组框1, QStringLiteral("组ID："), QRect(224, 80, 72, 24));
  组合框1 = makeDropDownList(分组框1, "组合框1", QRect(296, 80, 172, 24),
                           {QStringLiteral("普通人员"), QStringLiteral("白名单"), QStringLiteral("黑名单")});
  caption(分组框1, QStringLiteral("用户信息："), QRect(224, 116, 72, 24));
  VELMORA_CONTROL(编辑框4, QLineEdit, 分组框1, QRect(296, 116, 172, 24), QString(""));
  VELMORA_CONTROL(注册人脸, QPushButton, 分组框1, QRect(296, 156, 96, 30), QStringLiteral("注册"));

  caption(page, QStringLiteral("结果："), QRect(496, 40, 64, 20));
  VELMORA_CONTROL(透明标签59, QLabel, page, QRect(560, 40, 112, 20), QStringLiteral("-"));
  caption(page, QStringLiteral("图片标识："), QRect(496, 68, 64, 20));
  VELMORA_CONTROL(透明标签61, QLabel, page, QRect(560, 68, 112, 20), QStringLiteral("-"));

  const ErrorBox errors = makeErrorBox(page, 5, QRect(499, 321, 392, 160));
  错误框5 = errors.box;
  错误代码框5 = errors.code;
  错误描述框5 = errors.description;
  错误信息框5 = errors.message;
  外形框5 = makeLamp(page, "外形框5");
}

void MainWindow::buildTextPage(QWidget* page) {
  caption(page, QStringLiteral("原始图片"), QRect(8, 30, 96, 20));
  VELMORA_CONTROL(图片框5, PictureBox, page, QRect(8, 50, 240, 300));
  VELMORA_CONTROL(按钮2, QPushButton, page, QRect(8, 358, 96, 30), QStringLiteral("打开识别图"));
  caption(page, QStringLiteral("图片大小："), QRect(112, 364, 72, 20));
  VELMORA_CONTROL(透明标签65, QLabel, page, QRect(184, 364, 96, 20), QStringLiteral("未选择！"));
  VELMORA_CONTROL(单选框1, QRadioButton, page, QRect(8, 396, 88, 24), QStringLiteral("文字识别"));
  VELMORA_CONTROL(单选框2, QRadioButton, page, QRect(100, 396, 88, 24), QStringLiteral("车牌识别"));
  单选框1->setChecked(true);
  VELMORA_CONTROL(开始文字识别, QPushButton, page, QRect(200, 392, 80, 30), QStringLiteral("识别"));

  caption(page, QStringLiteral("识别结果"), QRect(264, 30, 96, 20));
  caption(page, QStringLiteral("识别状态："), QRect(264, 58, 72, 20));
  VELMORA_CONTROL(透明标签67, QLabel, page, QRect(336, 58, 120, 20), QStringLiteral("-"));
  caption(page, QStringLiteral("耗时："), QRect(264, 86, 72, 20));
  VELMORA_CONTROL(透明标签81, QLabel, page, QRect(336, 86, 120, 20), QStringLiteral("-"));

  VELMORA_CONTROL(高级选择夹2, TabControl, page, QRect(700, 50, 400, 360));
  QWidget* textResult = 高级选择夹2->addPage(QStringLiteral("文字识别"));
  VELMORA_CONTROL(编辑框1, QPlainTextEdit, textResult, QRect(8, 30, 384, 320));
  QWidget* plateResult = 高级选择夹2->addPage(QStringLiteral("车牌识别"));
  caption(plateResult, QStringLiteral("车牌颜色："), QRect(8, 40, 80, 20));
  VELMORA_CONTROL(透明标签71, QLabel, plateResult, QRect(88, 40, 200, 20), QStringLiteral("-"));
  caption(plateResult, QStringLiteral("车牌号码："), QRect(8, 68, 80, 20));
  VELMORA_CONTROL(透明标签72, QLabel, plateResult, QRect(88, 68, 200, 20), QStringLiteral("-"));
  caption(plateResult, QStringLiteral("地区代码："), QRect(8, 96, 80, 20));
  VELMORA_CONTROL(透明标签73, QLabel, plateResult, QRect(88, 96, 200, 20), QStringLiteral("-"));
}

void MainWindow::buildMenu() {
  菜单 = new QMenu(this);
  菜单->setObjectName(QStringLiteral("菜单"));
  auto item = [this](const char* name) {
    QAction* action = 菜单->addAction(QString::fromUtf8(name));
    action->setObjectName(QString::fromUtf8(name));
    return action;
  };
  打开选择目录 = item("打开选择目录");
  清空列表 = item("清空列表");
  导出当前列表 = item("导出当前列表");
  导入保存结果 = item("导入保存结果");
  设置API = item("设置API");

  connect(超级列表框_目录, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { 菜单->popup(超级列表框_目录->viewport()->mapToGlobal(at)); });
}

void MainWindow::addHoverHints() {
  超级列表框_目录->setToolTip(QStringLiteral("批量拖动需要对比的文件夹到这里！然后点击列表批量对比按钮进行批量对比！  "));
  按钮_单独对比->setToolTip(QStringLiteral("可以拖动2张图片分别到下面的图片框内，然后点击此按钮对两张图片进行对比！  "));
  图片框1->setToolTip(QStringLiteral("这里是第一张图片：可以直接拖动图片文件到这里！  "));
  图片框2->setToolTip(QStringLiteral("这里是第二张图片：可以直接拖动图片文件到这里！  "));
}

}  // namespace velmora
