// A whole batch comparison against the stand-in on loopback: 1,000 folders
// of 5 pictures (4 matching pairs each), with the 100 ms and 300 ms pauses
// after every matching pair. The program's own time per pair is the time
// between two consecutive requests arriving at the stand-in, minus the two
// pauses and minus the stand-in's time answering the earlier request.
//
//   workflows_batch_comparison_bench [FOLDERS]   (default 1000; about 1.6 s per folder)
#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <cstdio>
#include <mutex>

#include "BenchSupport.h"
#include "app/MainWindow.h"
#include "app/ProgramState.h"
#include "app/toolkit/ReportList.h"
#include "json/JsonDocument.h"
#include "tests/support/ScriptedPrompts.h"
#include "tools/standin/VisionStandIn.h"
#include "vision/VisionClient.h"
#include "workflows/ComparisonPage.h"
#include "workflows/WorkflowContext.h"

using namespace velmora;

namespace {

// A photo-sized JPEG (about 40 KB) that differs for every seed.
QByteArray photo(int seed) {
  QImage image(240, 320, QImage::Format_RGB32);
  QRandomGenerator random(seed);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, random.generate() | 0xFF000000u);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "JPEG", 60);
  return bytes;
}

struct Arrival {
  double at;
  double answeredIn;
};

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  const int folders = argc > 1 ? std::atoi(argv[1]) : 1000;
  constexpr int kPictures = 5;
  constexpr double kPausesMs = 100 + 300;

  QTemporaryDir scratch;
  std::vector<QByteArray> photos;
  for (int i = 0; i < 50; ++i) photos.push_back(photo(i));
  MainWindow window;
  for (int f = 0; f < folders; ++f) {
    const QString folder = scratch.filePath(QStringLiteral("person%1").arg(f));
    QDir().mkpath(folder);
    for (int p = 0; p < kPictures; ++p) {
      QFile file(folder + QStringLiteral("/%1.jpg").arg(p));
      file.open(QIODevice::WriteOnly);
      file.write(photos[(f * kPictures + p) % photos.size()]);
    }
    appendRow(window.超级列表框_目录, folder);
  }

  standin::VisionStandIn service;
  service.start();
  std::mutex arrivalsMutex;
  std::vector<Arrival> arrivals;
  const std::string answer =
      R"({"error_code":0,"error_msg":"SUCCESS","log_id":1,"timestamp":1,"cached":0,"result":{"score":95.5,)"
      R"("face_list":[{"face_token":"a"},{"face_token":"b"}]}})";
  service.setRule(standin::Endpoint::Match, [&](const standin::Request&) -> std::optional<standin::Reply> {
    const double in = bench::nowMs();
    standin::Reply reply = standin::Reply::json(answer);
    service.clearRequests();  // the stand-in's record of requests would otherwise grow with the batch
    std::lock_guard lock(arrivalsMutex);
    arrivals.push_back({in, bench::nowMs() - in});
    return reply;
  });

  ProgramState state;
  state.visionClient = std::make_unique<VisionClient>([] { return ApiKeys{"key", "secret"}; }, service.host());
  state.replyDocument = std::make_unique<JsonDocument>();
  state.visionClient->requestToken();
  testing::ScriptedPrompts prompts;
  WorkflowContext context{window, state, prompts};
  ComparisonPage* page = installComparisonPage(context);

  const double rssBefore = bench::statusMb("VmRSS");
  const double start = bench::nowMs();
  page->batch().run();
  const double totalMs = bench::nowMs() - start;

  std::vector<double> ownMs;
  double answeredMs = 0;
  for (std::size_t k = 1; k < arrivals.size(); ++k)
    ownMs.push_back(arrivals[k].at - arrivals[k - 1].at - kPausesMs - arrivals[k - 1].answeredIn);
  for (const Arrival& arrival : arrivals) answeredMs += arrival.answeredIn;
  const double pairs = double(arrivals.size());
  std::printf("folders %d, pairs sent %zu, end status \"%s\", last row \"%s\"\n", folders, arrivals.size(),
              window.标签_状态->text().toUtf8().constData(),
              cellText(window.超级列表框_目录, folders - 1, 1).toUtf8().constData());
  std::printf("total wall time:                     %.1f s\n", totalMs / 1000);
  std::printf("own time per pair, median:           %.2f ms\n", bench::median(ownMs));
  std::printf("own time per pair, 95th percentile:  %.2f ms\n", [&] {
    std::sort(ownMs.begin(), ownMs.end());
    return ownMs.empty() ? 0.0 : ownMs[std::size_t(ownMs.size() * 0.95)];
  }());
  std::printf("own time per pair, mean from total:  %.2f ms\n", (totalMs - pairs * kPausesMs - answeredMs) / pairs);
  std::printf("resident memory: %.1f MB before the batch, %.1f MB at the end (peak %.1f MB)\n", rssBefore,
              bench::statusMb("VmRSS"), bench::statusMb("VmHWM"));
  return 0;
}
