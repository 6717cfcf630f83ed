#pragma once
// What every handler works on: the main window's controls, the program-wide
// state (vision client, reply document, service status, ...) and the dialogs.
namespace velmora {

class MainWindow;
class ProgramState;
class Prompts;

struct WorkflowContext {
  MainWindow& window;
  ProgramState& state;
  Prompts& prompts;
};

}  // namespace velmora
