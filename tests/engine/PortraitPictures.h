#pragma once
// Portrait pictures for the engine tests and benchmarks, made from the people
// in the face-api package's demo photographs: for each face found there, 640 x 480
// JPEGs framed around that face (with a little shift and zoom per picture,
// as two photographs of one person differ), so every picture shows one
// person and pictures of one face show the same person.
#include <dlib/image_io.h>
#include <dlib/image_transforms.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "engine/face/FaceFinder.h"
#include "engine/face/PictureDecoder.h"

namespace velmora::bench {

struct Person {
  engine::Picture photo;  // the demo photograph
  dlib::rectangle face;   // where the person's face is in it
};

inline std::string readBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// Every face of the six demo photographs that is large enough for a portrait.
inline std::vector<Person> demoPeople(const engine::FaceFinder& finder) {
  std::vector<Person> people;
  const engine::PictureDecoder decoder;
  for (int n = 1; n <= 6; ++n) {
    const std::string bytes =
        readBytes(std::filesystem::path(VELMORA_FACE_SAMPLES_DIR) / ("sample" + std::to_string(n) + ".jpg"));
    engine::DecodedPicture decoded =
        decoder.decode(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
    if (!decoded.ok()) continue;
    for (const dlib::rectangle& box : finder.findBoxes(decoded.picture))
      if (box.width() >= 90) people.push_back({decoded.picture, box});
  }
  return people;
}

// A 640 x 480 JPEG of the person: the face takes about half of the
// height; variant shifts and zooms the frame a little.
inline std::string portrait(const Person& person, int variant, int quality = 90) {
  const double zoom = 1.0 + 0.06 * (variant % 3);
  const double height = std::min<double>(person.face.height() * 2.0 / zoom, person.photo.nr());
  const double width = std::min<double>(height * 4 / 3, person.photo.nc());
  const long faceWidth = static_cast<long>(person.face.width());
  const long faceHeight = static_cast<long>(person.face.height());
  const dlib::point centre =
      dlib::center(person.face) + dlib::point(((variant * 7) % 11 - 5) * faceWidth / 40, ((variant * 5) % 9 - 4) * faceHeight / 40);
  const dlib::rectangle frame = dlib::centered_rect(centre, static_cast<unsigned long>(width), static_cast<unsigned long>(height));
  dlib::matrix<dlib::rgb_pixel> out(480, 640);
  dlib::extract_image_chip(person.photo, dlib::chip_details(dlib::drectangle(frame), dlib::chip_dims(480, 640)), out);

  const std::filesystem::path file =
      std::filesystem::temp_directory_path() / ("velmora-portrait-" + std::to_string(::getpid()) + ".jpg");
  dlib::save_jpeg(out, file.string(), quality);
  std::string bytes = readBytes(file);
  std::filesystem::remove(file);
  return bytes;
}

// The same picture with other bytes (and so another cache key): JPEG readers
// ignore what follows the end-of-image marker.
inline std::string withTail(std::string jpeg, int tag) { return jpeg + "velmora-" + std::to_string(tag); }

}  // namespace velmora::bench
