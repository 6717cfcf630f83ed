#pragma once
// The program's entry and exit: the program-wide state, the main window, the
// window set-up sequence, the event loop and the shutdown routine.
#include <filesystem>
#include <functional>
#include <memory>

#include "app/ProgramState.h"
#include "app/config/ConfigFile.h"

namespace velmora {

class MainWindow;
class Prompts;
class Program;

struct ProgramOptions {
  // config.ini; by default the one next to the executable.
  std::filesystem::path configPath = ConfigFile::besideExecutable();
  // Answers message boxes and dialogs; null means the real Qt dialogs.
  Prompts* prompts = nullptr;
  // Step 2 of the window set-up: asks the service for an access token and
  // shows the outcome in the caption. Empty: nothing is checked.
  std::function<void(Program&)> tokenCheck;
  // Connects the handlers of the workflows to the main window, right after
  // the window is created and before its set-up runs. Empty: none.
  std::function<void(Program&)> connectHandlers;
  // Whether 服务器1 listens on port 19720 of every local address once the
  // main window exists. The program turns it on; tests leave it off.
  bool listenForPictures = false;
};

class Program {
 public:
  explicit Program(ProgramOptions options);
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // The whole life of the program after the toolkit is initialised: start(),
  // the event loop until the main window closes, shutdown(). Returns 0.
  int run();

  // Creates the state, creates and shows the main window and runs the window
  // set-up: skin, token check, common dialog on the desktop, drop targets,
  // threshold restore.
  void start();

  // The shutdown routine (also run when the application is about to quit).
  void shutdown();

  // Opens the API key window modally over the main window; saving there ends
  // the program.
  void openApiKeyWindow();

  // Ends the program: the event loop (and any modal loop) returns, and run()
  // ends with exit code 0 after the shutdown routine.
  void endProgram();
  bool endRequested() const { return endRequested_; }

  MainWindow& window() { return *window_; }
  ProgramState& state() { return state_; }
  const ConfigFile& config() const { return config_; }
  Prompts& prompts() { return *prompts_; }

 private:
  void setUpWindow();
  void attachSkin();
  void checkToken();
  void pointDialogAtDesktop();
  void bindDropTargets();
  void restoreAndKeepThreshold();

  ProgramOptions options_;
  ConfigFile config_;
  std::unique_ptr<Prompts> ownPrompts_;
  Prompts* prompts_;
  ProgramState state_;
  std::unique_ptr<MainWindow> window_;
  bool endRequested_ = false;
};

}  // namespace velmora
