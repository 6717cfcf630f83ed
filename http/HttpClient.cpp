#include "http/HttpClient.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "http/CookieStore.h"
#include "http/HeaderText.h"
#include "http/Transport.h"
#include "http/Url.h"
#include "text/Codepage.h"
#include "text/Numbers.h"

namespace velmora {

namespace {

constexpr std::size_t kUnknownLengthStep = 10240;
constexpr std::size_t kKnownLengthStep = 1048576;
constexpr int kMaxRedirectHops = 10;

constexpr std::string_view kShortHeaderBlock = "Accept:*/*\r\nAccept-Language:zh-cn\r\nCache-Control:no-cache";
constexpr std::string_view kFormHeaderBlock =
    "Accept:*/*\r\nAccept-Language:zh-cn\r\nCache-Control:no-cache\r\n"
    "Content-Type:application/x-www-form-urlencoded";

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && equalsNoCase(text.substr(0, prefix.size()), prefix);
}

Text upperAscii(std::string_view text) {
  Text upper(text);
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return upper;
}

bool isValidMethod(std::string_view method) {
  return std::all_of(method.begin(), method.end(), [](unsigned char c) {
    return c > 0x20 && c < 0x7F && std::string_view("()<>@,;:\\\"/[]?={}").find(static_cast<char>(c)) ==
                                       std::string_view::npos;
  });
}

// The given URL, with "http://" in front unless it starts with an http or
// https scheme in any letter case.
Text withScheme(const Text& url) {
  const bool hasScheme = (url.size() >= 8 && startsWithNoCase(url, "https://")) ||
                         (url.size() >= 8 && startsWithNoCase(url, "http://"));
  return hasScheme ? url : "http://" + url;
}

// A Location value made absolute against the request it answers.
Text resolveLocation(const Text& location, int scheme, const Text& host, int port, const Text& requestUrl) {
  const Text schemePrefix = scheme == 2 ? "https:" : "http:";
  if (location.starts_with("//")) return schemePrefix + location;
  if (location.starts_with("/")) return schemePrefix + "//" + host + ":" + std::to_string(port) + location;
  if (startsWithNoCase(location, "http://") || startsWithNoCase(location, "https://")) return location;
  // Relative: replaces the last segment of the request's path.
  const auto authorityStart = requestUrl.find("://");
  const auto pathStart = authorityStart == Text::npos ? 0 : authorityStart + 3;
  const auto pathEnd = std::min(requestUrl.find_first_of("?#", pathStart), requestUrl.size());
  const auto lastSlash = std::string_view(requestUrl).substr(0, pathEnd).rfind('/');
  if (lastSlash == Text::npos || lastSlash < pathStart) return requestUrl.substr(0, pathEnd) + "/" + location;
  return requestUrl.substr(0, lastSlash + 1) + location;
}

// Decodes UTF-8 into UTF-16, each invalid sequence becoming U+FFFD; stops at
// the first zero.
std::u16string decodeUtf8(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    if (lead == 0) break;
    int length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
    char32_t code = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
    bool valid = length > 0 && i + length <= bytes.size();
    for (int k = 1; valid && k < length; ++k) {
      const auto next = static_cast<unsigned char>(bytes[i + k]);
      valid = (next & 0xC0) == 0x80;
      code = (code << 6) | (next & 0x3F);
    }
    static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    valid = valid && code >= kSmallest[length] && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF);
    if (!valid) {
      out += u'\uFFFD';
      ++i;
      // Skip the continuation bytes of the broken sequence.
      while (i < bytes.size() && (static_cast<unsigned char>(bytes[i]) & 0xC0) == 0x80) ++i;
      continue;
    }
    if (code >= 0x10000) {
      code -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (code >> 10));
      out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    } else {
      out += static_cast<char16_t>(code);
    }
    i += length;
  }
  return out;
}

}  // namespace

// ---------------------------------------------------------------- lifecycle

HttpClient::HttpClient() : HttpClient(nullptr) {}

HttpClient::HttpClient(std::shared_ptr<CookieStore> cookieStore)
    : cookieStore_(cookieStore ? std::move(cookieStore) : std::make_shared<CookieStore>()) {
  initialize();
  resetDefaults();
}

HttpClient::~HttpClient() { close(); }

void HttpClient::initialize(const Text& userAgent) {
  session_ = std::make_shared<HttpSession>(userAgent.empty() ? Text(defaultUserAgent) : userAgent);
  bodyBuffer_.resize(kUnknownLengthStep);
}

void HttpClient::close() {
  request_.reset();
  connection_.reset();
  session_.reset();
  bodyBuffer_.release();
  connectedPort_ = 0;
  bodyLength_ = 0;
  contentLength_ = 0;
  redirectsDisabled_ = 0;
  proxyCredentialsPending_ = 0;
  rawHeaders_.clear();
  proxyUser_.clear();
  proxyPassword_.clear();
  connectedHost_.clear();
  url_.clear();
}

void HttpClient::resetDefaults() {
  autoHeaders_ = 1;
  cookieMode_ = cookiesBySession;
  cookieJar_.assign("; ");
}

void HttpClient::reinitialize(const Text& userAgent) {
  close();
  initialize(userAgent);
  resetDefaults();
}

// ---------------------------------------------------------------- requests

bool HttpClient::open(const Text& method, const Text& url) {
  if (!session_) return false;
  url_ = withScheme(url);
  const auto parts = parseUrl(url_);
  if (!parts) return false;

  bodyLength_ = 0;
  contentLength_ = 0;
  rawHeaders_.clear();
  request_.reset();

  if (!connection_ || parts->host != connectedHost_ || parts->port != connectedPort_) {
    connection_.reset();
    auto connection = std::make_shared<HttpConnection>(session_, parts->host, parts->port);
    if (connection->multi() == nullptr) return false;
    connection_ = std::move(connection);
    connectedHost_ = parts->host;
    connectedPort_ = parts->port;
  }

  Text verb = "GET";
  if (!method.empty()) {
    verb = upperAscii(method);
    if (autoHeaders_ == 1) isPost_ = verb == "POST" ? 1 : 0;
  }
  if (!isValidMethod(verb)) return false;
  scheme_ = static_cast<int>(parts->scheme);
  request_ = std::make_shared<HttpRequest>(connection_, verb, wireTarget(parts->path, parts->extra),
                                           parts->scheme == UrlScheme::https);
  return true;
}

bool HttpClient::sendBytes(const Bytes& body, int skipEmptyCookies) {
  if (!request_) return false;
  applyPendingOptions();
  if (autoHeaders_ == 1) addDefaultHeaders(body.empty() ? 0 : 1);
  if (!request_->send(body)) return false;
  readResponseHeaders(skipEmptyCookies);
  followRedirect(skipEmptyCookies);
  return true;
}

bool HttpClient::send(const Text& body, int skipEmptyCookies) { return sendBytes(body, skipEmptyCookies); }

void HttpClient::applyPendingOptions() {
  if (!request_) return;
  if (proxyCredentialsPending_ == 1) {
    request_->setProxyCredentials(proxyUser_, proxyPassword_);
    proxyCredentialsPending_ = 0;
    proxyUser_.clear();
    proxyPassword_.clear();
  }
  if (redirectsDisabled_ == 1 || cookieMode_ > 0) {
    request_->setOption(transportOption::disableFeature, disabledFeature::redirects);
  }
  if (cookieMode_ != cookiesBySession) {
    request_->setOption(transportOption::disableFeature, disabledFeature::cookies);
    if (cookieMode_ == cookiesInJar) addJarCookieHeader();
    if (cookieMode_ == cookiesInStore) addSystemCookieHeader();
  }
}

bool HttpClient::addDefaultHeaders(int hasBody) {
  if (!request_) return false;
  const bool form = isPost_ == 1 || hasBody == 1;
  return request_->addHeaders(form ? kFormHeaderBlock : kShortHeaderBlock, headerAddIfNew);
}

bool HttpClient::readResponseHeaders(int skipEmptyCookies) {
  rawHeaders_ = request_ ? Text(request_->rawHeaders()) : Text();
  if (rawHeaders_.empty()) {
    contentLength_ = -1;
    return false;
  }
  const auto length = headerValue(rawHeaders_, "Content-Length");
  // A length that is not a count of bytes says nothing about the body.
  contentLength_ = length ? std::max(textToInt(*length), -1) : -1;
  if (cookieMode_ == cookiesInJar) storeCookiesInJar(skipEmptyCookies);
  if (cookieMode_ == cookiesInStore) storeCookiesInSystem(skipEmptyCookies);
  return true;
}

void HttpClient::followRedirect(int skipEmptyCookies) {
  if (cookieMode_ == cookiesBySession || redirectsDisabled_ == 1) return;
  const Text location = redirectLocation(1);
  if (location.empty()) {
    redirectCount_ = 0;
    return;
  }
  if (++redirectCount_ > kMaxRedirectHops) {
    redirectCount_ = 0;
    return;
  }
  // The hop runs the whole pipeline, its own redirect included; a hop that
  // fails ends the chain.
  if (!open({}, location) || !send({}, skipEmptyCookies)) redirectCount_ = 0;
}

std::string_view HttpClient::responseBody() {
  if (!request_ || contentLength_ == 0) return {};
  if (bodyLength_ != 0) return {bodyBuffer_.data(), bodyLength_};

  const auto announced = static_cast<std::size_t>(std::max(contentLength_, 0));
  std::size_t capacity = contentLength_ < 0 ? kUnknownLengthStep : std::min(announced, kKnownLengthStep);
  if (!bodyBuffer_.resize(capacity)) return {};

  std::size_t total = 0;
  while (const std::size_t available = request_->queryDataAvailable()) {
    const std::size_t need = total + available;
    if (need > capacity) {
      std::size_t grown = announced;
      if (contentLength_ < 0 || announced < need) {
        grown = need + kUnknownLengthStep;
      } else if (announced - need > kKnownLengthStep) {
        grown = need + kKnownLengthStep;
      }
      if (!bodyBuffer_.resize(grown)) break;
      capacity = grown;
    }
    const std::size_t read = request_->readData(bodyBuffer_.data() + total, capacity - total);
    if (read == 0) break;
    total += read;
  }
  bodyLength_ = total;
  return {bodyBuffer_.data(), total};
}

Text HttpClient::responseRawText() {
  const std::string_view body = responseBody();
  return Text(body.substr(0, body.find('\0')));
}

Text HttpClient::responseText() { return utf8ToAnsi(responseBody()); }

int HttpClient::statusCode() const { return request_ ? request_->statusCode() : 0; }

Text HttpClient::statusText() const { return request_ ? request_->statusText() : Text(); }

Text HttpClient::responseHeaders() const { return rawHeaders_; }

Text HttpClient::responseHeader(const Text& name) const {
  if (rawHeaders_.empty() || name.empty()) return {};
  return headerValue(rawHeaders_, name).value_or(Text());
}

Text HttpClient::responseCookies() const { return responseCookieList(rawHeaders_); }

Text HttpClient::responseCookie(const Text& name) const { return responseCookieValue(rawHeaders_, name); }

Text HttpClient::redirectLocation(int resolve) const {
  if (rawHeaders_.empty()) return {};
  const Text location = headerValue(rawHeaders_, "Location").value_or(Text());
  if (location.empty() || resolve != 1) return location;
  return resolveLocation(location, scheme_, connectedHost_, connectedPort_, url_);
}

// ---------------------------------------------------------------- cookies

void HttpClient::storeCookiesInJar(int /*skipEmptyCookies*/) {
  for (const Text& item : setCookieItems(rawHeaders_)) cookieJar_.store(item);
}

void HttpClient::storeCookiesInSystem(int skipEmptyCookies) {
  for (const Text& item : setCookieItems(rawHeaders_)) {
    const auto equals = item.find('=');
    if (equals == Text::npos) continue;
    const Text name = item.substr(0, equals);
    const Text value = item.substr(equals + 1, item.size() - equals - 2);  // without the final ";"
    if (isDeletion(item)) {
      cookieStore_->set(url_, name, {});
    } else if (!(skipEmptyCookies == 1 && trimLeft(value).empty())) {
      cookieStore_->set(url_, name, value);
    }
  }
}

bool HttpClient::setSystemCookies(const Text& cookies) {
  bool stored = false;
  std::string_view rest = cookies;
  while (true) {
    const auto semicolon = rest.find(';');
    const std::string_view piece = trimLeft(rest.substr(0, semicolon));
    if (const auto equals = piece.find('='); equals != std::string_view::npos) {
      stored = cookieStore_->set(url_, piece.substr(0, equals), piece.substr(equals + 1)) || stored;
    }
    if (semicolon == std::string_view::npos) break;
    rest.remove_prefix(semicolon + 1);
  }
  return stored;
}

bool HttpClient::addJarCookieHeader() {
  if (!request_) return false;
  return request_->addHeaders("Cookie:" + cookieJar_.content(), headerAdd | headerReplace);
}

bool HttpClient::addSystemCookieHeader() {
  if (!request_) return false;
  const Text cookies = cookieStore_->get(url_);
  if (cookies.empty()) return false;
  return request_->addHeaders("Cookie:" + cookies, headerAdd | headerReplace);
}

bool HttpClient::setCookies(const Text& cookies) {
  if (cookieMode_ == cookiesInJar) return mergeJarCookies(cookies);
  if (cookieMode_ == cookiesInStore) return setSystemCookies(cookies);
  if (!request_) return false;
  request_->setOption(transportOption::disableFeature, disabledFeature::cookies);
  return setHeader("Cookie", cookies);
}

void HttpClient::setCookieMode(int mode) { cookieMode_ = (mode < 0 || mode > 2) ? cookiesBySession : mode; }

Text HttpClient::jarCookies() const { return cookieJar_.content(); }

Text HttpClient::jarCookies(const Text& cookies) {
  cookieJar_.assign(cookies);
  return cookies;
}

Text HttpClient::jarCookie(const Text& name, int withName) const { return cookieJar_.cookie(name, withName == 1); }

bool HttpClient::mergeJarCookies(const Text& cookies) { return cookieJar_.merge(cookies); }

bool HttpClient::removeJarCookies(const Text& names) { return cookieJar_.remove(names); }

// ---------------------------------------------------------------- headers

bool HttpClient::setHeader(const Text& name, const Text& value, std::uint32_t flags) {
  if (!request_ || name.empty()) return false;
  if (cookieMode_ == cookiesBySession && equalsNoCase(name, "cookie")) {
    request_->setOption(transportOption::disableFeature, disabledFeature::cookies);
  }
  return request_->addHeaders(name + ":" + value, flags);
}

bool HttpClient::removeHeader(const Text& name) {
  if (!request_ || name.empty()) return false;
  if (cookieMode_ == cookiesBySession && equalsNoCase(name, "cookie")) {
    request_->setOption(transportOption::disableFeature, disabledFeature::cookies);
  }
  return request_->addHeaders(name + ":", headerReplace);
}

bool HttpClient::setUserAgent(const Text& value) { return setHeader("User-Agent", value); }
bool HttpClient::setReferer() { return setHeader("Referer", url_); }
bool HttpClient::setReferer(const Text& value) { return setHeader("Referer", value); }
bool HttpClient::setAccept(const Text& value) { return setHeader("Accept", value); }
bool HttpClient::setAcceptLanguage(const Text& value) { return setHeader("Accept-Language", value); }
bool HttpClient::setContentType(const Text& value) { return setHeader("Content-Type", value); }
bool HttpClient::setAjaxHeader() { return setHeader("x-requested-with", "XMLHttpRequest"); }

bool HttpClient::setClientAddress(const Text& address) {
  if (!request_) return false;
  const Text block = "X-Forwarded-For:" + address + "\r\nCLIENT_IP:" + address + "\r\nVIA:" + address +
                     "\r\nREMOTE_ADDR:" + address;
  return request_->addHeaders(block, headerAdd | headerReplace);
}

// ---------------------------------------------------------------- options

bool HttpClient::setTimeouts(int resolve, int connect, int send, int receive) {
  if (!session_) return false;
  return session_->setTimeouts({resolve, connect, send, receive});
}

bool HttpClient::setProxy(const Text& proxy, const Text& user, const Text& password) {
  if (!session_) return false;
  if (!proxy.empty()) {
    if (request_) {
      request_->setProxyCredentials(user, password);
    } else {
      proxyCredentialsPending_ = 1;
      proxyUser_ = user;
      proxyPassword_ = password;
    }
  }
  session_->setProxy(proxy);
  return true;
}

bool HttpClient::setCredentials(const Text& user, const Text& password, int target, int scheme) {
  if (!request_) return false;
  return request_->setCredentials(static_cast<std::uint32_t>(target), static_cast<std::uint32_t>(scheme), user,
                                  password);
}

bool HttpClient::setOption(int handleKind, int option, int value, int length) {
  const auto optionNumber = static_cast<std::uint32_t>(option);
  const auto optionValue = static_cast<std::uint32_t>(value);
  switch (handleKind) {
    case 1:  // a connection takes no options of its own
      return false;
    case 2:
      return request_ && length == 4 && request_->setOption(optionNumber, optionValue);
    default:
      return session_ && length == 4 && session_->setOption(optionNumber, optionValue);
  }
}

void HttpClient::setFollowRedirects(int follow) { redirectsDisabled_ = (follow & 1) == 0 ? 1 : 0; }

void HttpClient::setAutoHeaders(int on) { autoHeaders_ = on; }

// ---------------------------------------------------------------- handles

std::shared_ptr<HttpSession> HttpClient::sessionHandle() const { return session_; }
std::shared_ptr<HttpSession> HttpClient::sessionHandle(std::shared_ptr<HttpSession> value) {
  session_ = std::move(value);
  return session_;
}
std::shared_ptr<HttpConnection> HttpClient::connectionHandle() const { return connection_; }
std::shared_ptr<HttpConnection> HttpClient::connectionHandle(std::shared_ptr<HttpConnection> value) {
  connection_ = std::move(value);
  return connection_;
}
std::shared_ptr<HttpRequest> HttpClient::requestHandle() const { return request_; }
std::shared_ptr<HttpRequest> HttpClient::requestHandle(std::shared_ptr<HttpRequest> value) {
  request_ = std::move(value);
  return request_;
}

// ---------------------------------------------------------------- conversions

Bytes HttpClient::ansiToWide(const Text& text, int* charCount) {
  if (charCount != nullptr) *charCount = 0;
  if (text.empty()) return {};
  const std::u16string wide = gbkToUtf16(text);
  if (charCount != nullptr) *charCount = static_cast<int>(wide.size());
  Bytes bytes((wide.size() + 1) * 2, '\0');
  for (std::size_t i = 0; i < wide.size(); ++i) {
    bytes[2 * i] = static_cast<char>(wide[i] & 0xFF);
    bytes[2 * i + 1] = static_cast<char>(wide[i] >> 8);
  }
  return bytes;
}

Text HttpClient::wideToAnsi(std::string_view wide) {
  std::u16string units;
  for (std::size_t i = 0; i + 1 < wide.size(); i += 2) {
    const auto unit = static_cast<char16_t>(static_cast<unsigned char>(wide[i]) |
                                            (static_cast<unsigned char>(wide[i + 1]) << 8));
    if (unit == 0) break;
    units += unit;
  }
  return utf16ToGbk(units);
}

Text HttpClient::utf8ToAnsi(std::string_view utf8) {
  const std::u16string wide = decodeUtf8(utf8);
  if (wide.empty()) return {};
  const std::string_view bytes(reinterpret_cast<const char*>(wide.data()), wide.size() * 2);
  return convertEncoding(bytes, "UTF-16LE", "CP936//TRANSLIT");
}

}  // namespace velmora
