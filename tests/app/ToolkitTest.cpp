#include <gtest/gtest.h>

#include <QBuffer>
#include <QComboBox>
#include <QDropEvent>
#include <QImage>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTabBar>
#include <QTest>
#include <QTcpSocket>
#include <QTreeWidget>
#include <QUrl>
#include <thread>

#include "app/toolkit/Colors.h"
#include "app/toolkit/DialogFilter.h"
#include "app/toolkit/DropTarget.h"
#include "app/toolkit/EventLoop.h"
#include "app/toolkit/PictureBox.h"
#include "app/toolkit/ReportList.h"
#include "app/toolkit/ServerControl.h"
#include "app/toolkit/ShapeBox.h"
#include "app/toolkit/TabControl.h"
#include "app/toolkit/TextBridge.h"
#include "text/Codepage.h"

namespace velmora {
namespace {

Bytes pngBytes(int width, int height, QColor color) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(color);
  QByteArray data;
  QBuffer buffer(&data);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return Bytes(data.constData(), std::size_t(data.size()));
}

TEST(DialogFilter, TurnsBarSeparatedFiltersIntoQtFilters) {
  struct Case {
    QString filter;
    QStringList expected;
  };
  const Case cases[] = {
      {QStringLiteral("Excel 97-2003 工作簿(*.xls)|*.xls"), {QStringLiteral("Excel 97-2003 工作簿(*.xls) (*.xls)")}},
      {QStringLiteral("图片|*.jpg;*.png|所有文件|*.*"), {QStringLiteral("图片 (*.jpg *.png)"), QStringLiteral("所有文件 (*.*)")}},
      {QStringLiteral(""), {}},
      {QStringLiteral("只有描述"), {}},
      {QStringLiteral("空|;|图片|*.jpg|"), {QStringLiteral("图片 (*.jpg)")}},
  };
  for (const Case& c : cases) EXPECT_EQ(toQtNameFilters(c.filter), c.expected) << c.filter.toStdString();
}

TEST(TextBridge, ConvertsGbkTextAndReadsEveryControlKind) {
  EXPECT_EQ(toQString(gbk("同一人")), QStringLiteral("同一人"));
  EXPECT_EQ(toText(QStringLiteral("非同一人")), gbk("非同一人"));
  EXPECT_EQ(toQString(toText(QStringLiteral("𠀀 emoji 😀"))), QStringLiteral("𠀀 emoji 😀")) << "GB18030 keeps every character";

  QPlainTextEdit multi;
  setControlText(&multi, QStringLiteral("B\r\nA\r\n"));
  EXPECT_EQ(controlText(&multi), QStringLiteral("B\r\nA\r\n"));

  QComboBox list;
  list.addItems({QStringLiteral("全部"), QStringLiteral("黑名单")});
  setControlText(&list, QStringLiteral("黑名单"));
  EXPECT_EQ(list.currentIndex(), 1);
  QComboBox editable;
  editable.setEditable(true);
  setControlText(&editable, QStringLiteral("abc"));
  EXPECT_EQ(controlText(&editable), QStringLiteral("abc"));
}

TEST(PictureBox, GivesBackTheBytesItWasGiven) {
  PictureBox box;
  box.resize(136, 168);
  EXPECT_FALSE(box.hasPicture());
  EXPECT_TRUE(box.picture().empty());

  const Bytes png = pngBytes(400, 300, Qt::red);
  box.setPicture(png);
  EXPECT_EQ(box.picture(), png);
  EXPECT_TRUE(box.isShowingPicture());
  EXPECT_LE(box.pixmap().width(), 136) << "shown scaled to fit";

  const Bytes notAPicture("not a picture\0with zero", 23);
  box.setPicture(notAPicture);
  EXPECT_EQ(box.picture(), notAPicture);
  EXPECT_FALSE(box.isShowingPicture());

  box.setPicture({});
  EXPECT_FALSE(box.hasPicture());
}

TEST(ShapeBox, FillsWithTheWindowsColourValue) {
  ShapeBox lamp;
  lamp.resize(24, 16);
  EXPECT_EQ(lamp.fillColor(), kWhite);
  const std::pair<std::uint32_t, QColor> cases[] = {{kRed, QColor(255, 0, 0)}, {kGreen, QColor(0, 255, 0)},
                                                    {0xFF0000, QColor(0, 0, 255)}, {kWhite, QColor(255, 255, 255)}};
  for (const auto& [colorref, shown] : cases) {
    lamp.setFillColor(colorref);
    EXPECT_EQ(lamp.fillColor(), colorref);
    EXPECT_EQ(lamp.grab().toImage().pixelColor(12, 8), shown) << std::hex << colorref;
  }
}

TEST(ReportList, AnswersForRowsAndColumnsThatExistAndNot) {
  QTreeWidget list;
  makeReportList(&list);
  EXPECT_EQ(columnCount(&list), 0);
  EXPECT_EQ(appendColumn(&list, QStringLiteral("目录"), 540), 0);
  EXPECT_EQ(appendColumn(&list, QStringLiteral("索引"), 5), 1);
  EXPECT_EQ(list.columnWidth(1), 5);
  EXPECT_EQ(columnTitle(&list, 1), QStringLiteral("索引"));
  EXPECT_EQ(columnTitle(&list, 2), QString());

  EXPECT_EQ(currentRow(&list), -1);
  EXPECT_EQ(appendRow(&list, QStringLiteral("/a")), 0);
  EXPECT_EQ(appendRow(&list, QStringLiteral("/b")), 1);
  EXPECT_EQ(appendRow(&list), 2);
  EXPECT_EQ(rowCount(&list), 3);
  EXPECT_TRUE(setCellText(&list, 1, 1, QStringLiteral("3")));
  EXPECT_EQ(cellText(&list, 1, 1), QStringLiteral("3"));
  EXPECT_EQ(cellText(&list, 0, 0), QStringLiteral("/a"));
  EXPECT_EQ(cellText(&list, 2, 0), QString());
  for (const auto& [row, column] : {std::pair{3, 0}, {-1, 0}, {0, 2}, {0, -1}}) {
    EXPECT_EQ(cellText(&list, row, column), QString());
    EXPECT_FALSE(setCellText(&list, row, column, QStringLiteral("x")));
  }

  list.topLevelItem(2)->setSelected(true);
  list.topLevelItem(0)->setSelected(true);
  EXPECT_EQ(selectedRows(&list), (QList<int>{0, 2}));
  setCurrentRow(&list, 1);
  EXPECT_EQ(currentRow(&list), 1);

  deleteAllRows(&list);
  EXPECT_EQ(rowCount(&list), 0);
  EXPECT_EQ(columnCount(&list), 2);
  EXPECT_EQ(currentRow(&list), -1);
  EXPECT_TRUE(selectedRows(&list).isEmpty());

  appendRow(&list, QStringLiteral("/c"));
  resetColumns(&list);
  EXPECT_EQ(columnCount(&list), 0);
  EXPECT_EQ(rowCount(&list), 0);
  EXPECT_EQ(appendColumn(&list, QStringLiteral("目录"), 80), 0);
  EXPECT_EQ(columnTitle(&list, 0), QStringLiteral("目录"));
}

TEST(TabControl, OffersOnlyVisibleEnabledPagesButKeepsEveryPage) {
  TabControl tabs;
  tabs.resize(300, 200);
  QWidget* hidden = tabs.addPage(QStringLiteral("隐藏"), false, true);
  QWidget* shown = tabs.addPage(QStringLiteral("显示"), true, true);
  QWidget* disabled = tabs.addPage(QStringLiteral("禁用"), true, false);
  tabs.setCurrentIndex(1);
  tabs.show();

  EXPECT_EQ(tabs.count(), 3);
  EXPECT_EQ(tabs.offeredTabCount(), 1);
  EXPECT_TRUE(tabs.isTabOffered(1));
  EXPECT_FALSE(tabs.isTabOffered(0));
  EXPECT_FALSE(tabs.isTabOffered(2));
  EXPECT_TRUE(shown->isVisible());
  EXPECT_FALSE(hidden->isVisible());
  EXPECT_FALSE(disabled->isEnabled());
  EXPECT_EQ(shown->geometry(), tabs.rect()) << "pages use the control's own coordinates";

  QSignalSpy changed(&tabs, &TabControl::currentChanged);
  tabs.setCurrentIndex(0);
  EXPECT_EQ(tabs.currentIndex(), 0);
  EXPECT_TRUE(hidden->isVisible());
  EXPECT_EQ(changed.count(), 1);
  tabs.setCurrentIndex(7);
  EXPECT_EQ(tabs.currentIndex(), 0);
}

QMimeData* fileDrop(const QStringList& paths) {
  auto* data = new QMimeData;
  QList<QUrl> urls;
  for (const QString& path : paths) urls << (path.startsWith('/') ? QUrl::fromLocalFile(path) : QUrl(path));
  data->setUrls(urls);
  return data;
}

// Delivers a whole drag-and-drop to a widget; true when the drop was taken.
bool dropOn(QWidget* receiver, const QStringList& paths) {
  std::unique_ptr<QMimeData> data(fileDrop(paths));
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(receiver, &enter);
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
  drop.setAccepted(false);
  QCoreApplication::sendEvent(receiver, &drop);
  return enter.isAccepted() && drop.isAccepted();
}

TEST(DropTarget, RaisesOneEventPerDropOnceBound) {
  QTreeWidget list;
  makeReportList(&list);
  DropTarget target;
  QSignalSpy dropped(&target, &DropTarget::filesDropped);

  EXPECT_FALSE(dropOn(list.viewport(), {QStringLiteral("/photos/a")}));
  EXPECT_EQ(dropped.count(), 0) << "nothing before the drop object is bound";

  target.bind(&list);
  EXPECT_TRUE(dropOn(list.viewport(), {QStringLiteral("/photos/a"), QStringLiteral("/photos/张三"),
                                       QStringLiteral("https://example.invalid/x.jpg")}));
  ASSERT_EQ(dropped.count(), 1);
  EXPECT_EQ(dropped[0][0].toString(), QStringLiteral("/photos/a\r\n/photos/张三"));

  EXPECT_FALSE(dropOn(list.viewport(), {QStringLiteral("https://example.invalid/x.jpg")}));
  EXPECT_EQ(dropped.count(), 1);
}

TEST(EventLoop, CarriesWorkerCallsOntoTheGuiThread) {
  QThread* gui = QThread::currentThread();
  QThread* ranOn = nullptr;
  int asked = 0;
  std::thread worker([&] {
    runOnGuiThread([&] { ranOn = QThread::currentThread(); });
    asked = callOnGuiThread([&] { return QThread::currentThread() == gui ? 42 : -1; });
  });
  while (asked == 0) pumpEvents();
  worker.join();
  pumpEvents();
  EXPECT_EQ(asked, 42);
  EXPECT_EQ(ranOn, gui);
}

TEST(EventLoop, WaitingKeepsEventsRunning) {
  bool ran = false;
  runOnGuiThread([&] { ran = true; });
  const std::uint32_t before = tickCount();
  waitMs(50);
  EXPECT_TRUE(ran);
  EXPECT_GE(tickCount() - before, 45u);
}

TEST(ServerControl, DeliversTheBytesOfEachArrival) {
  ServerControl server(0);
  ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
  QSignalSpy arrived(&server, &ServerControl::dataArrived);
  QTcpSocket sender;
  sender.connectToHost(QHostAddress::LocalHost, server.listeningPort());
  ASSERT_TRUE(sender.waitForConnected(5000));
  sender.write("AAAA\x01\x02");
  sender.flush();
  ASSERT_TRUE(arrived.wait(5000));
  QByteArray all;
  for (const auto& call : arrived) all += call[0].toByteArray();
  EXPECT_EQ(all, QByteArray("AAAA\x01\x02"));
  server.close();
  EXPECT_EQ(server.listeningPort(), 0);
}

// Two senders: each one's bytes come with its own connection id, bytes sent
// just before a sender leaves still arrive, and the leaving is reported.
TEST(ServerControl, TellsConnectionsApart) {
  ServerControl server(0);
  ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
  QSignalSpy arrived(&server, &ServerControl::connectionDataArrived);
  QSignalSpy closed(&server, &ServerControl::connectionClosed);
  QTcpSocket first, second;
  for (QTcpSocket* sender : {&first, &second}) {
    sender->connectToHost(QHostAddress::LocalHost, server.listeningPort());
    ASSERT_TRUE(sender->waitForConnected(5000));
  }
  first.write("one");
  first.flush();
  second.write("two");
  second.flush();
  second.disconnectFromHost();
  ASSERT_TRUE(QTest::qWaitFor([&] { return arrived.size() >= 2 && closed.size() == 1; }, 5000));

  QMap<ServerControl::ConnectionId, QByteArray> bytes;
  for (const auto& call : arrived) bytes[call[0].value<ServerControl::ConnectionId>()] += call[1].toByteArray();
  ASSERT_EQ(bytes.size(), 2);
  const ServerControl::ConnectionId left = closed[0][0].value<ServerControl::ConnectionId>();
  EXPECT_EQ(bytes.value(left), QByteArray("two"));
  bytes.remove(left);
  EXPECT_EQ(bytes.first(), QByteArray("one"));
  EXPECT_EQ(server.connectionCount(), 1);
}

TEST(ServerControl, DroppedConnectionEndsForTheSender) {
  ServerControl server(0);
  ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
  QSignalSpy arrived(&server, &ServerControl::connectionDataArrived);
  QSignalSpy closed(&server, &ServerControl::connectionClosed);
  QTcpSocket sender;
  sender.connectToHost(QHostAddress::LocalHost, server.listeningPort());
  ASSERT_TRUE(sender.waitForConnected(5000));
  sender.write("x");
  ASSERT_TRUE(arrived.wait(5000));

  server.closeConnection(arrived[0][0].value<ServerControl::ConnectionId>());
  EXPECT_EQ(server.connectionCount(), 0);
  EXPECT_EQ(closed.size(), 1);
  EXPECT_TRUE(QTest::qWaitFor([&] { return sender.state() == QAbstractSocket::UnconnectedState; }, 5000));
  server.closeConnection(12345);  // an unknown id changes nothing
  EXPECT_EQ(closed.size(), 1);
}

TEST(ServerControl, TakenPortIsReported) {
  ServerControl holder(0);
  ASSERT_TRUE(holder.listen(QHostAddress::LocalHost));
  ServerControl second(holder.listeningPort());
  QSignalSpy failed(&second, &ServerControl::listenFailed);
  EXPECT_FALSE(second.listen(QHostAddress::LocalHost));
  EXPECT_FALSE(second.isListening());
  EXPECT_EQ(failed.size(), 1);
  EXPECT_FALSE(second.listenError().isEmpty());

  holder.close();
  EXPECT_TRUE(second.listen(QHostAddress::LocalHost));
  EXPECT_TRUE(second.listenError().isEmpty());
}

}  // namespace
}  // namespace velmora
