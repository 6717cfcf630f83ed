// Velmora: checks, folder by folder, that photographs show the same person.
#include <QApplication>

#include "app/Program.h"
#include "app/TokenCheck.h"
#include "workflows/Workflows.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  velmora::ProgramOptions options;
  options.listenForPictures = true;
  options.tokenCheck = velmora::checkServiceToken;
  options.connectHandlers = velmora::installWorkflows;
  velmora::Program program(std::move(options));
  return program.run();
}
