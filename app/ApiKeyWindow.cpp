#include "app/ApiKeyWindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/toolkit/Prompts.h"
#include "app/toolkit/TextBridge.h"

namespace velmora {
namespace {

template <typename Control>
Control* makeControl(QWidget* parent, const char* name, const QRect& place, const QString& text) {
  auto* control = new Control(text, parent);
  control->setObjectName(QString::fromUtf8(name));
  control->setGeometry(place);
  return control;
}

QLineEdit* createEdit(QWidget* parent, const char* name, const QRect& place, const Text& stored) {
  return makeControl<QLineEdit>(parent, name, place, toQString(stored));
}

}  // namespace

ApiKeyWindow::ApiKeyWindow(ConfigFile config, Prompts& prompts, const QString& mainCaption, QWidget* parent)
    : QDialog(parent), config_(std::move(config)), prompts_(prompts) {
  setWindowTitle(QStringLiteral("API KEY"));
  setModal(true);
  move(50, 50);
  setFixedSize(758, 219);

  const bool tokenWorks = mainCaption.endsWith(QStringLiteral("成功"));
  标签3 = makeControl<QLabel>(this, "标签3", QRect(8, 0, 744, 48), tokenWorks ? kKeysWorking : kKeysExpired);
  标签3->setWordWrap(true);
  标签1 = makeControl<QLabel>(this, "标签1", QRect(8, 48, 75, 32), QStringLiteral("   API Key："));
  编辑框1 = createEdit(this, "编辑框1", QRect(88, 48, 656, 36), config_.value(ConfigFile::kApiKey));
  标签2 = makeControl<QLabel>(this, "标签2", QRect(8, 96, 75, 32), QStringLiteral("Secret Key："));
  编辑框2 = createEdit(this, "编辑框2", QRect(88, 96, 656, 36), config_.value(ConfigFile::kSecretKey));
  按钮1 = makeControl<QPushButton>(this, "按钮1", QRect(320, 144, 128, 40), QStringLiteral("确定"));
  按钮1->setAutoDefault(false);
  connect(按钮1, &QPushButton::clicked, this, &ApiKeyWindow::save);
}

void ApiKeyWindow::save() {
  if (编辑框1->text().isEmpty() || 编辑框2->text().isEmpty()) return;
  config_.setValue(ConfigFile::kApiKey, toText(编辑框1->text()));
  config_.setValue(ConfigFile::kSecretKey, toText(编辑框2->text()));
  prompts_.message(kSaved);
  accept();
  emit saved();
}

}  // namespace velmora
