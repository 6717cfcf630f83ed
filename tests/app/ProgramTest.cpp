#include "app/Program.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QLabel>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <cstring>
#include <optional>

#include "app/ApiKeyWindow.h"
#include "app/MainWindow.h"
#include "app/config/ProfileFile.h"
#include "app/toolkit/DropTarget.h"
#include "app/toolkit/PictureBox.h"
#include "tests/app/AppFixtures.h"
#include "tests/support/ScriptedPrompts.h"

namespace velmora {
namespace {

using testing::ScratchFolder;

class ProgramTest : public ::testing::Test {
 protected:
  ProgramOptions options() {
    ProgramOptions options;
    options.configPath = config;
    options.prompts = &prompts;
    return options;
  }
  std::string stored(const char* key) const { return readProfileString(config, "config", key); }

  ScratchFolder folder;
  std::filesystem::path config = folder.file("config.ini");
  velmora::testing::ScriptedPrompts prompts;
};

TEST_F(ProgramTest, WindowSetUpRunsInItsOrder) {
  ScratchFolder::write(config, "[config]\r\nyuzhi=73\r\n");
  ProgramOptions startUp = options();
  bool tokenChecked = false;
  startUp.tokenCheck = [&](Program& program) {
    tokenChecked = true;
    MainWindow& window = program.window();
    EXPECT_TRUE(program.state().isCreated()) << "state exists before the window";
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Velmora V1.2"));
    EXPECT_TRUE(window.通用对话框1.folder.isEmpty()) << "the dialog is pointed at the desktop after the check";
    for (DropTarget* drop : {window.拖放对象1, window.拖放对象_图片1, window.拖放对象_图片2}) EXPECT_FALSE(drop->isBound());
    EXPECT_FALSE(velmora::testing::dropFiles(window.图片框1, {QStringLiteral("/tmp/a.jpg")}));
    EXPECT_EQ(window.组合框_阈值->currentText(), QStringLiteral("90")) << "threshold restored last";
  };
  Program program(startUp);
  program.start();
  ASSERT_TRUE(tokenChecked);

  MainWindow& window = program.window();
  const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
  EXPECT_EQ(window.通用对话框1.folder, desktop + QLatin1Char('/'));
  EXPECT_FALSE(window.通用对话框1.saveMode);
  EXPECT_TRUE(window.通用对话框1.filter.isEmpty());
  EXPECT_EQ(window.组合框_阈值->currentText(), QStringLiteral("73"));

  const std::pair<DropTarget*, QWidget*> targets[] = {{window.拖放对象1, window.超级列表框_目录->viewport()},
                                                       {window.拖放对象_图片1, window.图片框1},
                                                       {window.拖放对象_图片2, window.图片框2}};
  for (const auto& [drop, receiver] : targets) {
    QString delivered;
    QObject::connect(drop, &DropTarget::filesDropped, [&](const QString& paths) { delivered = paths; });
    EXPECT_TRUE(velmora::testing::dropFiles(receiver, {QStringLiteral("/p/甲"), QStringLiteral("/p/乙")}));
    EXPECT_EQ(delivered, QStringLiteral("/p/甲\r\n/p/乙")) << drop->objectName().toStdString();
  }
}

TEST_F(ProgramTest, ThresholdIsRestoredUncheckedWhenThereIsOne) {
  struct Case {
    const char* name;
    std::optional<std::string> file;
    QString shown;
  };
  const Case cases[] = {
      {"NoFile", std::nullopt, QStringLiteral("90")},
      {"NoKey", "[config]\nAPIKey=x\n", QStringLiteral("90")},
      {"EmptyValue", "[config]\nyuzhi=\n", QStringLiteral("90")},
      {"NotAListItem", "[config]\nyuzhi=73\n", QStringLiteral("73")},
      {"NotANumber", "[config]\nyuzhi=abc\n", QStringLiteral("abc")},
      {"GbkText", "[config]\nyuzhi=\xB0\xA1\n", QStringLiteral("啊")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(config);
    if (c.file) ScratchFolder::write(config, *c.file);
    Program program(options());
    program.start();
    EXPECT_EQ(program.window().组合框_阈值->currentText(), c.shown);
    EXPECT_EQ(std::filesystem::exists(config), c.file.has_value()) << "start-up writes nothing";
    if (c.file) EXPECT_EQ(ScratchFolder::read(config), *c.file);
  }
}

TEST_F(ProgramTest, EveryEditAndPickOfTheThresholdIsStored) {
  Program program(options());
  program.start();
  QComboBox* box = program.window().组合框_阈值;
  QLineEdit* edit = box->lineEdit();
  edit->selectAll();
  for (const char* expected : {"9", "95", "950"}) {
    QTest::keyClick(edit, expected[std::strlen(expected) - 1]);
    EXPECT_EQ(stored("yuzhi"), expected);
  }
  QTest::keyClick(edit, Qt::Key_Backspace);
  EXPECT_EQ(stored("yuzhi"), "95");
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Delete);
  EXPECT_EQ(stored("yuzhi"), "") << "empty text is stored too";

  QTest::keyClick(box, Qt::Key_Down);  // picks a list item from the keyboard
  ASSERT_GE(box->currentIndex(), 0);
  EXPECT_EQ(stored("yuzhi"), box->itemText(box->currentIndex()).toStdString());
}

TEST_F(ProgramTest, ReadOnlyConfigKeepsTheProgramRunning) {
  ScratchFolder::write(config, "[config]\nyuzhi=73\n");
  ::chmod(config.c_str(), 0444);
  Program program(options());
  program.start();
  QLineEdit* edit = program.window().组合框_阈值->lineEdit();
  QTest::keyClicks(edit, "5");
  EXPECT_EQ(program.window().组合框_阈值->currentText(), QStringLiteral("735"));
  EXPECT_EQ(ScratchFolder::read(config), "[config]\nyuzhi=73\n");
}

TEST_F(ProgramTest, ClosingTheMainWindowRunsTheShutdownRoutine) {
  Program program(options());
  QTimer::singleShot(0, [&] {
    program.state().selectedRows = {0, 2};
    program.window().close();
  });
  EXPECT_EQ(program.run(), 0);
  EXPECT_TRUE(program.state().isReleased());
  EXPECT_TRUE(program.state().selectedRows.empty());
  EXPECT_FALSE(std::filesystem::exists(config)) << "nothing is written at exit";
  program.shutdown();  // a second run of the routine changes nothing
  EXPECT_TRUE(program.state().isReleased());
}

// Answers the API key window that is about to open modally.
void answerKeyWindow(std::function<void(ApiKeyWindow&)> answer) {
  QTimer::singleShot(0, [answer] {
    auto* keys = qobject_cast<ApiKeyWindow*>(QApplication::activeModalWidget());
    ASSERT_NE(keys, nullptr);
    answer(*keys);
  });
}

// A program that was ended without its main loop leaves the application
// asked to quit; a short main loop clears that for the tests that follow.
void settleApplication() {
  QTimer::singleShot(0, qApp, &QCoreApplication::quit);
  QApplication::exec();
}

TEST_F(ProgramTest, SavingKeysFromAFailedTokenCheckEndsTheProgram) {
  ScratchFolder::write(config, "[config]\nyuzhi=73\nAPIKey=OLD\n");
  ProgramOptions startUp = options();
  startUp.tokenCheck = [](Program& program) {
    program.window().setWindowTitle(program.window().windowTitle() + QStringLiteral("---服务器验证失败"));
    answerKeyWindow([](ApiKeyWindow& keys) {
      EXPECT_EQ(keys.标签3->text(), ApiKeyWindow::kKeysExpired);
      EXPECT_EQ(keys.编辑框1->text(), QStringLiteral("OLD"));
      keys.编辑框1->setText(QStringLiteral("D4D7D68CF7E8962"));
      keys.编辑框2->setText(QStringLiteral("typed in plain"));
      keys.按钮1->click();
    });
    program.openApiKeyWindow();
  };
  Program program(startUp);
  EXPECT_EQ(program.run(), 0);
  settleApplication();

  EXPECT_TRUE(program.endRequested());
  EXPECT_TRUE(program.state().isReleased());
  EXPECT_EQ(stored("APIKey"), "D4D7D68CF7E8962");
  EXPECT_EQ(stored("SecretKey"), "typed in plain");
  EXPECT_EQ(stored("yuzhi"), "73");
  ASSERT_EQ(prompts.messages.size(), 1u);
  EXPECT_EQ(prompts.messages[0].text, QStringLiteral("保存成功，请重启程序验证APIKey!"));
  EXPECT_EQ(prompts.messages[0].title, QStringLiteral("信息："));
}

TEST_F(ProgramTest, MenuItemOpensTheKeyWindowAndClosingItSavesNothing) {
  ScratchFolder::write(config, "[config]\nAPIKey=A\nSecretKey=S\n");
  Program program(options());
  program.start();
  program.window().setWindowTitle(program.window().windowTitle() + QStringLiteral("---服务器验证成功"));
  bool opened = false;
  answerKeyWindow([&](ApiKeyWindow& keys) {
    opened = true;
    EXPECT_EQ(keys.windowTitle(), QStringLiteral("API KEY"));
    EXPECT_EQ(keys.标签3->text(), ApiKeyWindow::kKeysWorking);
    EXPECT_EQ(keys.parentWidget(), &program.window());
    keys.编辑框1->setText(QStringLiteral("changed"));
    keys.reject();  // closed by its frame
  });
  program.window().设置API->trigger();
  EXPECT_TRUE(opened);
  EXPECT_FALSE(program.endRequested());
  EXPECT_EQ(stored("APIKey"), "A");
  EXPECT_TRUE(prompts.messages.empty());
}

}  // namespace
}  // namespace velmora
