#include "engine/contract/ServiceContract.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <utility>

#include "engine/contract/Json.h"

namespace velmora::contract {

namespace {

constexpr std::pair<Endpoint, std::string_view> kPaths[] = {
    {Endpoint::Token, "/oauth/2.0/token"},
    {Endpoint::Match, "/rest/2.0/face/v3/match"},
    {Endpoint::Search, "/rest/2.0/face/v3/search"},
    {Endpoint::UserAdd, "/rest/2.0/face/v3/faceset/user/add"},
    {Endpoint::GeneralText, "/rest/2.0/ocr/v1/general_basic"},
    {Endpoint::Plate, "/rest/2.0/ocr/v1/license_plate"},
};

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

constexpr std::array<signed char, 256> base64Values() {
  std::array<signed char, 256> values{};
  for (auto& v : values) v = -1;
  constexpr std::string_view alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  for (std::size_t i = 0; i < alphabet.size(); ++i) values[static_cast<unsigned char>(alphabet[i])] = static_cast<signed char>(i);
  return values;
}
constexpr auto kBase64Values = base64Values();

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

}  // namespace

std::string_view pathOf(Endpoint endpoint) {
  for (const auto& [e, path] : kPaths)
    if (e == endpoint) return path;
  return {};
}

Endpoint endpointOf(std::string_view path) {
  for (const auto& [e, p] : kPaths)
    if (p == path) return e;
  return Endpoint::Other;
}

std::string missingParameterMessage(std::string_view name) { return "param[" + std::string(name) + "] is null"; }

std::string logId() {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  return std::to_string(std::chrono::duration_cast<std::chrono::microseconds>(now).count() % 10'000'000'000LL);
}

std::string timestamp() {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  return std::to_string(std::chrono::duration_cast<std::chrono::seconds>(now).count());
}

std::string numberText(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.15g", value);
  return text;
}

std::string faceSuccessBody(std::string_view resultJson) {
  return "{\"error_code\":0,\"error_msg\":\"SUCCESS\",\"log_id\":" + logId() + ",\"timestamp\":" + timestamp() +
         ",\"cached\":0,\"result\":" + std::string(resultJson) + "}";
}

std::string faceErrorBody(long long code, std::string_view message) {
  return "{\"error_code\":" + std::to_string(code) + ",\"error_msg\":" + jsonQuote(message) + ",\"log_id\":" + logId() +
         ",\"timestamp\":" + timestamp() + ",\"cached\":0,\"result\":null}";
}

std::string faceErrorBody(const ServiceError& error) { return faceErrorBody(error.code, error.message); }

std::string errorBody(long long code, std::string_view message) {
  return "{\"error_code\":" + std::to_string(code) + ",\"error_msg\":" + jsonQuote(message) + ",\"log_id\":" + logId() +
         "}";
}

std::string errorBody(const ServiceError& error) { return errorBody(error.code, error.message); }

std::string tokenBody(std::string_view accessToken) {
  return R"({"refresh_token":"25.9f3e6a0d4c2b1e8f7a6d5c4b3a2f1e0d.315360000.2000000000.282335-10000000",)"
         R"("expires_in":2592000,"session_key":"9mzdDZXu3dENdFZQurfg0Vz8slgSgvvOAUebNFzyzcpQ5EnbxbF+hfG9DQkpUVQdh4p6HbQcAiz5RmuBAja1JJGgIdJI",)"
         R"("access_token":)" +
         jsonQuote(accessToken) +
         R"(,"scope":"public brain_all_scope vis-faceverify_faceverify_h5-face-liveness wise_adapt",)"
         R"("session_secret":"2ca66d464545c77a4767f709873be4"})";
}

std::string oauthErrorBody(std::string_view error, std::string_view description) {
  return "{\"error\":" + jsonQuote(error) + ",\"error_description\":" + jsonQuote(description) + "}";
}

std::string percentDecode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '+') {
      out += ' ';
    } else if (text[i] == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
               hexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::optional<std::string> formValue(std::string_view form, std::string_view name) {
  while (!form.empty()) {
    const std::size_t amp = form.find('&');
    const std::string_view pair = form.substr(0, amp);
    const std::size_t eq = pair.find('=');
    if (pair.substr(0, eq) == name) return percentDecode(eq == std::string_view::npos ? "" : pair.substr(eq + 1));
    if (amp == std::string_view::npos) break;
    form.remove_prefix(amp + 1);
  }
  return std::nullopt;
}

std::optional<std::string> base64Decode(std::string_view text) {
  while (!text.empty() && text.back() == '=') text.remove_suffix(1);
  if (text.size() % 4 == 1) return std::nullopt;
  std::string out;
  out.reserve(text.size() / 4 * 3 + 2);
  unsigned bits = 0;
  int count = 0;
  for (const char c : text) {
    const int value = kBase64Values[static_cast<unsigned char>(c)];
    if (value < 0) return std::nullopt;
    bits = (bits << 6) | static_cast<unsigned>(value);
    count += 6;
    if (count >= 8) {
      count -= 8;
      out += static_cast<char>((bits >> count) & 0xFF);
    }
  }
  return out;
}

bool isBase64(std::string_view text) {
  return text.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/=") ==
         std::string_view::npos;
}

std::vector<std::string> splitGroupList(std::string_view groups) {
  std::vector<std::string> names;
  while (true) {
    const std::size_t comma = groups.find(',');
    const std::string_view name = trimmed(groups.substr(0, comma));
    if (!name.empty()) names.emplace_back(name);
    if (comma == std::string_view::npos) return names;
    groups.remove_prefix(comma + 1);
  }
}

}  // namespace velmora::contract
