#include "engine/ocr/TextReader.h"

#include <leptonica/allheaders.h>
#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

#include <algorithm>
#include <thread>

#include "engine/ocr/CjkSpacing.h"

namespace velmora::engine {
namespace {

// Settings given to every recogniser when it starts: its diagnostics go
// nowhere (the reader reports failures through its results).
const std::vector<std::string> kSettingNames = {"debug_file"};
const std::vector<std::string> kSettingValues = {"/dev/null"};

std::vector<std::string> languageList(const std::string& languages) {
  std::vector<std::string> list;
  std::size_t start = 0;
  while (start <= languages.size()) {
    const std::size_t end = std::min(languages.find('+', start), languages.size());
    if (end > start) list.push_back(languages.substr(start, end - start));
    start = end + 1;
  }
  return list;
}

// Tesseract starts with whichever languages it could load; a reader that
// quietly lacks Chinese would read it as nonsense, so every one must be there.
bool loadedEveryLanguage(tesseract::TessBaseAPI& engine, const std::string& languages) {
  std::vector<std::string> loaded;
  engine.GetLoadedLanguagesAsVector(&loaded);
  const std::vector<std::string> wanted = languageList(languages);
  return std::all_of(wanted.begin(), wanted.end(), [&](const std::string& language) {
    return std::find(loaded.begin(), loaded.end(), language) != loaded.end();
  });
}

std::string trimmed(std::string_view text) {
  const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; };
  while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
  while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
  return std::string(text);
}

std::vector<std::string> recognisedLines(tesseract::TessBaseAPI& engine) {
  std::vector<std::string> lines;
  std::unique_ptr<tesseract::ResultIterator> line(engine.GetIterator());
  if (!line || line->Empty(tesseract::RIL_TEXTLINE)) return lines;
  do {
    const std::unique_ptr<char[]> text(line->GetUTF8Text(tesseract::RIL_TEXTLINE));
    if (!text) continue;
    std::string joined = removeSpacesBetweenCjk(trimmed(text.get()));
    if (!joined.empty()) lines.push_back(std::move(joined));
  } while (line->Next(tesseract::RIL_TEXTLINE));
  return lines;
}

}  // namespace

// A recogniser taken from the pool for one read, returned when it ends.
class TextReader::Lease {
 public:
  Lease(TextReader& reader, std::unique_ptr<Engine> engine) : reader_(reader), engine_(std::move(engine)) {}
  ~Lease() {
    if (engine_) reader_.release(std::move(engine_));
  }
  Lease(const Lease&) = delete;
  Lease& operator=(const Lease&) = delete;
  Engine& engine() { return *engine_; }

 private:
  TextReader& reader_;
  std::unique_ptr<Engine> engine_;
};

std::string TextReader::defaultTessdataDir() { return VELMORA_TESSDATA_DIR; }

TextReader::TextReader(TextReaderOptions options) : options_(std::move(options)) {}

TextReader::~TextReader() = default;

TextReader::Opened TextReader::open(TextReaderOptions options) {
  if (options.tessdataDir.empty()) options.tessdataDir = defaultTessdataDir();
  if (options.maxEngines == 0) options.maxEngines = std::max(1u, std::thread::hardware_concurrency());
  // Leptonica reports decoding problems on stderr; the reader reports them
  // in its results instead. The setting is leptonica's own, process-wide.
  setMsgSeverity(L_SEVERITY_NONE);

  std::unique_ptr<TextReader> reader(new TextReader(std::move(options)));
  std::string error;
  std::unique_ptr<Engine> first = reader->createEngine(error);
  if (!first) return {nullptr, error};
  reader->created_ = 1;
  reader->idle_.push_back(std::move(first));
  return {std::move(reader), {}};
}

std::unique_ptr<TextReader::Engine> TextReader::createEngine(std::string& error) const {
  auto engine = std::make_unique<Engine>();
  if (engine->Init(options_.tessdataDir.c_str(), options_.languages.c_str(), tesseract::OEM_DEFAULT, nullptr, 0,
                   &kSettingNames, &kSettingValues, false) != 0 ||
      !loadedEveryLanguage(*engine, options_.languages)) {
    error = "cannot load the text-recognition languages \"" + options_.languages + "\" from \"" +
            options_.tessdataDir + "\"";
    return nullptr;
  }
  // Pictures hold text anywhere, in columns and blocks, not one tidy block.
  engine->SetPageSegMode(tesseract::PSM_AUTO);
  return engine;
}

std::unique_ptr<TextReader::Engine> TextReader::acquire(std::string& error) {
  std::unique_lock lock(poolLock_);
  engineFreed_.wait(lock, [&] { return !idle_.empty() || created_ < options_.maxEngines; });
  if (!idle_.empty()) {
    std::unique_ptr<Engine> engine = std::move(idle_.back());
    idle_.pop_back();
    return engine;
  }
  ++created_;
  lock.unlock();  // loading the languages takes a while; other reads go on
  std::unique_ptr<Engine> engine = createEngine(error);
  if (!engine) forgetOne();
  return engine;
}

void TextReader::release(std::unique_ptr<Engine> engine) {
  engine->Clear();  // drops the picture and its results, keeps the languages
  {
    const std::lock_guard lock(poolLock_);
    idle_.push_back(std::move(engine));
  }
  engineFreed_.notify_one();
}

void TextReader::forgetOne() {
  {
    const std::lock_guard lock(poolLock_);
    --created_;
  }
  engineFreed_.notify_one();
}

TextReadResult TextReader::read(std::string_view pictureBytes) {
  LoadedPicture picture = loadPicture(pictureBytes, options_.limits);
  switch (picture.problem) {
    case PictureProblem::NotAPicture:
      return {{}, TextReadFailure::NotAPicture, picture.error};
    case PictureProblem::TooLarge:
      return {{}, TextReadFailure::PictureTooLarge, picture.error};
    case PictureProblem::None:
      break;
  }

  std::string error;
  std::unique_ptr<Engine> engine = acquire(error);
  if (!engine) return {{}, TextReadFailure::RecognitionFailed, error};
  Lease lease(*this, std::move(engine));
  lease.engine().SetImage(picture.pix.get());
  if (lease.engine().Recognize(nullptr) != 0) {
    return {{}, TextReadFailure::RecognitionFailed, "the text recogniser failed on this picture"};
  }
  return {recognisedLines(lease.engine()), TextReadFailure::None, {}};
}

}  // namespace velmora::engine
