#pragma once
// A small JSON reader and string quoting for the servers that speak the vision
// service contract (the stand-in and the offline engine): they read request
// bodies with it, and tests look into what went over the wire. Texts are UTF-8.
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace velmora::contract {

class Json {
 public:
  using Array = std::vector<Json>;
  using Object = std::vector<std::pair<std::string, Json>>;  // member order kept

  Json() = default;  // null

  // The value of a complete JSON text (blanks around it allowed), or nothing
  // when the text is not JSON.
  static std::optional<Json> parse(std::string_view text);

  bool isNull() const { return std::holds_alternative<std::monostate>(value_); }
  bool isBool() const { return std::holds_alternative<bool>(value_); }
  bool isNumber() const { return std::holds_alternative<double>(value_); }
  bool isString() const { return std::holds_alternative<std::string>(value_); }
  bool isArray() const { return std::holds_alternative<Array>(value_); }
  bool isObject() const { return std::holds_alternative<Object>(value_); }

  // The member or element, or null when there is none (so lookups chain).
  const Json& operator[](std::string_view name) const;
  const Json& operator[](std::size_t index) const;
  bool has(std::string_view name) const;

  // The string's text, the number, the flag; empty, 0 or false otherwise.
  const std::string& text() const;
  double number() const;
  bool flag() const;
  std::size_t size() const;  // elements of an array, members of an object
  const Object& members() const;

 private:
  friend class JsonReader;
  std::variant<std::monostate, bool, double, std::string, Array, Object> value_;
};

// text as a JSON string, quotes included.
std::string jsonQuote(std::string_view text);

}  // namespace velmora::contract
