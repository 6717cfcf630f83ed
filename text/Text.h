#pragma once
// The system's text: a byte string in code page 936 (GBK). Positions and
// lengths count bytes. Conversion happens only at the edges (widgets, the
// file system, the script engine, the network).
#include <string>

namespace velmora {

using Text = std::string;

// A counted byte array: file contents and pictures.
using Bytes = std::string;

}  // namespace velmora
