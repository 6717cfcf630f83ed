#pragma once
// A decoded picture: rows of RGB pixels, as the dlib image functions take them.
#include <dlib/image_processing/generic_image.h>
#include <dlib/matrix.h>
#include <dlib/pixel.h>

namespace velmora::engine {

using Picture = dlib::matrix<dlib::rgb_pixel>;

}  // namespace velmora::engine
