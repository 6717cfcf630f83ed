#pragma once
// The HTTP transport under HttpClient, over libcurl's multi interface:
// - HttpSession: user agent, proxy, timeouts, trust store, the session's own
//   cookies;
// - HttpConnection: one host and port; its TCP/TLS connection is kept open and
//   reused by consecutive requests, and closed when the object goes;
// - HttpRequest: one request; send() returns once the reply headers are in,
//   and the body stays in the transport until it is read in chunks.
// Everything is synchronous and used from one thread at a time.
#include <curl/curl.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "http/RequestHeaders.h"
#include "text/Text.h"

namespace velmora {

// Option numbers of setOption, named like their WinHTTP namesakes.
namespace transportOption {
inline constexpr std::uint32_t resolveTimeout = 2;
inline constexpr std::uint32_t connectTimeout = 3;
inline constexpr std::uint32_t sendTimeout = 5;
inline constexpr std::uint32_t receiveTimeout = 6;
inline constexpr std::uint32_t securityFlags = 31;
inline constexpr std::uint32_t disableFeature = 63;
inline constexpr std::uint32_t maxRedirects = 89;
}  // namespace transportOption

// Values of transportOption::disableFeature.
namespace disabledFeature {
inline constexpr std::uint32_t cookies = 1;
inline constexpr std::uint32_t redirects = 2;
}  // namespace disabledFeature

// Bits of transportOption::securityFlags: certificate errors to let pass.
namespace securityFlag {
inline constexpr std::uint32_t ignoreUnknownCa = 0x100;
inline constexpr std::uint32_t ignoreWrongUsage = 0x200;
inline constexpr std::uint32_t ignoreCommonNameInvalid = 0x1000;
inline constexpr std::uint32_t ignoreDateInvalid = 0x2000;
}  // namespace securityFlag

// Milliseconds; 0 or -1 means no limit. Send and receive limit the time
// without progress while the request goes out and while the reply comes in.
struct Timeouts {
  int resolve = 0;
  int connect = 60000;
  int send = 30000;
  int receive = 30000;
};

class HttpSession {
 public:
  explicit HttpSession(std::string userAgent);
  ~HttpSession();
  HttpSession(const HttpSession&) = delete;
  HttpSession& operator=(const HttpSession&) = delete;

  const std::string& userAgent() const { return userAgent_; }

  // False when a value is below -1.
  bool setTimeouts(const Timeouts& timeouts);
  const Timeouts& timeouts() const { return timeouts_; }

  // "host:port" (or a URL) of the proxy every request goes through; empty
  // text for direct connections. Proxy settings of the environment are never
  // used.
  void setProxy(std::string proxy) { proxy_ = std::move(proxy); }
  const std::string& proxy() const { return proxy_; }

  // Replaces the system's trusted certificates with those in the PEM file at
  // path, for tests that serve a certificate of their own making.
  void trustOnlyCaFile(std::string path) { caFile_ = std::move(path); }
  const std::string& caFile() const { return caFile_; }

  // Timeouts and the redirect limit; false for an option that does not apply
  // to a session.
  bool setOption(std::uint32_t option, std::uint32_t value);
  long maxRedirects() const { return maxRedirects_; }

  // The session's cookie engine, shared by its requests.
  CURLSH* cookieShare() const { return cookieShare_; }

 private:
  std::string userAgent_;
  Timeouts timeouts_;
  std::string proxy_;
  std::string caFile_;
  long maxRedirects_ = 10;
  CURLSH* cookieShare_ = nullptr;
};

class HttpConnection {
 public:
  HttpConnection(std::shared_ptr<HttpSession> session, std::string host, int port);
  ~HttpConnection();  // closes the TCP/TLS connection
  HttpConnection(const HttpConnection&) = delete;
  HttpConnection& operator=(const HttpConnection&) = delete;

  const std::string& host() const { return host_; }
  int port() const { return port_; }
  const std::shared_ptr<HttpSession>& session() const { return session_; }
  CURLM* multi() const { return multi_; }

 private:
  std::shared_ptr<HttpSession> session_;
  std::string host_;
  int port_;
  CURLM* multi_;
};

class HttpRequest {
 public:
  // method as sent ("GET", "POST", ...); target is the path and query as
  // they go on the wire.
  HttpRequest(std::shared_ptr<HttpConnection> connection, std::string method, std::string target,
              bool secure);
  ~HttpRequest();
  HttpRequest(const HttpRequest&) = delete;
  HttpRequest& operator=(const HttpRequest&) = delete;

  const std::string& method() const { return method_; }
  const std::string& target() const { return target_; }
  bool secure() const { return secure_; }

  // Edits the request headers (see RequestHeaders::apply).
  bool addHeaders(std::string_view block, std::uint32_t flags) { return headers_.apply(block, flags); }
  const RequestHeaders& headers() const { return headers_; }

  // Timeouts, certificate-error overrides, disabling the session's cookies or
  // redirect following, the redirect limit; false for an unknown option.
  bool setOption(std::uint32_t option, std::uint32_t value);
  void setProxyCredentials(std::string user, std::string password);
  // target 0 the server, 1 the proxy; scheme 1 basic, 2 NTLM, 8 digest,
  // 16 negotiate. False for other values.
  bool setCredentials(std::uint32_t target, std::uint32_t scheme, std::string user,
                      std::string password);

  // Sends the request with body and waits until the final reply's headers are
  // in. A request is sent once; false on any failure before the headers.
  bool send(std::string body);

  // The final reply's status line and headers, each line ended by CR LF,
  // followed by an empty line; empty before the headers are in.
  const std::string& rawHeaders() const { return rawHeaders_; }
  int statusCode() const { return statusCode_; }
  std::string statusText() const;

  // Waits until body bytes are ready; their count, 0 at the end of the body
  // or on failure.
  std::size_t queryDataAvailable();
  // Reads up to capacity bytes of the body into dst, waiting until that many
  // arrived or the body ended; the count read.
  std::size_t readData(char* dst, std::size_t capacity);

  // libcurl's description of the failure that ended the transfer, if any.
  std::string errorText() const;

 private:
  static size_t onHeader(char* data, size_t size, size_t count, void* self);
  static size_t onBody(char* data, size_t size, size_t count, void* self);
  static int onProgress(void* self, curl_off_t dlTotal, curl_off_t dlNow, curl_off_t ulTotal,
                        curl_off_t ulNow);

  void configure();
  curl_slist* buildHeaderList() const;
  void headerBlockEnds();
  void completeHeaders();
  template <typename Done>
  bool drive(Done done);
  void collectFinishedTransfer();
  bool idleTooLong();
  void abort(CURLcode reason);
  void resume();
  std::size_t takePending(char* dst, std::size_t capacity);
  std::size_t pendingLeft() const { return pending_.size() - pendingPos_; }

  std::shared_ptr<HttpConnection> connection_;
  std::string method_;
  std::string target_;
  bool secure_;
  RequestHeaders headers_;
  Timeouts timeouts_;
  long maxRedirects_;
  bool cookiesDisabled_ = false;
  bool redirectsDisabled_ = false;
  std::uint32_t securityFlags_ = 0;
  std::string proxyUser_, proxyPassword_;
  bool proxyCredentials_ = false;
  long authTarget_ = -1;
  long authScheme_ = 0;
  std::string authUser_, authPassword_;

  CURL* easy_ = nullptr;
  curl_slist* headerList_ = nullptr;
  bool attached_ = false;  // easy_ is in the connection's multi handle
  std::string body_;
  char errorBuffer_[CURL_ERROR_SIZE] = {};

  std::string incomingHeaders_;  // the header block being received
  std::string rawHeaders_;
  int statusCode_ = 0;
  bool headersComplete_ = false;
  bool finished_ = false;
  CURLcode result_ = CURLE_OK;

  std::string pending_;  // body bytes taken from libcurl and not read yet
  std::size_t pendingPos_ = 0;
  bool paused_ = false;
  char* destination_ = nullptr;  // where onBody copies while readData waits
  std::size_t room_ = 0;
  bool connected_ = false;

  bool uploading_ = true;
  curl_off_t lastUp_ = -1, lastDown_ = -1;
  std::chrono::steady_clock::time_point lastProgress_;
};

}  // namespace velmora
