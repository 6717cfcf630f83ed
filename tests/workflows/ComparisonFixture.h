#pragma once
// A main window with the comparison page installed, over program-wide state
// whose vision client talks to the loopback stand-in of the service, and a
// scratch folder in which the tests build photo folders of small real
// pictures. Dialogs are answered by ScriptedPrompts.
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <map>
#include <mutex>
#include <string>

#include "app/toolkit/ReportList.h"
#include "tests/workflows/WorkflowFixture.h"
#include "vision/Base64.h"
#include "workflows/ComparisonPage.h"
#include "workflows/FolderEnumeration.h"

namespace velmora::testing {

// A small PNG that differs for every seed.
inline QByteArray pictureBytes(int seed, int side = 40) {
  QImage image(side, side, QImage::Format_RGB32);
  image.fill(QColor::fromHsv((seed * 47) % 360, 200, 100 + seed % 150));
  QPainter(&image).drawText(4, side / 2, QString::number(seed));
  return encodePng(image);
}

inline void writeFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
  file.write(bytes);
}

inline QByteArray readFile(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A successful match reply with this score.
inline Reply matchReply(double score) {
  return Reply::json(R"({"error_code":0,"error_msg":"SUCCESS","log_id":1,"result":{"score":)" +
                     std::to_string(score) +
                     R"(,"face_list":[{"face_token":"token-a"},{"face_token":"token-b"}]}})");
}

class ComparisonTest : public WorkflowTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(scratch.isValid());
    WorkflowTest::SetUp();
    service.setRule(Endpoint::Match, [this](const standin::Request& request) -> std::optional<Reply> {
      std::lock_guard lock(repliesMutex);
      const auto found = repliesBySecondPicture.find(request.json()[1]["image"].text());
      if (found == repliesBySecondPicture.end()) return std::nullopt;
      return found->second;
    });
    page = installComparisonPage(context);
    service.clearRequests();
  }

  // The service's rule reads the replies below: stop it before they go.
  void TearDown() override { service.stop(); }

  // A folder below the scratch folder holding `pictures` different pictures
  // (named p1.png, p2.png, ...); its path without a trailing "/".
  QString makeFolder(const QString& name, int pictures) {
    const QString folder = scratch.filePath(name);
    EXPECT_TRUE(QDir().mkpath(folder));
    for (int i = 1; i <= pictures; ++i)
      writeFile(folder + QStringLiteral("/p%1.png").arg(i), pictureBytes(++pictureSeed));
    return folder;
  }

  // The folder's files in the order the batch takes them.
  static QStringList filesOf(const QString& folder) {
    QStringList files;
    findFiles(folder, QStringLiteral("*.*"), files);
    return files;
  }

  // The service answers every pair whose second picture is this file with reply.
  void answerFor(const QString& file, Reply reply) { answerFor(asBytes(readFile(file)), std::move(reply)); }
  void answerFor(const Bytes& secondPicture, Reply reply) {
    std::lock_guard lock(repliesMutex);
    repliesBySecondPicture[base64Encode(secondPicture)] = std::move(reply);
  }

  int addFolderRow(const QString& folder) { return appendRow(window.超级列表框_目录, folder); }

  QStringList row(int index) const {
    QStringList cells;
    for (int column = 0; column < 4; ++column) cells << cellText(window.超级列表框_目录, index, column);
    return cells;
  }

  // The second pictures of the match requests received, as files of folder.
  std::vector<int> sentPositions(const QStringList& files) const {
    std::vector<int> positions;
    for (const auto& request : service.requests(Endpoint::Match)) {
      const std::string second = request.json()[1]["image"].text();
      for (int i = 0; i < files.size(); ++i)
        if (base64Encode(asBytes(readFile(files[i]))) == second) positions.push_back(i + 1);
    }
    return positions;
  }

  QTemporaryDir scratch;
  int pictureSeed = 0;
  std::mutex repliesMutex;
  std::map<std::string, Reply> repliesBySecondPicture;
  ComparisonPage* page = nullptr;
};

}  // namespace velmora::testing
