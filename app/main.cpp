// Velmora: checks, folder by folder, that photographs show the same person.
#include <QApplication>

#include "app/Program.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  velmora::ProgramOptions options;
  options.listenForPictures = true;
  // The token check of the service client is set here (options.tokenCheck).
  velmora::Program program(std::move(options));
  return program.run();
}
