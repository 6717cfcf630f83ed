#include "json/JsonReader.h"

#include <charconv>
#include <cstring>

namespace velmora {

namespace {

constexpr int kMaxDepth = 1000;

class Reader {
 public:
  Reader(duk_context* ctx, std::string_view text) : ctx_(ctx), pos_(text.data()), end_(text.data() + text.size()) {}

  bool readDocument() {
    if (!readValue()) return false;
    skipBlanks();
    if (pos_ == end_) return true;
    duk_pop(ctx_);
    return false;
  }

 private:
  void skipBlanks() {
    while (pos_ < end_ && (*pos_ == ' ' || *pos_ == '\t' || *pos_ == '\n' || *pos_ == '\r')) ++pos_;
  }

  bool consume(const char* word) {
    const std::size_t length = std::strlen(word);
    if (static_cast<std::size_t>(end_ - pos_) < length || std::memcmp(pos_, word, length) != 0) return false;
    pos_ += length;
    return true;
  }

  // Pushes one value; false (nothing pushed) when the text is not one.
  bool readValue() {
    skipBlanks();
    if (pos_ == end_) return false;
    switch (*pos_) {
      case '{': return readObject();
      case '[': return readArray();
      case '"': return readString();
      case 't':
        if (!consume("true")) return false;
        duk_push_true(ctx_);
        return true;
      case 'f':
        if (!consume("false")) return false;
        duk_push_false(ctx_);
        return true;
      case 'n':
        if (!consume("null")) return false;
        duk_push_null(ctx_);
        return true;
      default: return readNumber();
    }
  }

  bool readNumber() {
    const char* start = pos_;
    if (pos_ < end_ && *pos_ == '-') ++pos_;
    if (pos_ < end_ && *pos_ == '0') {
      ++pos_;
    } else if (!skipDigits()) {
      return false;
    }
    if (pos_ < end_ && *pos_ == '.') {
      ++pos_;
      if (!skipDigits()) return false;
    }
    if (pos_ < end_ && (*pos_ == 'e' || *pos_ == 'E')) {
      ++pos_;
      if (pos_ < end_ && (*pos_ == '+' || *pos_ == '-')) ++pos_;
      if (!skipDigits()) return false;
    }
    double value = 0;
    const auto result = std::from_chars(start, pos_, value);
    if (result.ec != std::errc() || result.ptr != pos_) return false;  // out of range: let the script decide
    duk_push_number(ctx_, value);
    return true;
  }

  bool skipDigits() {
    const char* start = pos_;
    while (pos_ < end_ && *pos_ >= '0' && *pos_ <= '9') ++pos_;
    return pos_ > start;
  }

  // Pushes the string starting at the opening quote.
  bool readString() {
    ++pos_;
    const char* start = pos_;
    bool escaped = false;
    while (pos_ < end_ && *pos_ != '"') {
      const auto c = static_cast<unsigned char>(*pos_);
      if (c < 0x20) return false;
      if (c == '\\') {
        escaped = true;
        if (++pos_ == end_) return false;
      }
      ++pos_;
    }
    if (pos_ == end_) return false;
    const char* stop = pos_++;
    if (!escaped) {
      duk_push_lstring(ctx_, start, static_cast<duk_size_t>(stop - start));
      return true;
    }
    return pushUnescaped(start, stop);
  }

  bool pushUnescaped(const char* from, const char* to) {
    // Unescaped text is never longer than its escaped form.
    auto* out = static_cast<char*>(duk_push_fixed_buffer(ctx_, static_cast<duk_size_t>(to - from)));
    char* write = out;
    for (const char* read = from; read < to;) {
      if (*read != '\\') {
        *write++ = *read++;
        continue;
      }
      ++read;
      switch (*read++) {
        case '"': *write++ = '"'; break;
        case '\\': *write++ = '\\'; break;
        case '/': *write++ = '/'; break;
        case 'b': *write++ = '\b'; break;
        case 'f': *write++ = '\f'; break;
        case 'n': *write++ = '\n'; break;
        case 'r': *write++ = '\r'; break;
        case 't': *write++ = '\t'; break;
        case 'u': {
          unsigned unit = 0;
          if (to - read < 4 || !readHex4(read, unit)) {
            duk_pop(ctx_);
            return false;
          }
          read += 4;
          write = writeCodeUnit(write, unit);
          break;
        }
        default:
          duk_pop(ctx_);
          return false;
      }
    }
    duk_push_lstring(ctx_, out, static_cast<duk_size_t>(write - out));
    duk_remove(ctx_, -2);
    return true;
  }

  static bool readHex4(const char* text, unsigned& unit) {
    for (int i = 0; i < 4; ++i) {
      const char c = text[i];
      unsigned digit = 0;
      if (c >= '0' && c <= '9') {
        digit = static_cast<unsigned>(c - '0');
      } else if (c >= 'a' && c <= 'f') {
        digit = static_cast<unsigned>(c - 'a' + 10);
      } else if (c >= 'A' && c <= 'F') {
        digit = static_cast<unsigned>(c - 'A' + 10);
      } else {
        return false;
      }
      unit = unit * 16 + digit;
    }
    return true;
  }

  // One UTF-16 code unit in the engine's internal form (a surrogate is kept
  // as a three-byte sequence of its own, as the script's \u escape does). It
  // takes at most three bytes, never more than the six of its escape.
  static char* writeCodeUnit(char* out, unsigned unit) {
    if (unit < 0x80) {
      *out++ = static_cast<char>(unit);
    } else if (unit < 0x800) {
      *out++ = static_cast<char>(0xC0 | (unit >> 6));
      *out++ = static_cast<char>(0x80 | (unit & 0x3F));
    } else {
      *out++ = static_cast<char>(0xE0 | (unit >> 12));
      *out++ = static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
      *out++ = static_cast<char>(0x80 | (unit & 0x3F));
    }
    return out;
  }

  bool enter() {
    if (++depth_ > kMaxDepth) return false;
    duk_require_stack(ctx_, 4);
    ++pos_;
    return true;
  }

  bool fail(duk_idx_t keep) {
    duk_set_top(ctx_, keep);
    --depth_;
    return false;
  }

  bool readArray() {
    const duk_idx_t before = duk_get_top(ctx_);
    if (!enter()) return fail(before);
    duk_push_array(ctx_);
    skipBlanks();
    if (pos_ < end_ && *pos_ == ']') {
      ++pos_;
      --depth_;
      return true;
    }
    for (duk_uarridx_t index = 0;; ++index) {
      if (!readValue()) return fail(before);
      duk_put_prop_index(ctx_, -2, index);
      skipBlanks();
      if (pos_ < end_ && *pos_ == ',') {
        ++pos_;
        continue;
      }
      if (pos_ < end_ && *pos_ == ']') {
        ++pos_;
        --depth_;
        return true;
      }
      return fail(before);
    }
  }

  bool readObject() {
    const duk_idx_t before = duk_get_top(ctx_);
    if (!enter()) return fail(before);
    duk_push_object(ctx_);
    skipBlanks();
    if (pos_ < end_ && *pos_ == '}') {
      ++pos_;
      --depth_;
      return true;
    }
    for (;;) {
      skipBlanks();
      if (pos_ == end_ || *pos_ != '"' || !readString()) return fail(before);
      // A "__proto__" member is an own member to JSON but would set the
      // prototype through a plain assignment: leave such text to the script.
      duk_size_t keyLength = 0;
      const char* key = duk_get_lstring(ctx_, -1, &keyLength);
      if (keyLength == 9 && std::memcmp(key, "__proto__", 9) == 0) return fail(before);
      skipBlanks();
      if (pos_ == end_ || *pos_ != ':') return fail(before);
      ++pos_;
      if (!readValue()) return fail(before);
      duk_put_prop(ctx_, -3);
      skipBlanks();
      if (pos_ < end_ && *pos_ == ',') {
        ++pos_;
        continue;
      }
      if (pos_ < end_ && *pos_ == '}') {
        ++pos_;
        --depth_;
        return true;
      }
      return fail(before);
    }
  }

  duk_context* ctx_;
  const char* pos_;
  const char* end_;
  int depth_ = 0;
};

}  // namespace

bool pushJsonValue(duk_context* ctx, std::string_view utf8) {
  Reader reader(ctx, utf8);
  return reader.readDocument();
}

}  // namespace velmora
