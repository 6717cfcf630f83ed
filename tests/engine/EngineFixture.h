#pragma once
// One offline engine for a whole test program: loaded once (the models take
// a moment), on a free loopback port, with its data in a temporary folder.
// Requests go over real HTTP, through cpp-httplib's client or the program's
// own VisionClient.
#include <gtest/gtest.h>
#include <httplib.h>

#include <dlib/image_io.h>
#include <dlib/image_transforms.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>

#include "engine/contract/Json.h"
#include "engine/contract/ServiceContract.h"
#include "engine/server/Engine.h"
#include "vision/Base64.h"

namespace velmora::engine::testing {

namespace fs = std::filesystem;
using contract::Json;

inline std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// A photograph of the face-api package's demo folder (several people each).
inline std::string sample(int number) {
  return readFile(fs::path(VELMORA_FACE_SAMPLES_DIR) / ("sample" + std::to_string(number) + ".jpg"));
}

// An image as JPEG bytes, through a temporary file (dlib writes files only).
inline std::string jpegOf(const dlib::array2d<dlib::rgb_pixel>& image, int quality = 90) {
  const fs::path file = fs::temp_directory_path() / ("velmora-engine-test-" + std::to_string(::getpid()) + ".jpg");
  dlib::save_jpeg(image, file.string(), quality);
  std::string bytes = readFile(file);
  fs::remove(file);
  return bytes;
}

// The same photograph with other bytes: decoded, scaled by factor, encoded again.
inline std::string reencoded(const std::string& jpeg, double factor, int quality = 85) {
  const fs::path file = fs::temp_directory_path() / ("velmora-engine-in-" + std::to_string(::getpid()) + ".jpg");
  std::ofstream(file, std::ios::binary) << jpeg;
  dlib::array2d<dlib::rgb_pixel> image, scaled;
  dlib::load_jpeg(image, file.string());
  fs::remove(file);
  scaled.set_size(static_cast<long>(image.nr() * factor), static_cast<long>(image.nc() * factor));
  dlib::resize_image(image, scaled);
  return jpegOf(scaled, quality);
}

// A picture without any face: a smooth grey gradient.
inline std::string faceless(long width = 320, long height = 240) {
  dlib::array2d<dlib::rgb_pixel> image(height, width);
  for (long y = 0; y < height; ++y)
    for (long x = 0; x < width; ++x) {
      const auto v = static_cast<unsigned char>(96 + (x + y) % 64);
      image[y][x] = dlib::rgb_pixel(v, v, v);
    }
  return jpegOf(image);
}

inline std::string randomBytes(std::size_t count, unsigned seed = 7) {
  std::mt19937 random(seed);
  std::string bytes(count, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

inline std::string base64(const std::string& bytes) { return base64Encode(bytes); }

inline std::string imageObject(const std::string& pictureBytes, const std::string& extra = "") {
  return R"({"image":")" + base64(pictureBytes) +
         R"(","image_type":"BASE64","face_type":"LIVE","quality_control":"LOW","liveness_control":"NONE")" + extra +
         "}";
}

inline std::string matchBody(const std::string& first, const std::string& second) {
  return "[" + imageObject(first) + "," + imageObject(second) + "]";
}

class EngineTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dataDir = new fs::path(fs::temp_directory_path() / ("velmora-engine-data-" + std::to_string(::getpid())));
    fs::remove_all(*dataDir);
    engine = openEngine();
  }
  static void TearDownTestSuite() {
    engine.reset();
    fs::remove_all(*dataDir);
    delete dataDir;
  }

  static std::unique_ptr<Engine> openEngine() {
    std::string error;
    auto opened = Engine::open({dataDir->string()}, error);
    EXPECT_TRUE(opened) << error;
    if (opened) EXPECT_TRUE(opened->start(0));
    return opened;
  }

  void SetUp() override { ASSERT_TRUE(engine) << "the engine did not open"; }

  static httplib::Client client() {
    httplib::Client c("127.0.0.1", engine->port());
    c.set_read_timeout(60, 0);
    return c;
  }

  static std::string withToken(contract::Endpoint endpoint) {
    return std::string(contract::pathOf(endpoint)) + "?access_token=" + engine->keys().accessToken;
  }

  // The reply's JSON (null when the request failed or the reply is no JSON).
  static Json post(contract::Endpoint endpoint, const std::string& body, const char* type = "application/json") {
    auto reply = client().Post(withToken(endpoint), body, type);
    if (!reply) return {};
    return Json::parse(reply->body).value_or(Json{});
  }

  static Json postText(contract::Endpoint endpoint, const std::string& pictureBytes) {
    return post(endpoint, "image=" + std::string(urlEncodeAll(base64(pictureBytes))),
                "application/x-www-form-urlencoded");
  }

  static std::string urlEncodeAll(const std::string& text) {
    std::string out;
    for (const unsigned char c : text) {
      if (std::isalnum(c)) {
        out += static_cast<char>(c);
      } else {
        char escaped[4];
        std::snprintf(escaped, sizeof escaped, "%%%02X", c);
        out += escaped;
      }
    }
    return out;
  }

  static inline fs::path* dataDir = nullptr;
  static inline std::unique_ptr<Engine> engine;
};

}  // namespace velmora::engine::testing
