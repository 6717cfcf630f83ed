#include "http/Transport.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "http/HeaderText.h"

namespace velmora {

namespace {

using Clock = std::chrono::steady_clock;

// Size of libcurl's receive and upload buffers: large enough that a big body
// moves in few steps, small enough to be no burden.
constexpr long kTransferBufferSize = 256 * 1024;

void initialiseCurlOnce() {
  static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  (void)initialised;
}

bool validTimeout(int ms) { return ms >= -1; }

long limitOrUnbounded(long ms) { return ms > 0 ? ms : LONG_MAX / 2; }

bool isRedirectStatus(long code) {
  return code == 301 || code == 302 || code == 303 || code == 307 || code == 308;
}

// Applies a timeout option to a set of timeouts; false for other options.
bool setTimeoutOption(Timeouts& timeouts, std::uint32_t option, std::uint32_t value) {
  const int ms = static_cast<int>(value);
  if (!validTimeout(ms)) return false;
  switch (option) {
    case transportOption::resolveTimeout: timeouts.resolve = ms; return true;
    case transportOption::connectTimeout: timeouts.connect = ms; return true;
    case transportOption::sendTimeout: timeouts.send = ms; return true;
    case transportOption::receiveTimeout: timeouts.receive = ms; return true;
    default: return false;
  }
}

}  // namespace

// ---------------------------------------------------------------- session

HttpSession::HttpSession(std::string userAgent) : userAgent_(std::move(userAgent)) {
  initialiseCurlOnce();
  cookieShare_ = curl_share_init();
  if (cookieShare_ != nullptr) curl_share_setopt(cookieShare_, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
}

HttpSession::~HttpSession() {
  if (cookieShare_ != nullptr) curl_share_cleanup(cookieShare_);
}

bool HttpSession::setTimeouts(const Timeouts& timeouts) {
  if (!validTimeout(timeouts.resolve) || !validTimeout(timeouts.connect) ||
      !validTimeout(timeouts.send) || !validTimeout(timeouts.receive)) {
    return false;
  }
  timeouts_ = timeouts;
  return true;
}

bool HttpSession::setOption(std::uint32_t option, std::uint32_t value) {
  if (option == transportOption::maxRedirects) {
    maxRedirects_ = static_cast<long>(value);
    return true;
  }
  return setTimeoutOption(timeouts_, option, value);
}

// ---------------------------------------------------------------- connection

HttpConnection::HttpConnection(std::shared_ptr<HttpSession> session, std::string host, int port)
    : session_(std::move(session)), host_(std::move(host)), port_(port), multi_(curl_multi_init()) {}

HttpConnection::~HttpConnection() {
  if (multi_ != nullptr) curl_multi_cleanup(multi_);
}

// ---------------------------------------------------------------- request

HttpRequest::HttpRequest(std::shared_ptr<HttpConnection> connection, std::string method,
                         std::string target, bool secure)
    : connection_(std::move(connection)),
      method_(std::move(method)),
      target_(std::move(target)),
      secure_(secure),
      timeouts_(connection_->session()->timeouts()),
      maxRedirects_(connection_->session()->maxRedirects()) {}

HttpRequest::~HttpRequest() {
  if (attached_) curl_multi_remove_handle(connection_->multi(), easy_);
  if (easy_ != nullptr) curl_easy_cleanup(easy_);
  if (headerList_ != nullptr) curl_slist_free_all(headerList_);
}

bool HttpRequest::setOption(std::uint32_t option, std::uint32_t value) {
  switch (option) {
    case transportOption::securityFlags:
      securityFlags_ = value;
      return true;
    case transportOption::disableFeature:
      if (value & ~(disabledFeature::cookies | disabledFeature::redirects)) return false;
      cookiesDisabled_ = cookiesDisabled_ || (value & disabledFeature::cookies);
      redirectsDisabled_ = redirectsDisabled_ || (value & disabledFeature::redirects);
      return true;
    case transportOption::maxRedirects:
      maxRedirects_ = static_cast<long>(value);
      return true;
    default:
      return setTimeoutOption(timeouts_, option, value);
  }
}

void HttpRequest::setProxyCredentials(std::string user, std::string password) {
  proxyUser_ = std::move(user);
  proxyPassword_ = std::move(password);
  proxyCredentials_ = true;
}

bool HttpRequest::setCredentials(std::uint32_t target, std::uint32_t scheme, std::string user,
                                 std::string password) {
  long curlScheme = 0;
  switch (scheme) {
    case 1: curlScheme = CURLAUTH_BASIC; break;
    case 2: curlScheme = CURLAUTH_NTLM; break;
    case 8: curlScheme = CURLAUTH_DIGEST; break;
    case 16: curlScheme = CURLAUTH_NEGOTIATE; break;
    default: return false;
  }
  if (target > 1) return false;
  authTarget_ = static_cast<long>(target);
  authScheme_ = curlScheme;
  authUser_ = std::move(user);
  authPassword_ = std::move(password);
  return true;
}

bool HttpRequest::send(std::string body) {
  if (easy_ != nullptr) return false;
  easy_ = curl_easy_init();
  if (easy_ == nullptr) return false;
  body_ = std::move(body);
  configure();
  if (curl_multi_add_handle(connection_->multi(), easy_) != CURLM_OK) return false;
  attached_ = true;
  return drive([this] { return headersComplete_; });
}

std::string HttpRequest::statusText() const {
  const auto lineEnd = rawHeaders_.find("\r\n");
  const std::string_view statusLine = std::string_view(rawHeaders_).substr(0, lineEnd);
  const auto firstBlank = statusLine.find(' ');
  if (firstBlank == std::string_view::npos) return {};
  const auto secondBlank = statusLine.find(' ', firstBlank + 1);
  if (secondBlank == std::string_view::npos) return {};
  return std::string(statusLine.substr(secondBlank + 1));
}

std::size_t HttpRequest::queryDataAvailable() {
  if (!headersComplete_) return 0;
  if (pendingLeft() == 0) {
    resume();
    drive([this] { return pendingLeft() > 0; });
  }
  return pendingLeft();
}

std::size_t HttpRequest::readData(char* dst, std::size_t capacity) {
  if (!headersComplete_ || capacity == 0) return 0;
  std::size_t count = takePending(dst, capacity);
  if (count < capacity && !finished_) {
    destination_ = dst + count;
    room_ = capacity - count;
    resume();
    drive([this] { return room_ == 0; });
    count = capacity - room_;
    destination_ = nullptr;
    room_ = 0;
  }
  return count;
}

std::string HttpRequest::errorText() const {
  if (errorBuffer_[0] != '\0') return errorBuffer_;
  return result_ == CURLE_OK ? std::string() : curl_easy_strerror(result_);
}

void HttpRequest::configure() {
  const HttpSession& session = *connection_->session();
  const std::string url = std::string(secure_ ? "https://" : "http://") + connection_->host() + ":" +
                          std::to_string(connection_->port()) + target_;
  curl_easy_setopt(easy_, CURLOPT_URL, url.c_str());
  curl_easy_setopt(easy_, CURLOPT_ERRORBUFFER, errorBuffer_);
  curl_easy_setopt(easy_, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy_, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  curl_easy_setopt(easy_, CURLOPT_PATH_AS_IS, 1L);
  curl_easy_setopt(easy_, CURLOPT_BUFFERSIZE, kTransferBufferSize);
  curl_easy_setopt(easy_, CURLOPT_UPLOAD_BUFFERSIZE, kTransferBufferSize);
  curl_easy_setopt(easy_, CURLOPT_HEADERFUNCTION, &HttpRequest::onHeader);
  curl_easy_setopt(easy_, CURLOPT_HEADERDATA, this);
  curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, &HttpRequest::onBody);
  curl_easy_setopt(easy_, CURLOPT_WRITEDATA, this);
  curl_easy_setopt(easy_, CURLOPT_XFERINFOFUNCTION, &HttpRequest::onProgress);
  curl_easy_setopt(easy_, CURLOPT_XFERINFODATA, this);
  curl_easy_setopt(easy_, CURLOPT_NOPROGRESS, 0L);

  // The method: a body goes out with any method, a GET without one is a plain GET.
  if (method_ == "HEAD") {
    curl_easy_setopt(easy_, CURLOPT_NOBODY, 1L);
  } else if (!body_.empty() || method_ == "POST") {
    curl_easy_setopt(easy_, CURLOPT_POSTFIELDS, body_.data());
    curl_easy_setopt(easy_, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body_.size()));
    if (method_ != "POST") curl_easy_setopt(easy_, CURLOPT_CUSTOMREQUEST, method_.c_str());
  } else if (method_ == "GET") {
    curl_easy_setopt(easy_, CURLOPT_HTTPGET, 1L);
  } else {
    curl_easy_setopt(easy_, CURLOPT_CUSTOMREQUEST, method_.c_str());
  }

  headerList_ = buildHeaderList();
  curl_easy_setopt(easy_, CURLOPT_HTTPHEADER, headerList_);
  if (!session.userAgent().empty() && headers_.find("User-Agent") == nullptr) {
    curl_easy_setopt(easy_, CURLOPT_USERAGENT, session.userAgent().c_str());
  }

  curl_easy_setopt(easy_, CURLOPT_FOLLOWLOCATION, redirectsDisabled_ ? 0L : 1L);
  curl_easy_setopt(easy_, CURLOPT_MAXREDIRS, maxRedirects_);
  if (!cookiesDisabled_ && session.cookieShare() != nullptr) {
    curl_easy_setopt(easy_, CURLOPT_SHARE, session.cookieShare());
    curl_easy_setopt(easy_, CURLOPT_COOKIEFILE, "");
  }

  curl_easy_setopt(easy_, CURLOPT_PROXY, session.proxy().c_str());
  if (proxyCredentials_) {
    curl_easy_setopt(easy_, CURLOPT_PROXYUSERNAME, proxyUser_.c_str());
    curl_easy_setopt(easy_, CURLOPT_PROXYPASSWORD, proxyPassword_.c_str());
  }
  if (authTarget_ == 0) {
    curl_easy_setopt(easy_, CURLOPT_HTTPAUTH, authScheme_);
    curl_easy_setopt(easy_, CURLOPT_USERNAME, authUser_.c_str());
    curl_easy_setopt(easy_, CURLOPT_PASSWORD, authPassword_.c_str());
  } else if (authTarget_ == 1) {
    curl_easy_setopt(easy_, CURLOPT_PROXYAUTH, authScheme_);
    curl_easy_setopt(easy_, CURLOPT_PROXYUSERNAME, authUser_.c_str());
    curl_easy_setopt(easy_, CURLOPT_PROXYPASSWORD, authPassword_.c_str());
  }

  // Certificates are checked unless the caller let a kind of error pass.
  const bool checkChain = !(securityFlags_ & (securityFlag::ignoreUnknownCa | securityFlag::ignoreWrongUsage |
                                              securityFlag::ignoreDateInvalid));
  const bool checkName = !(securityFlags_ & securityFlag::ignoreCommonNameInvalid);
  curl_easy_setopt(easy_, CURLOPT_SSL_VERIFYPEER, checkChain ? 1L : 0L);
  curl_easy_setopt(easy_, CURLOPT_SSL_VERIFYHOST, checkName ? 2L : 0L);
  if (!session.caFile().empty()) {
    curl_easy_setopt(easy_, CURLOPT_CAINFO, session.caFile().c_str());
    curl_easy_setopt(easy_, CURLOPT_CAPATH, nullptr);
  }

  const long resolve = timeouts_.resolve > 0 ? timeouts_.resolve : 0;
  const long connect = timeouts_.connect > 0 ? limitOrUnbounded(timeouts_.connect) + resolve
                                             : limitOrUnbounded(0);
  curl_easy_setopt(easy_, CURLOPT_CONNECTTIMEOUT_MS, connect);
}

curl_slist* HttpRequest::buildHeaderList() const {
  curl_slist* list = nullptr;
  for (const Header& header : headers_.all()) {
    // "Name;" is libcurl's way of sending a header with an empty value.
    const std::string line = header.value.empty() ? header.name + ";" : header.name + ": " + header.value;
    list = curl_slist_append(list, line.c_str());
  }
  // libcurl's own defaults that this client does not send unless asked to.
  for (const char* name : {"Accept", "Expect", "Content-Type"}) {
    if (headers_.find(name) == nullptr) list = curl_slist_append(list, (std::string(name) + ":").c_str());
  }
  return list;
}

size_t HttpRequest::onHeader(char* data, size_t size, size_t count, void* self) {
  auto& request = *static_cast<HttpRequest*>(self);
  const size_t length = size * count;
  request.lastProgress_ = Clock::now();
  std::string_view line(data, length);
  if (line.starts_with("HTTP/")) request.incomingHeaders_.clear();
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  request.incomingHeaders_.append(line);
  request.incomingHeaders_ += "\r\n";
  if (line.empty()) request.headerBlockEnds();
  return length;
}

// A header block ended: it is the final reply unless it is an interim (1xx)
// reply or a redirect that libcurl is about to follow.
void HttpRequest::headerBlockEnds() {
  long code = 0;
  curl_easy_getinfo(easy_, CURLINFO_RESPONSE_CODE, &code);
  if (code >= 100 && code < 200) return;
  long redirectsTaken = 0;
  curl_easy_getinfo(easy_, CURLINFO_REDIRECT_COUNT, &redirectsTaken);
  const auto location = headerValue(incomingHeaders_, "Location");
  const bool followed = !redirectsDisabled_ && isRedirectStatus(code) && location && !location->empty() &&
                        redirectsTaken < maxRedirects_;
  if (!followed) completeHeaders();
}

void HttpRequest::completeHeaders() {
  if (headersComplete_) return;
  long code = 0;
  curl_easy_getinfo(easy_, CURLINFO_RESPONSE_CODE, &code);
  rawHeaders_ = std::move(incomingHeaders_);
  incomingHeaders_.clear();
  statusCode_ = static_cast<int>(code);
  headersComplete_ = true;
}

size_t HttpRequest::onBody(char* data, size_t size, size_t count, void* self) {
  auto& request = *static_cast<HttpRequest*>(self);
  const size_t length = size * count;
  request.lastProgress_ = Clock::now();
  // libcurl passes on no body of a redirect it follows: this is the final reply.
  request.completeHeaders();
  if (request.pendingLeft() > 0) {
    // Nobody has taken the previous chunk yet: libcurl keeps this one.
    request.paused_ = true;
    return CURL_WRITEFUNC_PAUSE;
  }
  const size_t direct = std::min(length, request.room_);
  if (direct > 0) {
    std::memcpy(request.destination_, data, direct);
    request.destination_ += direct;
    request.room_ -= direct;
  }
  request.pending_.assign(data + direct, length - direct);
  request.pendingPos_ = 0;
  return length;
}

int HttpRequest::onProgress(void* self, curl_off_t, curl_off_t dlNow, curl_off_t ulTotal, curl_off_t ulNow) {
  auto& request = *static_cast<HttpRequest*>(self);
  if (dlNow != request.lastDown_ || ulNow != request.lastUp_) {
    request.lastDown_ = dlNow;
    request.lastUp_ = ulNow;
    request.lastProgress_ = Clock::now();
  }
  request.uploading_ = ulNow < ulTotal;
  return 0;
}

template <typename Done>
bool HttpRequest::drive(Done done) {
  lastProgress_ = Clock::now();
  CURLM* multi = connection_->multi();
  while (!done()) {
    if (finished_) return false;
    int running = 0;
    if (curl_multi_perform(multi, &running) != CURLM_OK) {
      abort(CURLE_FAILED_INIT);
      return false;
    }
    collectFinishedTransfer();
    if (done()) return true;
    if (finished_) return false;
    if (idleTooLong()) {
      abort(CURLE_OPERATION_TIMEDOUT);
      return false;
    }
    curl_multi_poll(multi, nullptr, 0, 100, nullptr);
  }
  return true;
}

void HttpRequest::collectFinishedTransfer() {
  int left = 0;
  while (CURLMsg* message = curl_multi_info_read(connection_->multi(), &left)) {
    if (message->msg != CURLMSG_DONE || message->easy_handle != easy_) continue;
    finished_ = true;
    result_ = message->data.result;
    if (result_ == CURLE_OK && !incomingHeaders_.empty()) completeHeaders();
  }
}

// True when the transfer made no progress for longer than the send timeout
// (while the request goes out) or the receive timeout (afterwards). Until the
// connection stands, libcurl's connect timeout applies instead.
bool HttpRequest::idleTooLong() {
  if (!connected_) {
    curl_off_t pretransfer = 0;
    curl_easy_getinfo(easy_, CURLINFO_PRETRANSFER_TIME_T, &pretransfer);
    if (pretransfer <= 0) return false;
    connected_ = true;
    lastProgress_ = Clock::now();
  }
  const int limit = uploading_ ? timeouts_.send : timeouts_.receive;
  return limit > 0 && Clock::now() - lastProgress_ > std::chrono::milliseconds(limit);
}

void HttpRequest::abort(CURLcode reason) {
  if (attached_) curl_multi_remove_handle(connection_->multi(), easy_);
  attached_ = false;
  finished_ = true;
  if (result_ == CURLE_OK) result_ = reason;
}

void HttpRequest::resume() {
  if (!paused_ || !attached_) return;
  paused_ = false;
  curl_easy_pause(easy_, CURLPAUSE_CONT);
}

std::size_t HttpRequest::takePending(char* dst, std::size_t capacity) {
  const std::size_t count = std::min(capacity, pendingLeft());
  if (count > 0) std::memcpy(dst, pending_.data() + pendingPos_, count);
  pendingPos_ += count;
  if (pendingLeft() == 0) {
    pending_.clear();
    pendingPos_ = 0;
  }
  return count;
}

}  // namespace velmora
