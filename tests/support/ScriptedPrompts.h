#pragma once
// Answers the program's dialogs from a script, and records every message box,
// so tests run without a person.
#include <QString>
#include <QStringList>
#include <deque>
#include <optional>
#include <utility>
#include <vector>

#include "app/toolkit/Prompts.h"

namespace velmora::testing {

class ScriptedPrompts : public Prompts {
 public:
  struct Message {
    QString text;
    QString title;
  };

  // Queues the answer of the next file dialog: a path confirms, nullopt cancels.
  void answerFileDialog(std::optional<QString> path) { fileAnswers_.push_back(std::move(path)); }
  // Queues the answer of the next folder picker: empty cancels.
  void answerFolder(QString folder) { folderAnswers_.push_back(std::move(folder)); }

  void message(const QString& text, const QString& title) override { messages.push_back({text, title}); }

  bool fileDialog(FileDialogSettings& settings) override {
    dialogsSeen.push_back(settings);
    if (fileAnswers_.empty()) return false;
    auto answer = std::move(fileAnswers_.front());
    fileAnswers_.pop_front();
    if (!answer) return false;
    settings.fileName = *answer;
    const auto slash = answer->lastIndexOf(QLatin1Char('/'));
    if (slash >= 0) settings.folder = answer->left(slash + 1);
    return true;
  }

  QString pickFolder(const QString& title) override {
    folderTitles.push_back(title);
    if (folderAnswers_.empty()) return {};
    QString folder = std::move(folderAnswers_.front());
    folderAnswers_.pop_front();
    return folder;
  }

  std::vector<Message> messages;
  std::vector<FileDialogSettings> dialogsSeen;
  QStringList folderTitles;

 private:
  std::deque<std::optional<QString>> fileAnswers_;
  std::deque<QString> folderAnswers_;
};

}  // namespace velmora::testing
