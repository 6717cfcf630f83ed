#pragma once
// JsonDocument: one JSON value held in a script engine of its own and
// answered by path.
//
// The document keeps its value in the global script variable "da" and turns
// every operation into a short script evaluated by its engine, with the
// support script's functions and the globals str_Code (the character U+2400),
// str_reg (a global regular expression matching it) and str_all (the array of
// leafValues). A path is a script expression below the root: "result.score",
// "result['face_list'][0]['face_token']", "[0]"; resolvePath roots it.
//
// Backslashes in text stored through setValue are held as U+2400, and every
// operation that reads text out of the engine turns U+2400 back into a
// backslash. Values loaded by parse keep their backslashes as they are.
//
// Nothing throws, nothing is shown or logged: a script error, a run out of
// time or memory, or a missing engine yields the empty result of the
// operation (empty text, 0, false, an empty list, or a document whose value
// is undefined). Texts are the system's GBK text throughout.
//
// Documents are moved, not copied implicitly: copy() shares the engine.
#include <cstdint>
#include <memory>
#include <vector>

#include "json/ScriptEngine.h"
#include "json/ScriptError.h"
#include "text/Text.h"

namespace velmora {

class JsonDocument {
 public:
  // variableName "da", then startEngine: the value is an empty object.
  JsonDocument();
  // The same with the given memory cap and time budget for its engines.
  explicit JsonDocument(const ScriptLimits& limits);
  ~JsonDocument();
  JsonDocument(JsonDocument&&) noexcept;
  JsonDocument& operator=(JsonDocument&&) noexcept;
  JsonDocument(const JsonDocument&) = delete;
  JsonDocument& operator=(const JsonDocument&) = delete;

  // Drops the engine reference and releases variableName; every later
  // operation yields its empty result until parse starts a new engine.
  void destroy();

  // A new document with a copy of variableName and a second reference to the
  // same engine instance (operations on either affect both).
  JsonDocument copy() const;

  // Starts a new engine: language "JavaScript", the support script, then
  // "var da = {}, str_Code = String.fromCharCode(9216), str_reg = new
  // RegExp(str_Code, 'g')". When the engine cannot be created the document
  // has none and every operation yields its empty result.
  void startEngine();

  // Loads text as the document's value on a fresh engine (nothing of the
  // earlier value or variables survives). The text is run as script: with
  // asIs as "var da = <text>", otherwise as "var da = eval(<text>)", so a JSON
  // string's content is itself run ("\"0\"" gives the number 0). A JSON
  // object or array is read directly by the engine's JSON reader when it can
  // be, which gives the same value faster. With captureError the engine's
  // last error is copied into *error (which must then be given). True when
  // the value is neither null nor undefined: "" and "null" give false, "0"
  // and "false" give true; text that is not valid script leaves the value null.
  bool parse(const Text& text, bool asIs = false, ScriptError* error = nullptr, bool captureError = false);

  // Sets the value to an empty object on the same engine. The flag is that of
  // the assignment, which is false for an object.
  bool clear();

  // The whole value as JSON text (the support script's stringify, U+2400
  // written as a backslash); empty when the value is undefined.
  Text toText();

  // Sets the member at path. isJson false: value is stored as a string, its
  // backslashes held as U+2400. isJson true: value is JSON (script) text;
  // when the member exists and is an object the new value is merged into it
  // (get__extend; empty value counts as "{}"), otherwise the member becomes
  // eval(value), and an empty value makes it undefined. The flag is that of
  // the assignment: true only for a truthy number, true, or a text reading
  // "true" or a non-zero number.
  bool setValue(const Text& path, const Text& value, bool isJson = false);

  // Sets the member at path to eval(json). Flag as for setValue.
  bool setJson(const Text& path, const Text& json);

  // Roots path in place: a path that starts with "da" and names an existing
  // value stays; otherwise "" becomes "da", "[..." becomes "da[...", and
  // anything else "da." + path. True when the rooted path is neither null nor
  // undefined.
  bool resolvePath(Text& path);

  // True when the value at path is neither null nor undefined.
  bool exists(const Text& path);

  // The type at path: 0 null, undefined or missing; 1 boolean; 2 number;
  // 4 object; 5 array; 6 string; -1 anything else (a function, a date).
  std::int32_t typeOf(const Text& path = {});

  // The value at path as text: its toString() (97.5, "0", "[object Object]"),
  // or with asJson its JSON text; empty when the member is missing.
  Text getText(const Text& path = {}, bool asJson = false);

  // Replaces names with the names of the object's members at path that are
  // not functions, in order; returns their number (0 for non-objects).
  std::int32_t memberNames(std::vector<Text>& names, const Text& path = {});

  // The length of the array at path; 0 for anything else.
  std::int32_t count(const Text& path = {});

  // A new document (with its own engine) holding a copy of the value at
  // path, passed through JSON text and parse: numbers and objects copy as
  // they are, a string's content is run as script ("0" gives 0, "SUCCESS"
  // gives null), a missing member gives an undefined value. This document is
  // unchanged.
  JsonDocument getMember(const Text& path = {});

  // Appends value to the array at path (made an empty array first when it is
  // not one), at the front with atFront. isJson false: value is written
  // between apostrophes as it stands (not escaped), so it must not contain an
  // apostrophe. True when the array is not empty afterwards.
  bool append(const Text& value, const Text& path = {}, bool isJson = false, bool atFront = false);

  // As getMember, for the element index of the array at path.
  JsonDocument getElement(std::int32_t index, const Text& path = {});

  // The element index of the array at path: with asJson its JSON text,
  // otherwise the element itself when it is a string (empty for other types).
  Text getElementText(std::int32_t index, const Text& path = {}, bool asJson = false);

  // Sets element index of the array at path to value (as for append). Flag
  // as for setValue.
  bool setElement(std::int32_t index, const Text& path, const Text& value, bool isJson = false);

  // Removes element index of the array at path (splice). The flag is that of
  // the removed-elements array, so it is false.
  bool removeElement(std::int32_t index, const Text& path = {});

  // Deletes the member at path; true when the engine reports it deleted.
  bool remove(const Text& path);

  // Sets the member at path to number. Flag as for setValue (false for 0).
  bool setNumber(const Text& path, double number);

  // The value at path as a number: numbers as they are, numeric strings read,
  // true as 1; 0 for everything else.
  double getNumber(const Text& path = {});

  // The JSON text of the value at path; empty when it is missing.
  Text getJson(const Text& path = {});

  // A new reference to the document's engine (null when it has none).
  std::shared_ptr<ScriptEngine> engine() const;

  // Replaces values with the string, number and boolean members at path, in
  // order (descending into objects and arrays when recursive), as text;
  // returns their number. A last value that is empty text is dropped.
  std::int32_t leafValues(std::vector<Text>& values, const Text& path = {}, bool recursive = false);

  // Name of the global script variable holding the value ("da").
  const Text& variableName() const { return variableName_; }

 private:
  struct NotStarted {};
  JsonDocument(const ScriptLimits& limits, NotStarted);

  ScriptValue evaluate(const Text& code);
  Text evaluateText(const Text& code) { return evaluate(code).text; }
  bool evaluateFlag(const Text& code) { return evaluate(code).toFlag(); }
  Text rooted(const Text& path);
  Text stringifyOf(const Text& expression) const;
  JsonDocument documentFromJson(const Text& json) const;

  Text variableName_;
  std::shared_ptr<ScriptEngine> engine_;
  ScriptLimits limits_;
};

}  // namespace velmora
