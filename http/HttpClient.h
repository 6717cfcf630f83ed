#pragma once
// HttpClient: the program's HTTP request object. One request at a time:
// open() prepares it, the header operations dress it, send() sends it and
// waits for the reply headers, and the reply operations read the body (once
// from the network, then from the receive buffer) and the headers.
//
// Texts are the system's GBK bytes. Nothing throws: a failure is false, 0 or
// empty text. Optional arguments carry their defaults; flags are int 0 or 1.
// Used from one thread.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "http/CookieJar.h"
#include "http/ReceiveBuffer.h"
#include "text/Text.h"

namespace velmora {

class CookieStore;
class HttpConnection;
class HttpRequest;
class HttpSession;

class HttpClient {
 public:
  // Cookie modes of setCookieMode.
  static constexpr int cookiesBySession = 0;
  static constexpr int cookiesInJar = 1;
  static constexpr int cookiesInStore = 2;

  // Flags of setHeader (the same values as headerFlag in RequestHeaders.h).
  static constexpr std::uint32_t headerAddIfNew = 0x10000000;
  static constexpr std::uint32_t headerAdd = 0x20000000;
  static constexpr std::uint32_t headerReplace = 0x80000000;

  static constexpr const char* defaultUserAgent = "Mozilla/5.0 (compatible; MSIE 10.0; Windows NT 6.2)";

  // initialize() with the default agent, then resetDefaults(). Cookie mode 2
  // uses a store of this client's own.
  HttpClient();
  // As above, with a cookie store for mode 2 that other clients may share.
  explicit HttpClient(std::shared_ptr<CookieStore> cookieStore);
  // destroy: close(), then the texts go.
  ~HttpClient();
  HttpClient(const HttpClient&) = delete;
  HttpClient& operator=(const HttpClient&) = delete;

  // ---- lifecycle ----
  // Opens a new session with userAgent (empty: the default agent) and a
  // 10240-byte receive buffer. A current session is replaced, not closed.
  void initialize(const Text& userAgent = {});
  // Closes the request, the connection and the session, frees the buffer and
  // forgets the per-connection state. Only initialize()/reinitialize() make
  // the object usable again.
  void close();
  // Default headers on, cookie mode 0, empty jar. No certificate error is
  // ever let pass by default.
  void resetDefaults();

  // ---- steps of the send pipeline (run by sendBytes) ----
  // Puts the Set-Cookie items of the current reply into the jar (mode 1).
  void storeCookiesInJar(int skipEmptyCookies);
  // Puts the Set-Cookie items of the current reply into the cookie store under
  // the current URL (mode 2); with skipEmptyCookies=1 items with an empty value
  // are left out. A deletion item removes the cookie.
  void storeCookiesInSystem(int skipEmptyCookies);
  // Stores the name=value pieces of a ";"-separated text in the cookie store
  // under the current URL; true when at least one was stored.
  bool setSystemCookies(const Text& cookies);
  // Sets the request's Cookie header from the jar ("Cookie:" alone removes it).
  bool addJarCookieHeader();
  // Sets the request's Cookie header from the cookie store; false when the
  // store holds none for the current URL.
  bool addSystemCookieHeader();
  // Adds the default header block, each header only if not set yet: Accept,
  // Accept-Language and Cache-Control, plus the form Content-Type when the
  // last method was POST or hasBody is 1.
  bool addDefaultHeaders(int hasBody);
  // Sets on the request what the object's state asks for: pending proxy
  // credentials, no redirects by the transport (redirects forbidden or cookie
  // mode above 0), no session cookies and the Cookie header (mode 1 or 2).
  void applyPendingOptions();
  // Takes the reply's header block and Content-Length (-1 when absent) and,
  // in mode 1 or 2, its cookies. False when the reply has no headers.
  bool readResponseHeaders(int skipEmptyCookies);
  // In mode 1 or 2 with redirects allowed: follows the reply's Location with
  // a GET, at most 10 hops in one chain. Does nothing in mode 0.
  void followRedirect(int skipEmptyCookies);

  // ---- handles ----
  // The session, connection and request handles; the setters make the field
  // hold value (the old handle is dropped by this object, not closed) and
  // return the field's value.
  std::shared_ptr<HttpSession> sessionHandle() const;
  std::shared_ptr<HttpSession> sessionHandle(std::shared_ptr<HttpSession> value);
  std::shared_ptr<HttpConnection> connectionHandle() const;
  std::shared_ptr<HttpConnection> connectionHandle(std::shared_ptr<HttpConnection> value);
  std::shared_ptr<HttpRequest> requestHandle() const;
  std::shared_ptr<HttpRequest> requestHandle(std::shared_ptr<HttpRequest> value);

  // Default headers on (1) or off (0) for every send; also whether open()
  // records whether the method is POST.
  void setAutoHeaders(int on = 1);
  // Cookie mode 0 (kept by the session), 1 (the jar) or 2 (the cookie store);
  // any other value selects 0.
  void setCookieMode(int mode = 1);
  // close(), initialize(userAgent), resetDefaults().
  void reinitialize(const Text& userAgent = {});

  // ---- requests ----
  // Prepares a new request; method "" means GET. A URL without "http://" or
  // "https://" (any case) gets "http://" in front. The connection is kept
  // while host and port stay the same. True when the request was created.
  bool open(const Text& method, const Text& url);
  // Sends the request with body and waits for the reply headers; the body is
  // read later. True when the reply headers came in.
  bool sendBytes(const Bytes& body = {}, int skipEmptyCookies = 0);
  // sendBytes with the text's bytes as they stand.
  bool send(const Text& body = {}, int skipEmptyCookies = 0);
  // The reply body, read from the network on the first call and kept in the
  // receive buffer; later calls answer from there. The view stays valid until
  // the next open(), close() or reinitialize(); copy it into Bytes to keep it
  // longer. Handing out a view keeps a large body from being held twice.
  std::string_view responseBody();
  // The body bytes as text, up to the first zero byte.
  Text responseRawText();
  // The body decoded from UTF-8 into text; what GBK cannot hold, and invalid
  // UTF-8, becomes "?".
  Text responseText();
  // The reply's status code; 0 without a reply.
  int statusCode() const;
  // The reply's status text ("OK"); "" without a reply.
  Text statusText() const;
  // The reply's status line and headers, lines ended by CR LF.
  Text responseHeaders() const;
  // The value of the reply header name (any letter case); "" when absent.
  Text responseHeader(const Text& name) const;
  // "a=1; b=2": the cookies the reply sets, deletions left out.
  Text responseCookies() const;
  // The value of the cookie name that the reply sets; "" when absent.
  Text responseCookie(const Text& name) const;
  // The reply's Location; with resolve=1 made absolute against the request.
  Text redirectLocation(int resolve = 0) const;

  // ---- connection options ----
  // Timeouts of the session in milliseconds (0 or -1: none); false without a
  // session or for a value below -1.
  bool setTimeouts(int resolve = 10000, int connect = 20000, int send = 300000, int receive = 600000);
  // Sends requests through proxy ("host:port"), or directly when proxy is
  // empty. The proxy credentials go to the current request, or wait for the
  // next send when there is none.
  bool setProxy(const Text& proxy = {}, const Text& user = {}, const Text& password = {});
  // Credentials for the current request; target 0 server, 1 proxy; scheme
  // 1 basic, 2 NTLM, 8 digest, 16 negotiate.
  bool setCredentials(const Text& user, const Text& password, int target = 0, int scheme = 1);
  // Sets a numeric transport option (see transportOption in Transport.h) on
  // the session (handleKind 0), the connection (1) or the request (2); length
  // must be 4. False without that handle or for an option it does not take.
  bool setOption(int handleKind, int option, int value, int length);
  // Redirects allowed when the lowest bit of follow is 1, forbidden when 0.
  void setFollowRedirects(int follow = 1);

  // ---- request headers (need an open request) ----
  // Adds the header line name:value; by default replacing a header of that
  // name. In mode 0 a Cookie header turns the session's cookies off for this
  // request.
  bool setHeader(const Text& name, const Text& value, std::uint32_t flags = headerAdd | headerReplace);
  // Removes the header name from the request.
  bool removeHeader(const Text& name);
  // Cookies (name=value pieces separated by ";") for the request: merged into
  // the jar (mode 1), stored in the cookie store (mode 2), or sent as this
  // request's Cookie header instead of the session's cookies (mode 0).
  bool setCookies(const Text& cookies);
  bool setUserAgent(const Text& value = defaultUserAgent);  // User-Agent
  bool setReferer();                                        // Referer: the current URL
  bool setReferer(const Text& value);                       // Referer
  bool setAccept(const Text& value = "*/*");                // Accept
  bool setAcceptLanguage(const Text& value = "zh-cn");      // Accept-Language
  // Content-Type, by default the form type.
  bool setContentType(const Text& value = "application/x-www-form-urlencoded");
  // x-requested-with: XMLHttpRequest.
  bool setAjaxHeader();
  // X-Forwarded-For, CLIENT_IP, VIA and REMOTE_ADDR, all set to address.
  bool setClientAddress(const Text& address);

  // ---- the cookie jar ----
  // The jar's cookies as "a=1; b=2".
  Text jarCookies() const;
  // Replaces the jar with cookies ("a=1; b=2" or the jar form); returns
  // cookies unchanged.
  Text jarCookies(const Text& cookies);
  // The value of the jar cookie name, or "name=value" with withName=1.
  Text jarCookie(const Text& name, int withName = 0) const;
  // name=value pieces replace or join jar entries; true when anything changed.
  bool mergeJarCookies(const Text& cookies);
  // Removes the named cookies ("a; b=1" names a and b); true when any went.
  bool removeJarCookies(const Text& names);

  // ---- text conversions ----
  // Text to UTF-16 (little endian) with a terminating zero character;
  // charCount (optional) receives the count without it. "" gives "".
  static Bytes ansiToWide(const Text& text, int* charCount = nullptr);
  // UTF-16 (little endian) to text, ending at the first zero character.
  static Text wideToAnsi(std::string_view wide);
  // UTF-8 to text, ending at the first zero; invalid UTF-8 and characters
  // GBK cannot hold become "?".
  static Text utf8ToAnsi(std::string_view utf8);

  // ---- read-only views of the object's state ----
  const Text& url() const { return url_; }
  int isPost() const { return isPost_; }
  int contentLength() const { return contentLength_; }
  int cookieMode() const { return cookieMode_; }
  int autoHeaders() const { return autoHeaders_; }
  int redirectCount() const { return redirectCount_; }
  int redirectsDisabled() const { return redirectsDisabled_; }
  // Current size of the receive buffer in bytes.
  std::size_t bufferCapacity() const { return bodyBuffer_.capacity(); }

 private:
  std::shared_ptr<HttpSession> session_;
  std::shared_ptr<HttpConnection> connection_;
  std::shared_ptr<HttpRequest> request_;
  Text connectedHost_;
  int connectedPort_ = 0;
  Text url_;
  int scheme_ = 0;  // 1 http, 2 https
  int isPost_ = 0;
  ReceiveBuffer bodyBuffer_;
  std::size_t bodyLength_ = 0;
  int contentLength_ = 0;
  Text rawHeaders_;
  int autoHeaders_ = 0;
  int cookieMode_ = 0;
  CookieJar cookieJar_;
  int redirectsDisabled_ = 0;
  int redirectCount_ = 0;
  int proxyCredentialsPending_ = 0;
  Text proxyUser_;
  Text proxyPassword_;
  std::shared_ptr<CookieStore> cookieStore_;
};

}  // namespace velmora
