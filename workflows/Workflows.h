#pragma once
// Connects every handler of the workflows and of the result files to the
// main window of a program.
namespace velmora {

class Program;

void installWorkflows(Program& program);

}  // namespace velmora
