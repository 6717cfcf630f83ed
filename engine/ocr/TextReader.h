#pragma once
// Text recognition with Tesseract: picture bytes in, lines of UTF-8 text out.
//
// Threads: one TextReader may be shared by any number of threads. Tesseract's
// recogniser is not thread-safe, so the reader keeps a pool of recognisers,
// each initialised once and used by one read at a time; at most maxEngines
// exist (each holds the language models, tens of megabytes), and a read waits
// for a free one when all are busy.
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "engine/ocr/PictureLoader.h"

namespace tesseract {
class TessBaseAPI;
}

namespace velmora::engine {

struct TextReaderOptions {
  std::string tessdataDir;                // empty: the installed language data
  std::string languages = "chi_sim+eng";  // Tesseract's language list
  std::size_t maxEngines = 0;             // 0: one per hardware thread
  PictureLimits limits;
};

enum class TextReadFailure { None, NotAPicture, PictureTooLarge, RecognitionFailed };

struct TextReadResult {
  std::vector<std::string> lines;  // in reading order, none blank, no surrounding spaces
  TextReadFailure failure = TextReadFailure::None;
  std::string error;  // set on failure

  bool ok() const { return failure == TextReadFailure::None; }
};

class TextReader {
 public:
  struct Opened {
    std::unique_ptr<TextReader> reader;  // null on failure
    std::string error;
  };

  // The language data the engine was built to use.
  static std::string defaultTessdataDir();

  // Loads the languages once to check they are there; fails with an error
  // text when the folder or a language's data is missing.
  static Opened open(TextReaderOptions options = {});

  ~TextReader();
  TextReader(const TextReader&) = delete;
  TextReader& operator=(const TextReader&) = delete;

  // The text lines of the picture. A picture without text gives no lines.
  TextReadResult read(std::string_view pictureBytes);

 private:
  class Lease;
  using Engine = tesseract::TessBaseAPI;

  explicit TextReader(TextReaderOptions options);
  std::unique_ptr<Engine> createEngine(std::string& error) const;
  std::unique_ptr<Engine> acquire(std::string& error);
  void release(std::unique_ptr<Engine> engine);
  void forgetOne();

  const TextReaderOptions options_;
  std::mutex poolLock_;
  std::condition_variable engineFreed_;
  std::vector<std::unique_ptr<Engine>> idle_;
  std::size_t created_ = 0;
};

}  // namespace velmora::engine
