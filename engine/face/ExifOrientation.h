#pragma once
// The orientation a camera records in a JPEG's Exif block (tag 0x0112), and
// turning a decoded picture upright by it. Phone pictures are often stored
// sideways with this tag; a face on its side is not found by the detector.
#include <cstddef>
#include <cstdint>

#include "engine/face/Picture.h"

namespace velmora::engine {

// The orientation value 1..8 in the payload of an APP1 marker ("Exif\0\0" and
// a TIFF block); 1 (upright) when the payload holds none or is malformed.
int exifOrientation(const std::uint8_t* app1, std::size_t length);

// Turns a picture stored with the given orientation so that it stands upright.
Picture orientUpright(const Picture& stored, int orientation);

}  // namespace velmora::engine
