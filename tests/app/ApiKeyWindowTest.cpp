#include "app/ApiKeyWindow.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>

#include "app/config/ProfileFile.h"
#include "tests/app/AppFixtures.h"
#include "tests/support/ScriptedPrompts.h"

namespace velmora {
namespace {

using testing::ScratchFolder;

class ApiKeyWindowTest : public ::testing::Test {
 protected:
  std::unique_ptr<ApiKeyWindow> open(const QString& caption) {
    return std::make_unique<ApiKeyWindow>(ConfigFile(config), prompts, caption);
  }
  ScratchFolder folder;
  std::filesystem::path config = folder.file("config.ini");
  velmora::testing::ScriptedPrompts prompts;
};

TEST_F(ApiKeyWindowTest, ShowsWhetherTheKeysWorkAndTheStoredKeys) {
  ScratchFolder::write(config, "[config]\r\nAPIKey=D4D7D68CF7E8962\r\nSecretKey=XYZ\r\n");
  const std::pair<QString, QString> cases[] = {
      {QStringLiteral("Velmora V1.2---服务器验证成功"), ApiKeyWindow::kKeysWorking},
      {QStringLiteral("Velmora V1.2---服务器验证失败"), ApiKeyWindow::kKeysExpired},
      {QStringLiteral("Velmora V1.2"), ApiKeyWindow::kKeysExpired},
  };
  for (const auto& [caption, message] : cases) {
    auto keys = open(caption);
    EXPECT_EQ(keys->标签3->text(), message) << caption.toStdString();
    EXPECT_EQ(keys->编辑框1->text(), QStringLiteral("D4D7D68CF7E8962"));
    EXPECT_EQ(keys->编辑框2->text(), QStringLiteral("XYZ"));
  }
  auto keys = open(QString());
  EXPECT_EQ(keys->windowTitle(), QStringLiteral("API KEY"));
  EXPECT_EQ(keys->size(), QSize(758, 219));
  EXPECT_EQ(keys->标签1->text(), QStringLiteral("   API Key："));
  EXPECT_EQ(keys->标签2->text(), QStringLiteral("Secret Key："));
  EXPECT_EQ(keys->按钮1->text(), QStringLiteral("确定"));
  EXPECT_EQ(keys->编辑框1->geometry(), QRect(88, 48, 656, 36));
}

TEST_F(ApiKeyWindowTest, MissingFileLeavesTheBoxesEmpty) {
  auto keys = open(QStringLiteral("Velmora V1.2"));
  EXPECT_TRUE(keys->编辑框1->text().isEmpty());
  EXPECT_TRUE(keys->编辑框2->text().isEmpty());
  EXPECT_FALSE(std::filesystem::exists(config));
}

TEST_F(ApiKeyWindowTest, WithABoxEmptyConfirmingDoesNothing) {
  for (const auto& [api, secret] : {std::pair{"A", ""}, {"", "S"}, {"", ""}}) {
    auto keys = open(QStringLiteral("Velmora V1.2"));
    QSignalSpy saved(keys.get(), &ApiKeyWindow::saved);
    keys->show();
    keys->编辑框1->setText(QString::fromUtf8(api));
    keys->编辑框2->setText(QString::fromUtf8(secret));
    keys->按钮1->click();
    EXPECT_EQ(saved.count(), 0);
    EXPECT_TRUE(keys->isVisible()) << "the window stays open";
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_FALSE(std::filesystem::exists(config));
  }
}

TEST_F(ApiKeyWindowTest, ConfirmingWritesBothKeysAsTypedEvenUnchanged) {
  ScratchFolder::write(config, "[config]\nyuzhi=80\nAPIKey=A\nSecretKey=S\n");
  auto keys = open(QStringLiteral("Velmora V1.2---服务器验证成功"));
  QSignalSpy saved(keys.get(), &ApiKeyWindow::saved);
  keys->show();
  keys->按钮1->click();
  EXPECT_EQ(saved.count(), 1);
  EXPECT_EQ(keys->result(), QDialog::Accepted);
  EXPECT_FALSE(keys->isVisible());
  ASSERT_EQ(prompts.messages.size(), 1u);
  EXPECT_EQ(prompts.messages[0].text, ApiKeyWindow::kSaved);
  EXPECT_EQ(ScratchFolder::read(config), "[config]\nyuzhi=80\nAPIKey=A\nSecretKey=S\n");
}

TEST_F(ApiKeyWindowTest, ReadOnlyFileStillShowsTheMessageAndEnds) {
  ScratchFolder::write(config, "[config]\nAPIKey=A\nSecretKey=S\n");
  std::filesystem::permissions(config, std::filesystem::perms::owner_read);
  auto keys = open(QStringLiteral("Velmora V1.2"));
  QSignalSpy saved(keys.get(), &ApiKeyWindow::saved);
  keys->编辑框1->setText(QStringLiteral("NEW"));
  keys->按钮1->click();
  EXPECT_EQ(saved.count(), 1);
  EXPECT_EQ(prompts.messages.size(), 1u);
  EXPECT_EQ(readProfileString(config, "config", "APIKey"), "A");
}

}  // namespace
}  // namespace velmora
