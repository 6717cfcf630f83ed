// The remote picture receiver on loopback: FRAMES pictures of about 1 MB,
// each sent by its own connection as "AAAA" + picture + "BBBB" from a sender
// thread, as another program would, at most 4 frames ahead. Three runs:
//   0. framing only: completed pictures are dropped;
//   1. receive only: every completed picture goes into 图片框3 (decoded there);
//   2. receive and search: every picture also runs the face search, answered
//      at once by the stand-in. The receive path is the wall time minus the
//      time spent inside the search handler (request, stand-in, labels).
// Resident memory is sampled as the frames go by.
//
//   workflows_picture_receiver_bench [FRAMES]   (default 100)
#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QRandomGenerator>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>

#include "BenchSupport.h"
#include "app/MainWindow.h"
#include "app/ProgramState.h"
#include "app/toolkit/EventLoop.h"
#include "app/toolkit/PictureBox.h"
#include "app/toolkit/ServerControl.h"
#include "json/JsonDocument.h"
#include "tests/support/ScriptedPrompts.h"
#include "tools/standin/VisionStandIn.h"
#include "vision/VisionClient.h"
#include "workflows/FaceSearch.h"
#include "workflows/PictureReceiver.h"
#include "workflows/WorkflowContext.h"

using namespace velmora;

namespace {

// A noisy JPEG of about 1 MB (noise keeps it from compressing).
std::string megabytePhoto() {
  QImage image(1000, 1000, QImage::Format_RGB32);
  QRandomGenerator random(7);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, random.generate() | 0xFF000000u);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "JPEG", 93);
  return std::string(bytes.constData(), std::size_t(bytes.size()));
}

// At most this many frames are sent ahead of the pictures handled: a sender
// that keeps pace, rather than hundreds of senders at once.
constexpr int kFramesInFlight = 4;

// Sends each frame over a new connection to 127.0.0.1:port, then closes it.
void sendFrames(quint16 port, const std::string& frame, int frames, const std::atomic<int>& handled) {
  for (int i = 0; i < frames; ++i) {
    while (i - handled.load() >= kFramesInFlight) std::this_thread::yield();
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) std::perror("connect");
    std::string_view rest = frame;
    while (!rest.empty()) {
      const ssize_t sent = ::send(fd, rest.data(), rest.size(), MSG_NOSIGNAL);
      if (sent <= 0) break;
      rest.remove_prefix(std::size_t(sent));
    }
    ::close(fd);
  }
}

struct RunFigures {
  double wallMs = 0;
  double handlerMs = 0;  // time inside the search handler
  int pictures = 0;
  std::vector<double> rssMb;  // after each quarter of the frames
};

// Runs one pass; onPicture handles each completed picture and returns the
// milliseconds it spent in the part that is not the receive path.
RunFigures run(int frames, const std::string& picture, const std::function<double(Bytes)>& onPicture) {
  ServerControl server(0);
  if (!server.listen(QHostAddress::LocalHost)) {
    std::fprintf(stderr, "cannot listen on loopback\n");
    std::exit(1);
  }
  RunFigures figures;
  std::atomic<int> handled{0};
  new PictureReceiver(server, [&](Bytes received) {
    if (received.size() != picture.size()) std::fprintf(stderr, "picture %d came with %zu bytes\n", figures.pictures, received.size());
    figures.handlerMs += onPicture(std::move(received));
    ++figures.pictures;
    handled = figures.pictures;
    if (figures.pictures % std::max(1, frames / 4) == 0) figures.rssMb.push_back(bench::statusMb("VmRSS"));
  });
  const std::string frame = "AAAA" + picture + "BBBB";
  const double start = bench::nowMs();
  std::thread sender(sendFrames, server.listeningPort(), std::cref(frame), frames, std::cref(handled));
  while (figures.pictures < frames) {
    pumpEvents();
    if (bench::nowMs() - start > 120000) break;
    QThread::usleep(50);
  }
  figures.wallMs = bench::nowMs() - start;
  sender.join();
  return figures;
}

void print(const char* title, const RunFigures& f, double megabytes) {
  const double receiveMs = f.wallMs - f.handlerMs;
  std::printf("%s\n", title);
  std::printf("  pictures completed     %d\n", f.pictures);
  std::printf("  wall time              %.1f ms (%.0f MB/s end to end)\n", f.wallMs, megabytes / (f.wallMs / 1000));
  std::printf("  in the search handler  %.1f ms\n", f.handlerMs);
  std::printf("  receive path           %.1f ms = %.0f MB/s\n", receiveMs, megabytes / (receiveMs / 1000));
  std::printf("  RSS after each quarter");
  for (double mb : f.rssMb) std::printf("  %.1f MB", mb);
  std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  const int frames = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100;

  standin::VisionStandIn service;
  service.start();
  // The search is answered at once, without looking at the picture.
  std::atomic<int> searchesAnswered{0};
  service.setRule(standin::Endpoint::Search, [&searchesAnswered](const standin::Request&) {
    ++searchesAnswered;
    return standin::Reply::json(R"({"error_code":0,"error_msg":"SUCCESS","result":{"face_token":"t","user_list":)"
                                R"([{"group_id":"w","user_id":"u","user_info":"","score":90}]}})");
  });
  MainWindow window;
  ProgramState state;
  testing::ScriptedPrompts prompts;
  state.visionClient = std::make_unique<VisionClient>([] { return ApiKeys{"k", "s"}; }, service.host());
  state.replyDocument = std::make_unique<JsonDocument>();
  state.visionClient->requestToken();
  WorkflowContext context{window, state, prompts};

  const std::string picture = megabytePhoto();
  const double megabytes = frames * double(picture.size() + 8) / 1e6;
  std::printf("%d frames of %zu bytes (%.1f MB in all), one connection each, over 127.0.0.1\n", frames,
              picture.size() + 8, megabytes);
  std::printf("RSS before: %.1f MB\n", bench::statusMb("VmRSS"));

  print("framing only (picture dropped):", run(frames, picture, [](Bytes) { return 0.0; }), megabytes);
  print("receive only (picture into 图片框3):", run(frames, picture, [&](Bytes received) {
          window.图片框3->setPicture(received);
          return 0.0;
        }), megabytes);

  print("receive and search (stand-in answers at once):", run(frames, picture, [&](Bytes received) {
          window.图片框3->setPicture(received);
          const double start = bench::nowMs();
          runFaceSearch(context);
          service.clearRequests();  // the stand-in's own record of each 1.4 MB request body
          return bench::nowMs() - start;
        }), megabytes);
  std::printf("searches answered: %d; RSS peak (VmHWM) %.1f MB\n", searchesAnswered.load(), bench::statusMb("VmHWM"));
  return 0;
}
