#include "engine/contract/Json.h"

#include <cstdio>
#include <cstdlib>

namespace velmora::contract {

namespace {
const Json kNull;
const std::string kEmpty;
const Json::Object kNoMembers;
constexpr int kMaxDepth = 256;

void appendUtf8(std::string& out, unsigned long cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}
}  // namespace

// Recursive descent over the text; every function returns false on the first
// fault, and the whole parse then yields nothing.
class JsonReader {
 public:
  explicit JsonReader(std::string_view text) : s_(text) {}

  std::optional<Json> document() {
    Json value;
    if (!readValue(value, 0)) return std::nullopt;
    skipBlanks();
    if (pos_ != s_.size()) return std::nullopt;
    return value;
  }

 private:
  void skipBlanks() {
    while (pos_ < s_.size() && (s_[pos_] == ' ' || s_[pos_] == '\t' || s_[pos_] == '\r' || s_[pos_] == '\n'))
      ++pos_;
  }
  bool take(char c) {
    skipBlanks();
    if (pos_ < s_.size() && s_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }
  bool takeWord(std::string_view word) {
    if (s_.substr(pos_, word.size()) != word) return false;
    pos_ += word.size();
    return true;
  }

  bool readValue(Json& out, int depth) {
    if (depth > kMaxDepth) return false;
    skipBlanks();
    if (pos_ >= s_.size()) return false;
    switch (s_[pos_]) {
      case '{': return readObject(out, depth);
      case '[': return readArray(out, depth);
      case '"': {
        std::string text;
        if (!readString(text)) return false;
        out.value_ = std::move(text);
        return true;
      }
      case 't': out.value_ = true; return takeWord("true");
      case 'f': out.value_ = false; return takeWord("false");
      case 'n': out.value_ = std::monostate{}; return takeWord("null");
      default: return readNumber(out);
    }
  }

  bool readObject(Json& out, int depth) {
    ++pos_;
    Json::Object members;
    if (!take('}')) {
      do {
        skipBlanks();
        std::string name;
        if (!readString(name) || !take(':')) return false;
        Json value;
        if (!readValue(value, depth + 1)) return false;
        members.emplace_back(std::move(name), std::move(value));
      } while (take(','));
      if (!take('}')) return false;
    }
    out.value_ = std::move(members);
    return true;
  }

  bool readArray(Json& out, int depth) {
    ++pos_;
    Json::Array elements;
    if (!take(']')) {
      do {
        Json value;
        if (!readValue(value, depth + 1)) return false;
        elements.push_back(std::move(value));
      } while (take(','));
      if (!take(']')) return false;
    }
    out.value_ = std::move(elements);
    return true;
  }

  bool readHex4(unsigned long& cp) {
    if (pos_ + 4 > s_.size()) return false;
    cp = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = s_[pos_++];
      cp <<= 4;
      if (c >= '0' && c <= '9') cp |= c - '0';
      else if (c >= 'a' && c <= 'f') cp |= c - 'a' + 10;
      else if (c >= 'A' && c <= 'F') cp |= c - 'A' + 10;
      else return false;
    }
    return true;
  }

  bool readString(std::string& out) {
    if (pos_ >= s_.size() || s_[pos_] != '"') return false;
    ++pos_;
    for (;;) {
      // Copy the run up to the next quote or backslash at once: image values
      // are megabytes long.
      const std::size_t stop = s_.find_first_of("\"\\", pos_);
      if (stop == std::string_view::npos) return false;
      for (std::size_t i = pos_; i < stop; ++i)
        if (static_cast<unsigned char>(s_[i]) < 0x20) return false;
      out.append(s_.substr(pos_, stop - pos_));
      pos_ = stop + 1;
      if (s_[stop] == '"') return true;
      if (pos_ >= s_.size()) return false;
      const char e = s_[pos_++];
      switch (e) {
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        case '/': out += '/'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'u': {
          unsigned long cp = 0;
          if (!readHex4(cp)) return false;
          if (cp >= 0xD800 && cp < 0xDC00 && takeWord("\\u")) {
            unsigned long low = 0;
            if (!readHex4(low) || low < 0xDC00 || low >= 0xE000) return false;
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
          }
          appendUtf8(out, cp);
          break;
        }
        default: return false;
      }
    }
  }

  bool readNumber(Json& out) {
    const std::size_t start = pos_;
    if (pos_ < s_.size() && s_[pos_] == '-') ++pos_;
    while (pos_ < s_.size() && std::string_view("0123456789.eE+-").find(s_[pos_]) != std::string_view::npos)
      ++pos_;
    const std::string digits(s_.substr(start, pos_ - start));
    if (digits.empty() || digits == "-") return false;
    char* end = nullptr;
    const double value = std::strtod(digits.c_str(), &end);
    if (end != digits.c_str() + digits.size()) return false;
    out.value_ = value;
    return true;
  }

  std::string_view s_;
  std::size_t pos_ = 0;
};

std::optional<Json> Json::parse(std::string_view text) { return JsonReader(text).document(); }

const Json& Json::operator[](std::string_view name) const {
  for (const auto& [key, value] : members())
    if (key == name) return value;
  return kNull;
}

const Json& Json::operator[](std::size_t index) const {
  if (const auto* a = std::get_if<Array>(&value_); a && index < a->size()) return (*a)[index];
  return kNull;
}

bool Json::has(std::string_view name) const {
  for (const auto& member : members())
    if (member.first == name) return true;
  return false;
}

const std::string& Json::text() const {
  const auto* s = std::get_if<std::string>(&value_);
  return s ? *s : kEmpty;
}

double Json::number() const {
  const auto* d = std::get_if<double>(&value_);
  return d ? *d : 0.0;
}

bool Json::flag() const {
  const auto* b = std::get_if<bool>(&value_);
  return b && *b;
}

std::size_t Json::size() const {
  if (const auto* a = std::get_if<Array>(&value_)) return a->size();
  if (const auto* o = std::get_if<Object>(&value_)) return o->size();
  return 0;
}

const Json::Object& Json::members() const {
  const auto* o = std::get_if<Object>(&value_);
  return o ? *o : kNoMembers;
}

std::string jsonQuote(std::string_view text) {
  std::string out = "\"";
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
          out += escaped;
        } else {
          out += ch;
        }
    }
  }
  out += '"';
  return out;
}

}  // namespace velmora::contract
