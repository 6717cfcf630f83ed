// The desktop program's batch comparison answered by the offline engine:
// the same workflow as with the cloud service, judged with the engine's
// scores at the engine's threshold.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "app/MainWindow.h"
#include "app/ProgramState.h"
#include "app/toolkit/ReportList.h"
#include "engine/server/Engine.h"
#include "json/JsonDocument.h"
#include "tests/engine/PortraitPictures.h"
#include "tests/support/ScriptedPrompts.h"
#include "vision/VisionClient.h"
#include "workflows/ComparisonPage.h"
#include "workflows/WorkflowContext.h"

namespace velmora {
namespace {

// A folder of the batch with these pictures in it, as 0.jpg, 1.jpg, ...
QString folderOf(const QTemporaryDir& scratch, const QString& name, const std::vector<std::string>& pictures) {
  const QString folder = scratch.filePath(name);
  QDir().mkpath(folder);
  for (std::size_t i = 0; i < pictures.size(); ++i) {
    QFile file(folder + QStringLiteral("/%1.jpg").arg(i));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(pictures[i].data(), qint64(pictures[i].size()));
  }
  return folder;
}

TEST(EngineWorkflowTest, BatchJudgesFoldersWithTheEnginesScores) {
  QTemporaryDir scratch;
  std::string error;
  auto engine = engine::Engine::open({scratch.filePath("engine").toStdString()}, error);
  ASSERT_TRUE(engine) << error;
  ASSERT_TRUE(engine->start(0));
  const auto finder = engine::FaceFinder::load(VELMORA_SHAPE_MODEL_FILE);
  ASSERT_TRUE(finder) << finder.error();
  const std::vector<bench::Person> people = bench::demoPeople(finder.value());
  ASSERT_GE(people.size(), 2u);
  // The first photograph's people and the last one's are strangers.
  const bench::Person& someone = people.front();
  const bench::Person& stranger = people.back();

  MainWindow window;
  window.组合框_阈值->setEditText(QStringLiteral("80"));
  appendRow(window.超级列表框_目录,
            folderOf(scratch, "one person",
                     {bench::portrait(someone, 0), bench::portrait(someone, 1), bench::portrait(someone, 2)}));
  appendRow(window.超级列表框_目录,
            folderOf(scratch, "two people", {bench::portrait(someone, 0), bench::portrait(stranger, 1)}));

  const engine::EngineKeys keys = engine->keys();
  ProgramState state;
  state.visionClient =
      std::make_unique<VisionClient>([keys] { return ApiKeys{keys.apiKey, keys.secretKey}; }, engine->host());
  state.replyDocument = std::make_unique<JsonDocument>();
  ASSERT_EQ(state.visionClient->requestToken(), "1");
  testing::ScriptedPrompts prompts;
  WorkflowContext context{window, state, prompts};
  installComparisonPage(context)->batch().run();

  QTreeWidget* list = window.超级列表框_目录;
  EXPECT_EQ(cellText(list, 0, 1), QStringLiteral("同一人"));
  EXPECT_GE(cellText(list, 0, 2).toInt(), 80);
  EXPECT_EQ(cellText(list, 1, 1), QStringLiteral("非同一人"));
  EXPECT_LT(cellText(list, 1, 2).toInt(), 80);
  EXPECT_EQ(engine->statistics().requests, 1u + 2u + 1u);  // the token, two pairs, one pair
}

}  // namespace
}  // namespace velmora

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
