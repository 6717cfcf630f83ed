#include "app/TokenCheck.h"

#include "app/MainWindow.h"
#include "app/Program.h"
#include "app/toolkit/Prompts.h"

namespace velmora {

void checkServiceToken(Program& program) {
  MainWindow& window = program.window();
  const bool granted = program.state().visionClient->requestToken() == "1";
  window.setWindowTitle(window.windowTitle() + QString::fromUtf8(granted ? kTokenGoodSuffix : kTokenBadSuffix));
  if (granted) return;
  program.prompts().message(QString::fromUtf8(kTokenBadMessage));
  program.openApiKeyWindow();
}

}  // namespace velmora
