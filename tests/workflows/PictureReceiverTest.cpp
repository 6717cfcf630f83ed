// The remote picture receiver: the framing of one connection (table of data
// events), and the receiver over real loopback connections feeding the face
// search of the window.
#include <QLabel>
#include <QGroupBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <set>
#include <thread>

#include "HiddenPagesFixture.h"
#include "app/toolkit/PictureBox.h"
#include "app/toolkit/ServerControl.h"
#include "workflows/HiddenPages.h"
#include "workflows/PictureFrameReader.h"
#include "workflows/PictureReceiver.h"

namespace velmora::testing {
namespace {

// ---- Framing of one connection ---------------------------------------------

struct FramingCase {
  const char* name;
  std::vector<std::string> events;
  std::vector<std::string> pictures;  // completed, in order
};

std::vector<std::string> picturesOf(const std::vector<std::string>& events) {
  PictureFrameReader reader;
  std::vector<std::string> pictures;
  for (const std::string& event : events) {
    if (reader.read(event) == PictureFrameReader::Outcome::Complete) pictures.push_back(reader.takePicture());
  }
  return pictures;
}

std::vector<std::string> eachByte(const std::string& bytes) {
  std::vector<std::string> events;
  for (char byte : bytes) events.emplace_back(1, byte);
  return events;
}

TEST(PictureFrameReader, Framing) {
  const FramingCase cases[] = {
      {"one event", {"AAAApictureBBBB"}, {"picture"}},
      {"split in halves", {"AAAApic", "tureBBBB"}, {"picture"}},
      {"four-byte picture", {"AAAAwxyzBBBB"}, {"wxyz"}},
      {"end marker alone after data", {"AAAAab", "cd", "BBBB"}, {"abcd"}},
      {"end marker with nothing collected", {"BBBB"}, {""}},
      {"markers only", {"AAAABBBB"}, {""}},
      {"start marker split", {"AA", "AApicBBBB"}, {"pic"}},
      {"end marker split", {"AAAApicBB", "BB"}, {"pic"}},
      {"split at every byte", eachByte(std::string("AAAAp\x01\xffq\0BBBB", 13)), {std::string("p\x01\xffq\0", 5)}},
      {"no start marker", {"picBBBB"}, {"pic"}},
      {"marker inside the event is data", {"AAAAxBBBBy", "zBBBB"}, {"xBBBByz"}},
      {"start marker later in a picture is data", {"AAAAab", "cAAAAd", "BBBB"}, {"abcAAAAd"}},
      {"a new start drops stale bytes", {"AAAAlost", "AAAAnext", "BBBB"}, {"next"}},
      {"two pictures in a row", {"AAAAoneBBBB", "AAAAtwoBBBB"}, {"one", "two"}},
      {"unfinished picture", {"AAAAnever"}, {}},
  };
  for (const FramingCase& c : cases) EXPECT_EQ(picturesOf(c.events), c.pictures) << c.name;
}

TEST(PictureFrameReader, PictureBeyondTheLimitIsDropped) {
  PictureFrameReader reader;
  const std::string chunk(1 << 20, 'x');
  PictureFrameReader::Outcome outcome = reader.read("AAAA");
  int chunks = 0;
  while (outcome == PictureFrameReader::Outcome::Collecting && chunks < 40) {
    outcome = reader.read(chunk);
    ++chunks;
  }
  EXPECT_EQ(outcome, PictureFrameReader::Outcome::Overflow);
  EXPECT_EQ(chunks, 17);
  EXPECT_EQ(reader.collected(), 0u);
  // A picture of exactly the limit still passes.
  PictureFrameReader exact;
  exact.read("AAAA");
  for (int i = 0; i < 16; ++i) exact.read(chunk);
  EXPECT_EQ(exact.read("BBBB"), PictureFrameReader::Outcome::Complete);
  EXPECT_EQ(exact.takePicture().size(), PictureFrameReader::kPictureLimit);
}

// ---- The receiver over loopback ------------------------------------------------

// A sender of another program: a plain blocking socket to 127.0.0.1.
class Sender {
 public:
  explicit Sender(quint16 port) : fd_(::socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    const int one = 1;
    ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  }
  ~Sender() { close(); }
  Sender(const Sender&) = delete;
  Sender& operator=(const Sender&) = delete;

  bool connected() const { return connected_; }
  bool send(std::string_view bytes) {
    while (!bytes.empty()) {
      const ssize_t sent = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
      if (sent <= 0) return false;
      bytes.remove_prefix(std::size_t(sent));
    }
    return true;
  }
  // Bytes the receiver sent back within waitMs; -1 when the receiver closed
  // the connection (end of stream or reset).
  int bytesBack(int waitMs) {
    timeval timeout{waitMs / 1000, (waitMs % 1000) * 1000};
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    char buffer[64];
    const ssize_t got = ::recv(fd_, buffer, sizeof buffer, 0);
    if (got == 0) return -1;
    if (got < 0) return (errno == EAGAIN || errno == EWOULDBLOCK) ? 0 : -1;
    return int(got);
  }
  void close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_;
  bool connected_ = false;
};

class PictureReceiverTest : public HiddenPagesTest {
 protected:
  void SetUp() override {
    HiddenPagesTest::SetUp();
    window.服务器1->setPort(0);  // a free port, so tests can run side by side
    ASSERT_TRUE(window.服务器1->listen(QHostAddress::LocalHost));
    port = window.服务器1->listeningPort();
    // Every search finds the same person, so each one shows in the labels.
    service.setRule(Endpoint::Search, [](const standin::Request&) {
      return Reply::json(R"({"error_code":0,"error_msg":"SUCCESS","result":{"face_token":"t","user_list":)"
                         R"([{"group_id":"w","user_id":"remote","user_info":"","score":88.5}]}})");
    });
  }

  // Sends one data event: the bytes, then waits until the server has read
  // them all, so that the next bytes arrive as a later event.
  void sendEvent(Sender& sender, std::string_view bytes) {
    QSignalSpy arrived(window.服务器1, &ServerControl::dataArrived);
    ASSERT_TRUE(sender.send(bytes));
    qsizetype got = 0;
    ASSERT_TRUE(waitUntil([&] {
      for (; !arrived.isEmpty(); arrived.removeFirst()) got += arrived.first()[0].toByteArray().size();
      return got >= qsizetype(bytes.size());
    }));
  }

  std::size_t searches() const { return service.requests(Endpoint::Search).size(); }
  bool waitForSearches(std::size_t count) {
    return waitUntil([&] { return searches() >= count; }, 10000);
  }
  std::string searchedImage(std::size_t index) const {
    return service.requests(Endpoint::Search).at(index).json()["image"].text();
  }
  static std::string frame(const Bytes& picture) { return "AAAA" + picture + "BBBB"; }

  quint16 port = 0;
};

TEST_F(PictureReceiverTest, FrameShowsThePictureAndRunsTheSearch) {
  const Bytes picture = pngPicture(Qt::darkRed);
  Sender sender(port);
  ASSERT_TRUE(sender.connected());
  sendEvent(sender, frame(picture));
  ASSERT_TRUE(waitForSearches(1));
  pumpEvents();
  EXPECT_EQ(window.图片框3->picture(), picture);
  EXPECT_TRUE(window.图片框3->isShowingPicture());
  EXPECT_EQ(searchedImage(0), base64Encode(picture));
  EXPECT_EQ(service.lastRequest(Endpoint::Search)->json()["group_id_list"].text(), "zheng,w,b");
  EXPECT_EQ(window.透明标签51->text(), QStringLiteral("remote"));
  EXPECT_EQ(window.透明标签47->text(), QStringLiteral("88.5"));
  EXPECT_EQ(sender.bytesBack(100), 0) << "nothing is sent back";
  EXPECT_EQ(searches(), 1u);
}

TEST_F(PictureReceiverTest, FramesSplitAcrossEvents) {
  const Bytes picture = pngPicture(Qt::darkCyan);
  const std::string bytes = frame(picture);
  Sender halves(port);
  sendEvent(halves, std::string_view(bytes).substr(0, bytes.size() / 2));
  sendEvent(halves, std::string_view(bytes).substr(bytes.size() / 2));
  ASSERT_TRUE(waitForSearches(1));
  EXPECT_EQ(searchedImage(0), base64Encode(picture));

  // Every byte its own event, markers included.
  Sender bytewise(port);
  for (char byte : bytes) sendEvent(bytewise, std::string_view(&byte, 1));
  ASSERT_TRUE(waitForSearches(2));
  EXPECT_EQ(searchedImage(1), base64Encode(picture));
}

TEST_F(PictureReceiverTest, EachConnectionCollectsItsOwnPicture) {
  const Bytes first = pngPicture(Qt::red), second = pngPicture(Qt::blue);
  const std::string a = frame(first), b = frame(second);
  Sender one(port), two(port);
  sendEvent(one, std::string_view(a).substr(0, 30));
  sendEvent(two, std::string_view(b).substr(0, 30));
  sendEvent(one, std::string_view(a).substr(30));
  sendEvent(two, std::string_view(b).substr(30));
  ASSERT_TRUE(waitForSearches(2));
  EXPECT_EQ(searchedImage(0), base64Encode(first));
  EXPECT_EQ(searchedImage(1), base64Encode(second));
}

TEST_F(PictureReceiverTest, StartMarkerDropsAnUnfinishedTransfer) {
  const Bytes picture = pngPicture(Qt::darkYellow);
  Sender sender(port);
  sendEvent(sender, "AAAAstale bytes whose end marker was lost");
  sendEvent(sender, frame(picture));
  ASSERT_TRUE(waitForSearches(1));
  EXPECT_EQ(searchedImage(0), base64Encode(picture));
}

TEST_F(PictureReceiverTest, SenderLeavingMidFrameLeavesNothingBehind) {
  auto* receiver = window.服务器1->findChild<PictureReceiver*>();
  ASSERT_NE(receiver, nullptr);
  {
    Sender leaving(port);
    sendEvent(leaving, "AAAAhalf a pic");
    EXPECT_EQ(receiver->connectionsCollecting(), 1u);
  }
  ASSERT_TRUE(waitUntil([&] { return window.服务器1->connectionCount() == 0; }));
  EXPECT_EQ(receiver->connectionsCollecting(), 0u);

  const Bytes picture = pngPicture(Qt::darkMagenta);
  Sender next(port);
  sendEvent(next, picture + "BBBB");  // even without a start marker nothing stale comes first
  ASSERT_TRUE(waitForSearches(1));
  EXPECT_EQ(searchedImage(0), base64Encode(picture));
}

TEST_F(PictureReceiverTest, SilentPeerDoesNotHoldUpOthers) {
  Sender silent(port);
  ASSERT_TRUE(waitUntil([&] { return window.服务器1->connectionCount() == 1; }));
  Sender talking(port);
  sendEvent(talking, frame(pngPicture(Qt::gray)));
  ASSERT_TRUE(waitForSearches(1));
  EXPECT_EQ(window.服务器1->connectionCount(), 2);
}

TEST_F(PictureReceiverTest, HundredConnectionsAtOnce) {
  constexpr int kSenders = 100;
  std::vector<Bytes> pictures;
  for (int i = 0; i < kSenders; ++i) pictures.push_back(pngPicture(QColor::fromHsv(i * 3, 255, 200 + i % 50)));
  std::atomic<int> sent{0};
  std::vector<std::thread> threads;
  for (int i = 0; i < kSenders; ++i) {
    threads.emplace_back([&, i] {
      Sender sender(port);
      if (sender.connected() && sender.send(frame(pictures[std::size_t(i)]))) ++sent;
      sender.bytesBack(3000);  // stays connected until the receiver is done
    });
  }
  const bool all = waitForSearches(kSenders);
  for (auto& thread : threads) thread.join();
  ASSERT_EQ(sent.load(), kSenders);
  ASSERT_TRUE(all) << searches() << " searches";
  std::set<std::string> searched;
  for (std::size_t i = 0; i < kSenders; ++i) searched.insert(searchedImage(i));
  std::set<std::string> expected;
  for (const Bytes& picture : pictures) expected.insert(base64Encode(picture));
  EXPECT_EQ(searched, expected) << "every picture arrived whole, none mixed";
}

TEST_F(PictureReceiverTest, OversizedPictureClosesTheConnection) {
  Sender flooding(port);
  ASSERT_TRUE(waitUntil([&] { return window.服务器1->connectionCount() == 1; }));
  std::thread sender([&] {
    flooding.send("AAAA");
    const std::string chunk(1 << 20, '\x5a');
    for (int i = 0; i < 40 && flooding.send(chunk); ++i) {
    }
  });
  const bool dropped = waitUntil([&] { return window.服务器1->connectionCount() == 0; }, 20000);
  sender.join();
  EXPECT_TRUE(dropped);
  EXPECT_EQ(flooding.bytesBack(1000), -1) << "the receiver closed the connection";
  EXPECT_EQ(searches(), 0u);

  // Others are still served.
  Sender next(port);
  sendEvent(next, frame(pngPicture(Qt::black)));
  EXPECT_TRUE(waitForSearches(1));
}

TEST_F(PictureReceiverTest, EmptyFrameAsksForAPicture) {
  window.图片框3->setPicture(pngPicture(Qt::green));
  Sender sender(port);
  sendEvent(sender, "AAAABBBB");
  ASSERT_TRUE(waitUntil([&] { return !prompts.messages.empty(); }));
  EXPECT_EQ(messages(), QStringList{QStringLiteral("图片一无图片！")});
  EXPECT_FALSE(window.图片框3->hasPicture());
  EXPECT_EQ(searches(), 0u);
}

TEST_F(PictureReceiverTest, BytesThatAreNoPictureGoToTheServiceUnchanged) {
  service.clearScript();  // the stand-in's own search: nothing registered, so no user found
  const std::string junk("\x00\x01not an image\xff", 16);
  Sender sender(port);
  sendEvent(sender, frame(junk));
  ASSERT_TRUE(waitForSearches(1));
  pumpEvents();
  EXPECT_EQ(searchedImage(0), base64Encode(junk));
  EXPECT_FALSE(window.图片框3->isShowingPicture());
  EXPECT_EQ(window.透明标签46->text(), QStringLiteral("返回异常,请检查..."));
  EXPECT_FALSE(window.错误框3->isHidden());
}

// The receiver's port taken by someone else: the window still works and
// the status line says that remote pictures cannot be received, whether the
// listening fails after the handlers are installed or before.
TEST(PictureReceiverPort, PortInUseIsReportedOnTheStatusLine) {
  EXPECT_TRUE(receiverUnavailableText(MainWindow::kReceiverPort).contains(QStringLiteral("19720")));
  QTcpServer holder;  // holds a port the windows then try to listen on
  ASSERT_TRUE(holder.listen(QHostAddress::LocalHost, 0));
  const QString unavailable = receiverUnavailableText(holder.serverPort());

  ProgramState state;
  ScriptedPrompts prompts;
  MainWindow installedFirst;
  WorkflowContext first{installedFirst, state, prompts};
  installHiddenPages(first);
  installedFirst.服务器1->setPort(holder.serverPort());
  EXPECT_FALSE(installedFirst.服务器1->listen(QHostAddress::LocalHost));
  EXPECT_EQ(installedFirst.标签_状态->text(), unavailable);

  MainWindow listenedFirst;
  listenedFirst.服务器1->setPort(holder.serverPort());
  EXPECT_FALSE(listenedFirst.服务器1->listen(QHostAddress::LocalHost));
  WorkflowContext second{listenedFirst, state, prompts};
  installHiddenPages(second);
  EXPECT_EQ(listenedFirst.标签_状态->text(), unavailable);

  // The pages still work.
  listenedFirst.开始人脸识别->click();
  EXPECT_EQ(prompts.messages.size(), 1u);
}

}  // namespace
}  // namespace velmora::testing

int main(int argc, char** argv) { return velmora::testing::runWidgetTests(argc, argv); }
