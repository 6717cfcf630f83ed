#include "app/Program.h"

#include <QAction>
#include <QApplication>
#include <QStandardPaths>

#include "app/ApiKeyWindow.h"
#include "app/MainWindow.h"
#include "app/ThresholdSetting.h"
#include <QTreeWidget>

#include "app/toolkit/DropTarget.h"
#include "app/toolkit/PictureBox.h"
#include "app/toolkit/QtPrompts.h"
#include "app/toolkit/ServerControl.h"

namespace velmora {

Program::Program(ProgramOptions options)
    : options_(std::move(options)),
      config_(options_.configPath),
      ownPrompts_(options_.prompts ? nullptr : std::make_unique<QtPrompts>()),
      prompts_(options_.prompts ? options_.prompts : ownPrompts_.get()) {}

Program::~Program() {
  shutdown();
  window_.reset();
}

int Program::run() {
  start();
  if (!endRequested_) QApplication::exec();
  shutdown();
  return 0;
}

void Program::start() {
  state_.create(config_);
  window_ = std::make_unique<MainWindow>();
  // The shutdown routine runs however the event loop ends.
  QObject::connect(qApp, &QCoreApplication::aboutToQuit, window_.get(), [this] { shutdown(); });
  QObject::connect(window_->设置API, &QAction::triggered, window_.get(), [this] { openApiKeyWindow(); });
  if (options_.connectHandlers) options_.connectHandlers(*this);
  if (options_.listenForPictures) window_->服务器1->listen();
  window_->show();
  setUpWindow();
}

void Program::setUpWindow() {
  attachSkin();
  checkToken();
  pointDialogAtDesktop();
  bindDropTargets();
  restoreAndKeepThreshold();
}

// The window keeps Qt's own style; no skin library is written or attached.
void Program::attachSkin() {}

void Program::checkToken() {
  if (options_.tokenCheck) options_.tokenCheck(*this);
}

void Program::pointDialogAtDesktop() {
  QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
  if (!desktop.endsWith(QLatin1Char('/'))) desktop += QLatin1Char('/');
  window_->通用对话框1.folder = desktop;
}

void Program::bindDropTargets() {
  window_->拖放对象1->bind(window_->超级列表框_目录);
  window_->拖放对象_图片1->bind(window_->图片框1);
  window_->拖放对象_图片2->bind(window_->图片框2);
}

void Program::restoreAndKeepThreshold() {
  restoreThreshold(window_->组合框_阈值, config_);
  keepThreshold(window_->组合框_阈值, config_);
}

void Program::openApiKeyWindow() {
  ApiKeyWindow keys(config_, *prompts_, window_->windowTitle(), window_.get());
  QObject::connect(&keys, &ApiKeyWindow::saved, window_.get(), [this] { endProgram(); });
  keys.exec();
}

void Program::endProgram() {
  endRequested_ = true;
  QCoreApplication::exit(0);
}

void Program::shutdown() {
  if (window_) window_->服务器1->close();
  state_.release();
}

}  // namespace velmora
