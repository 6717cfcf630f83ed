#include "workflows/HiddenPages.h"

#include <QLabel>
#include <QPushButton>
#include <functional>

#include "app/MainWindow.h"
#include "app/toolkit/PictureBox.h"
#include "app/toolkit/ServerControl.h"
#include "workflows/FaceRegistration.h"
#include "workflows/FaceSearch.h"
#include "workflows/PictureFiles.h"
#include "workflows/PictureReceiver.h"
#include "workflows/TextRecognition.h"
#include "workflows/WorkflowContext.h"

namespace velmora {

namespace {

// Runs a handler on every click of the button.
void onClick(QPushButton* button, WorkflowContext context, void (*handler)(WorkflowContext&)) {
  QObject::connect(button, &QPushButton::clicked, button, [context, handler]() mutable { handler(context); });
}

void onClickOpenPicture(QPushButton* button, WorkflowContext context, PictureBox* picture, QLabel* sizeLabel) {
  QObject::connect(button, &QPushButton::clicked, button,
                   [context, picture, sizeLabel]() mutable { openPictureFile(context, picture, sizeLabel); });
}

// Every completed remote picture goes into 图片框3 and is searched for, as if
// the user had pressed 开始人脸识别.
void installPictureReceiver(WorkflowContext context) {
  ServerControl* server = context.window.服务器1;
  new PictureReceiver(*server, [context](Bytes picture) mutable {
    context.window.图片框3->setPicture(picture);
    runFaceSearch(context);
  });
  QLabel* status = context.window.标签_状态;
  const auto reportUnavailable = [status, server] { status->setText(receiverUnavailableText(server->port())); };
  QObject::connect(server, &ServerControl::listenFailed, status, reportUnavailable);
  if (!server->listenError().isEmpty()) reportUnavailable();
}

}  // namespace

QString receiverUnavailableText(quint16 port) {
  return QStringLiteral("端口%1无法监听，收不到远程发来的图片").arg(port);
}

void installHiddenPages(WorkflowContext& context) {
  MainWindow& window = context.window;
  onClickOpenPicture(window.打开注册图, context, window.图片框4, window.透明标签27);
  onClick(window.注册人脸, context, runFaceRegistration);
  onClickOpenPicture(window.打开识别图, context, window.图片框3, window.透明标签29);
  onClick(window.开始人脸识别, context, runFaceSearch);
  onClickOpenPicture(window.按钮2, context, window.图片框5, window.透明标签65);
  onClick(window.开始文字识别, context, runTextRecognition);
  installPictureReceiver(context);
}

}  // namespace velmora
