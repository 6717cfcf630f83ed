#pragma once
// The main window: every control the handlers read and write, under the
// names of the window design (each is a public member and also the widget's
// objectName). The window wires only what belongs to the window itself: the
// popup menu of the folder list and the hover hints. Handlers connect to the
// members' own signals (clicked, triggered, filesDropped, ...).
#include <QWidget>

#include "app/toolkit/Prompts.h"

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTreeWidget;

namespace velmora {

class DropTarget;
class PictureBox;
class ServerControl;
class ShapeBox;
class TabControl;

class MainWindow : public QWidget {
  Q_OBJECT
 public:
  static inline const QString kCaption = QStringLiteral("Velmora V1.2");
  static constexpr quint16 kReceiverPort = 19720;

  explicit MainWindow(QWidget* parent = nullptr);

  // ---- Window level -------------------------------------------------------
  TabControl* 高级选择夹1 = nullptr;  // six pages; only page 1 offers a tab
  QLabel* 标签6 = nullptr;
  QComboBox* 组合框_阈值 = nullptr;  // editable; activated(int) and editTextChanged(QString)
  QPushButton* 按钮_单独对比 = nullptr;
  PictureBox* 图片框1 = nullptr;
  PictureBox* 图片框2 = nullptr;
  QLabel* 透明标签16 = nullptr;
  QLabel* 透明标签17 = nullptr;
  QPushButton* 对比人脸 = nullptr;
  DropTarget* 拖放对象_图片1 = nullptr;  // bound to 图片框1 by the window set-up
  DropTarget* 拖放对象_图片2 = nullptr;  // bound to 图片框2 by the window set-up
  QGroupBox* 错误框2 = nullptr;
  QLineEdit* 错误代码框2 = nullptr;
  QLineEdit* 错误描述框2 = nullptr;
  QLineEdit* 错误信息框2 = nullptr;
  QTreeWidget* 超级列表框_文件 = nullptr;  // one column "文件"
  FileDialogSettings 通用对话框1;         // the one file dialog; its settings persist

  // Popup menu of the folder list, shown on right click.
  QMenu* 菜单 = nullptr;
  QAction* 打开选择目录 = nullptr;
  QAction* 清空列表 = nullptr;
  QAction* 导出当前列表 = nullptr;
  QAction* 导入保存结果 = nullptr;
  QAction* 设置API = nullptr;

  // ---- Page 0 "人脸检测" -----------------------------------------------------
  ShapeBox* 外形框1 = nullptr;

  // ---- Page 1 "人脸相似度对比" -------------------------------------------------
  QPushButton* 按钮_选择目录 = nullptr;
  QLabel* 透明标签15 = nullptr;
  QTreeWidget* 超级列表框_目录 = nullptr;  // the folder list: 目录, 是否同一人, 相似度, 索引
  DropTarget* 拖放对象1 = nullptr;         // bound to 超级列表框_目录 by the window set-up
  QLabel* 标签_状态 = nullptr;
  QLineEdit* 编辑框_目录 = nullptr;
  QPushButton* 按钮1 = nullptr;
  QLabel* 透明标签14 = nullptr;
  QLabel* 透明标签9 = nullptr;
  QLabel* 透明标签12 = nullptr;
  QLabel* 透明标签7 = nullptr;
  QLabel* 透明标签8 = nullptr;
  QLabel* 透明标签10 = nullptr;
  QLabel* 透明标签11 = nullptr;
  QPushButton* 打开对比图1 = nullptr;
  QPushButton* 打开对比图2 = nullptr;
  ShapeBox* 外形框2 = nullptr;

  // ---- Page 2 "人脸搜索" -----------------------------------------------------
  PictureBox* 图片框3 = nullptr;
  QPushButton* 打开识别图 = nullptr;
  QComboBox* 组合框2 = nullptr;  // drop-down list, disabled
  QPushButton* 开始人脸识别 = nullptr;
  QLabel* 透明标签46 = nullptr;
  QLabel* 透明标签47 = nullptr;
  QLabel* 透明标签50 = nullptr;
  QLabel* 透明标签51 = nullptr;
  QLabel* 透明标签52 = nullptr;
  QLabel* 透明标签54 = nullptr;
  QLabel* 透明标签56 = nullptr;
  QLabel* 透明标签29 = nullptr;
  QLabel* 透明标签75 = nullptr;
  QGroupBox* 错误框3 = nullptr;
  QLineEdit* 错误代码框3 = nullptr;
  QLineEdit* 错误描述框3 = nullptr;
  QLineEdit* 错误信息框3 = nullptr;
  ShapeBox* 外形框3 = nullptr;
  ServerControl* 服务器1 = nullptr;  // port 19720; not listening until started

  // ---- Page 3 "人脸认证" -----------------------------------------------------
  ShapeBox* 外形框4 = nullptr;

  // ---- Page 4 "人脸库管理" ---------------------------------------------------
  QGroupBox* 分组框1 = nullptr;
  PictureBox* 图片框4 = nullptr;
  QPushButton* 打开注册图 = nullptr;
  QLineEdit* 编辑框2 = nullptr;
  QComboBox* 组合框1 = nullptr;  // drop-down list
  QLineEdit* 编辑框4 = nullptr;
  QPushButton* 注册人脸 = nullptr;
  QLabel* 透明标签27 = nullptr;
  QLabel* 透明标签59 = nullptr;
  QLabel* 透明标签61 = nullptr;
  QGroupBox* 错误框5 = nullptr;
  QLineEdit* 错误代码框5 = nullptr;
  QLineEdit* 错误描述框5 = nullptr;
  QLineEdit* 错误信息框5 = nullptr;
  ShapeBox* 外形框5 = nullptr;

  // ---- Page 5 "文字识别" -----------------------------------------------------
  PictureBox* 图片框5 = nullptr;
  QPushButton* 按钮2 = nullptr;
  QRadioButton* 单选框1 = nullptr;
  QRadioButton* 单选框2 = nullptr;
  QPushButton* 开始文字识别 = nullptr;
  QLabel* 透明标签65 = nullptr;
  QLabel* 透明标签67 = nullptr;
  QLabel* 透明标签81 = nullptr;
  TabControl* 高级选择夹2 = nullptr;  // pages "文字识别" and "车牌识别"
  QPlainTextEdit* 编辑框1 = nullptr;  // multi-line; read it through controlText for CR LF
  QLabel* 透明标签71 = nullptr;
  QLabel* 透明标签72 = nullptr;
  QLabel* 透明标签73 = nullptr;

 private:
  void buildWindowControls();
  void buildDetectionPage(QWidget* page);
  void buildComparisonPage(QWidget* page);
  void buildSearchPage(QWidget* page);
  void buildVerificationPage(QWidget* page);
  void buildRegistrationPage(QWidget* page);
  void buildTextPage(QWidget* page);
  void buildMenu();
  void addHoverHints();
};

}  // namespace velmora
