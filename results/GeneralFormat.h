#pragma once
// A number as a spreadsheet's "General" format shows it in a cell of standard
// width: at most eleven characters, fixed notation from 1E-4 up to eleven
// integer digits, scientific notation beyond ("1.23457E+11", "1E-05").
#include <string>

namespace velmora {

std::string formatGeneralNumber(double value);

}  // namespace velmora
