#pragma once
// Everything that asks the user something goes through this interface:
// message boxes, the shared file dialog and the folder picker. The program
// answers with real dialogs; tests answer with scripted ones.
#include <QString>

namespace velmora {

// The settings of the shared file dialog. They persist between uses: whoever
// opens the dialog next finds the mode, filter, folder and file name the last
// user left.
struct FileDialogSettings {
  bool saveMode = false;
  QString fileName;  // proposed name before, chosen full path after a confirmed dialog
  QString filter;    // descriptions and patterns joined by "|": "Excel 工作簿(*.xlsx)|*.xlsx"
  QString folder;    // initial folder
};

class Prompts {
 public:
  virtual ~Prompts() = default;

  // A message box with an OK button only; returns when it is closed.
  virtual void message(const QString& text, const QString& title = QStringLiteral("信息：")) = 0;

  // Shows the file dialog with the given settings. True when the user
  // confirmed; settings.fileName then holds the full path and settings.folder
  // the folder it is in.
  virtual bool fileDialog(FileDialogSettings& settings) = 0;

  // The folder picker; the chosen folder, or empty when cancelled.
  virtual QString pickFolder(const QString& title) = 0;
};

}  // namespace velmora
