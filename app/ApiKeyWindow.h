#pragma once
// The API key window: shows the two stored service keys of config.ini and
// saves them as typed. It neither scrambles nor checks what is typed.
#include <QDialog>

#include "app/config/ConfigFile.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace velmora {

class Prompts;

class ApiKeyWindow : public QDialog {
  Q_OBJECT
 public:
  static inline const QString kKeysWorking = QStringLiteral("目前API Key正常，请勿更改！！！");
  static inline const QString kKeysExpired =
      QStringLiteral("您好，由于API Key过期，无法连接对比服务器，请联系作者更换新的API Key：");
  static inline const QString kSaved = QStringLiteral("保存成功，请重启程序验证APIKey!");

  // mainCaption is the main window's caption; it tells whether the token
  // check succeeded.
  ApiKeyWindow(ConfigFile config, Prompts& prompts, const QString& mainCaption, QWidget* parent = nullptr);

  QLabel* 标签3;
  QLabel* 标签1;
  QLineEdit* 编辑框1;
  QLabel* 标签2;
  QLineEdit* 编辑框2;
  QPushButton* 按钮1;

 signals:
  // Both keys were written and the message shown: the program is to end.
  void saved();

 private:
  void save();

  ConfigFile config_;
  Prompts& prompts_;
};

}  // namespace velmora
