#pragma once
// The program's real dialogs: Qt message boxes, file dialogs and the folder
// picker, owned by the active window.
#include "app/toolkit/Prompts.h"

namespace velmora {

class QtPrompts : public Prompts {
 public:
  void message(const QString& text, const QString& title = QStringLiteral("信息：")) override;
  bool fileDialog(FileDialogSettings& settings) override;
  QString pickFolder(const QString& title) override;
};

}  // namespace velmora
