// The start-up token check against the loopback stand-in of the service: the
// caption suffix, and for a refused key pair the message, then the API key
// window, then the rest of the set-up.
#include "app/TokenCheck.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QTimer>

#include "app/ApiKeyWindow.h"
#include "app/MainWindow.h"
#include "app/Program.h"
#include "app/config/KeyScramble.h"
#include "app/toolkit/DropTarget.h"
#include "tests/app/AppFixtures.h"
#include "tests/support/ScriptedPrompts.h"
#include "tools/standin/VisionStandIn.h"

namespace velmora {
namespace {

using testing::ScratchFolder;

class TokenCheckTest : public ::testing::Test {
 protected:
  TokenCheckTest() : service(serviceSettings()) {}

  static standin::Settings serviceSettings() {
    standin::Settings settings;
    settings.apiKey = "good-api-key";
    settings.secretKey = "good-secret";
    return settings;
  }

  void SetUp() override { ASSERT_TRUE(service.start()); }

  void writeConfig(const std::string& apiKey, const std::string& secretKey) {
    ScratchFolder::write(config, "[config]\r\nHost=" + service.host() + "\r\nAPIKey=" +
                                     scrambleKey(apiKey, kKeyPassPhrase) + "\r\nSecretKey=" +
                                     scrambleKey(secretKey, kKeyPassPhrase) + "\r\n");
  }

  ProgramOptions options() {
    ProgramOptions options;
    options.configPath = config;
    options.prompts = &prompts;
    options.tokenCheck = checkServiceToken;
    return options;
  }

  standin::VisionStandIn service;
  ScratchFolder folder;
  std::filesystem::path config = folder.file("config.ini");
  velmora::testing::ScriptedPrompts prompts;
};

TEST_F(TokenCheckTest, AGrantedTokenMarksTheCaptionAndAsksNothing) {
  writeConfig("good-api-key", "good-secret");
  Program program(options());
  program.start();

  EXPECT_EQ(program.window().windowTitle(), QStringLiteral("Velmora V1.2---服务器验证成功"));
  EXPECT_TRUE(prompts.messages.empty());
  EXPECT_EQ(program.state().visionClient->accessToken(), serviceSettings().accessToken);
  ASSERT_EQ(service.requests().size(), 1u);
  EXPECT_EQ(service.requests()[0].path, "/oauth/2.0/token");
}

TEST_F(TokenCheckTest, ARefusedKeyPairTellsTheUserThenOpensTheKeyWindowBeforeTheSetUpGoesOn) {
  writeConfig("wrong-key", "good-secret");
  bool keyWindowSeen = false;
  QTimer::singleShot(0, [&] {
    auto* keys = qobject_cast<ApiKeyWindow*>(QApplication::activeModalWidget());
    ASSERT_NE(keys, nullptr);
    keyWindowSeen = true;
    EXPECT_EQ(keys->标签3->text(), ApiKeyWindow::kKeysExpired);
    ASSERT_EQ(prompts.messages.size(), 1u) << "the message comes before the key window";
    EXPECT_EQ(prompts.messages[0].text, QStringLiteral("服务器授权失败！请检查API KEY"));
    keys->reject();
  });
  Program program(options());
  program.start();

  EXPECT_TRUE(keyWindowSeen);
  EXPECT_EQ(program.window().windowTitle(), QStringLiteral("Velmora V1.2---服务器验证失败"));
  EXPECT_TRUE(program.state().visionClient->accessToken().empty());
  EXPECT_TRUE(program.window().拖放对象1->isBound()) << "the set-up went on after the key window closed";
  EXPECT_FALSE(program.endRequested());
}

TEST_F(TokenCheckTest, AServiceThatIsNotThereCountsAsARefusal) {
  writeConfig("good-api-key", "good-secret");
  service.stop();
  QTimer::singleShot(0, [] {
    if (auto* keys = QApplication::activeModalWidget()) keys->close();
  });
  Program program(options());
  program.start();

  EXPECT_EQ(program.window().windowTitle(), QStringLiteral("Velmora V1.2---服务器验证失败"));
  ASSERT_EQ(prompts.messages.size(), 1u);
}

}  // namespace
}  // namespace velmora
