#include "tools/standin/VisionStandIn.h"

#include <dirent.h>
#include <netinet/in.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>

#include <httplib.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace velmora::standin {

namespace {

constexpr std::pair<Endpoint, std::string_view> kPaths[] = {
    {Endpoint::Token, "/oauth/2.0/token"},
    {Endpoint::Match, "/rest/2.0/face/v3/match"},
    {Endpoint::Search, "/rest/2.0/face/v3/search"},
    {Endpoint::UserAdd, "/rest/2.0/face/v3/faceset/user/add"},
    {Endpoint::GeneralText, "/rest/2.0/ocr/v1/general_basic"},
    {Endpoint::Plate, "/rest/2.0/ocr/v1/license_plate"},
};

// A log id as the service gives one with every reply; the time keeps them
// apart without any shared counter.
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

// A stable 32-hex-digit token for a picture: FNV-1a, twice with two seeds.
std::string faceTokenOf(std::string_view imageBase64) {
  const auto fnv = [&imageBase64](unsigned long long hash) {
    for (const char c : imageBase64) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
    return hash;
  };
  char text[40];
  std::snprintf(text, sizeof text, "%016llx%016llx", fnv(14695981039346656037ULL), fnv(0x9E3779B97F4A7C15ULL));
  return text;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

// Percent-decoding of a query or form value; "+" stands for a blank.
std::string percentDecode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '+') {
      out += ' ';
    } else if (text[i] == '%' && i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
               std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
      out += static_cast<char>(std::stoi(std::string(text.substr(i + 1, 2)), nullptr, 16));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

// The value of name in "a=1&b=2" (decoded), or nothing.
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

bool isBase64(std::string_view text) {
  return text.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/=") ==
         std::string_view::npos;
}

// Closes the connection a request came in on, before anything is written:
// the server's socket is found by the two port numbers of the connection.
void shutDownConnection(const httplib::Request& in) {
  DIR* dir = opendir("/proc/self/fd");
  if (dir == nullptr) return;
  const auto portOf = [](const sockaddr_storage& a) {
    if (a.ss_family == AF_INET) return static_cast<int>(ntohs(reinterpret_cast<const sockaddr_in&>(a).sin_port));
    if (a.ss_family == AF_INET6) return static_cast<int>(ntohs(reinterpret_cast<const sockaddr_in6&>(a).sin6_port));
    return -1;
  };
  while (const dirent* entry = readdir(dir)) {
    const int fd = std::atoi(entry->d_name);
    sockaddr_storage local{}, peer{};
    socklen_t localLength = sizeof local, peerLength = sizeof peer;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&local), &localLength) != 0) continue;
    if (getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerLength) != 0) continue;
    if (portOf(local) == in.local_port && portOf(peer) == in.remote_port) {
      ::shutdown(fd, SHUT_RDWR);
      break;
    }
  }
  closedir(dir);
}

std::string faceError(long long code, std::string_view message) {
  return "{\"error_code\":" + std::to_string(code) + ",\"error_msg\":" + jsonQuote(message) + ",\"log_id\":" +
         logId() + ",\"timestamp\":" + timestamp() + ",\"cached\":0,\"result\":null}";
}

Reply faceSuccess(const std::string& resultJson) {
  return Reply::json("{\"error_code\":0,\"error_msg\":\"SUCCESS\",\"log_id\":" + logId() + ",\"timestamp\":" +
                     timestamp() + ",\"cached\":0,\"result\":" + resultJson + "}");
}

Reply faceFailure(long long code, std::string_view message) { return Reply::json(faceError(code, message)); }

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

// ---- Reply -----------------------------------------------------------------

Reply Reply::json(std::string body) {
  Reply r;
  r.body = std::move(body);
  return r;
}

Reply Reply::error(long long errorCode, std::string_view errorMessage) {
  return json("{\"error_code\":" + std::to_string(errorCode) + ",\"error_msg\":" + jsonQuote(errorMessage) +
              ",\"log_id\":" + logId() + "}");
}

Reply Reply::raw(int status, std::string body, std::string contentType) {
  Reply r;
  r.status = status;
  r.body = std::move(body);
  r.contentType = std::move(contentType);
  return r;
}

Reply Reply::dropped() {
  Reply r;
  r.cut = Cut::BeforeReply;
  return r;
}

Reply Reply::truncated(std::string body, std::size_t bytesSent) {
  Reply r = json(std::move(body));
  r.cut = Cut::InBody;
  r.bytesBeforeCut = std::min(bytesSent, r.body.size());
  return r;
}

Reply Reply::after(std::chrono::milliseconds wait) const {
  Reply r = *this;
  r.delay = wait;
  return r;
}

// ---- Request ---------------------------------------------------------------

std::string Request::header(std::string_view name) const {
  for (const auto& [key, value] : headers)
    if (equalsIgnoringCase(key, name)) return value;
  return {};
}

bool Request::hasHeader(std::string_view name) const {
  return std::any_of(headers.begin(), headers.end(), [&](const auto& h) { return equalsIgnoringCase(h.first, name); });
}

std::string Request::queryValue(std::string_view name) const { return formValue(query, name).value_or(""); }

Json Request::json() const { return Json::parse(body).value_or(Json{}); }

std::string Request::formImage() const { return formValue(body, "image").value_or(""); }

// ---- VisionStandIn ---------------------------------------------------------

VisionStandIn::VisionStandIn(Settings settings) : settings_(std::move(settings)) {}

VisionStandIn::~VisionStandIn() { stop(); }

bool VisionStandIn::start(int port) {
  if (server_) return false;
  auto server = std::make_unique<httplib::Server>();
  server->set_payload_max_length(256u << 20);
  server->set_keep_alive_timeout(2);
  const auto handler = [this](const httplib::Request& in, httplib::Response& out) { handle(in, out); };
  server->Get(".*", handler);
  server->Post(".*", handler);

  const int bound = port == 0 ? server->bind_to_any_port("127.0.0.1") : (server->bind_to_port("127.0.0.1", port) ? port : -1);
  if (bound <= 0) return false;

  server_ = std::move(server);
  port_ = bound;
  thread_ = std::thread([server = server_.get()] {
    // A client that goes away while a reply is written must not end the
    // process: the server's threads (this one and the pool it starts) keep
    // SIGPIPE blocked, so the write fails with EPIPE instead.
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
    server->listen_after_bind();
  });
  // stop() only takes effect once the server runs; wait for that.
  for (int i = 0; i < 2000 && !server_->is_running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return true;
}

void VisionStandIn::stop() {
  if (!server_) return;
  server_->stop();
  if (thread_.joinable()) thread_.join();
  server_.reset();
  port_ = 0;
}

bool VisionStandIn::running() const { return server_ != nullptr; }

int VisionStandIn::port() const { return port_; }

std::string VisionStandIn::host() const { return "http://127.0.0.1:" + std::to_string(port_); }

void VisionStandIn::enqueue(Endpoint endpoint, Reply reply) {
  std::lock_guard lock(mutex_);
  queues_[endpoint].push_back(std::move(reply));
}

void VisionStandIn::setRule(Endpoint endpoint, Rule rule) {
  std::lock_guard lock(mutex_);
  rules_[endpoint] = std::move(rule);
}

void VisionStandIn::clearScript() {
  std::lock_guard lock(mutex_);
  queues_.clear();
  rules_.clear();
}

Settings VisionStandIn::settings() const {
  std::lock_guard lock(mutex_);
  return settings_;
}

void VisionStandIn::setSettings(Settings settings) {
  std::lock_guard lock(mutex_);
  settings_ = std::move(settings);
}

void VisionStandIn::addFace(std::string groupId, std::string userId, std::string userInfo, std::string imageBase64) {
  std::lock_guard lock(mutex_);
  std::string token = faceTokenOf(imageBase64);
  faceSet_.push_back({std::move(groupId), std::move(userId), std::move(userInfo), std::move(imageBase64), std::move(token)});
}

void VisionStandIn::clearFaceSet() {
  std::lock_guard lock(mutex_);
  faceSet_.clear();
}

std::vector<Request> VisionStandIn::requests() const {
  std::lock_guard lock(mutex_);
  return received_;
}

std::vector<Request> VisionStandIn::requests(Endpoint endpoint) const {
  std::lock_guard lock(mutex_);
  std::vector<Request> out;
  for (const Request& r : received_)
    if (r.endpoint == endpoint) out.push_back(r);
  return out;
}

std::optional<Request> VisionStandIn::lastRequest(Endpoint endpoint) const {
  std::lock_guard lock(mutex_);
  for (auto it = received_.rbegin(); it != received_.rend(); ++it)
    if (it->endpoint == endpoint) return *it;
  return std::nullopt;
}

bool VisionStandIn::waitForRequests(std::size_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return arrived_.wait_for(lock, timeout, [&] { return received_.size() >= count; });
}

void VisionStandIn::clearRequests() {
  std::lock_guard lock(mutex_);
  received_.clear();
}

void VisionStandIn::handle(const httplib::Request& in, httplib::Response& out) {
  Request request;
  request.endpoint = endpointOf(in.path);
  request.method = in.method;
  request.path = in.path;
  if (const std::size_t q = in.target.find('?'); q != std::string::npos) request.query = in.target.substr(q + 1);
  for (const auto& [name, value] : in.headers)
    if (name != "REMOTE_ADDR" && name != "REMOTE_PORT" && name != "LOCAL_ADDR" && name != "LOCAL_PORT")
      request.headers.emplace_back(name, value);
  request.body = in.body;
  {
    std::lock_guard lock(mutex_);
    received_.push_back(request);
  }
  arrived_.notify_all();

  const Reply reply = replyTo(request);
  if (reply.delay.count() > 0) std::this_thread::sleep_for(reply.delay);

  switch (reply.cut) {
    case Reply::Cut::BeforeReply:
      shutDownConnection(in);
      out.status = 500;
      break;
    case Reply::Cut::InBody:
      out.status = reply.status;
      out.set_content_provider(reply.body.size(), reply.contentType,
                               [body = reply.body, sent = reply.bytesBeforeCut](std::size_t, std::size_t,
                                                                               httplib::DataSink& sink) {
                                 sink.write(body.data(), sent);
                                 return false;  // the server closes the connection here
                               });
      break;
    case Reply::Cut::None:
      out.status = reply.status;
      out.set_content(reply.body, reply.contentType);
      break;
  }
}

Reply VisionStandIn::replyTo(const Request& request) {
  Rule rule;
  {
    std::lock_guard lock(mutex_);
    if (auto& queue = queues_[request.endpoint]; !queue.empty()) {
      Reply scripted = std::move(queue.front());
      queue.pop_front();
      return scripted;
    }
    if (const auto it = rules_.find(request.endpoint); it != rules_.end()) rule = it->second;
  }
  if (rule) {
    if (std::optional<Reply> ruled = rule(request)) return *ruled;
  }
  std::lock_guard lock(mutex_);
  return defaultReply(request);
}

Reply VisionStandIn::defaultReply(const Request& request) {
  if (request.endpoint == Endpoint::Other) return Reply::error(3, "Unsupported openapi method");
  if (request.endpoint == Endpoint::Token) return tokenReply(request);

  if (settings_.checkToken && request.queryValue("access_token") != settings_.accessToken)
    return Reply::error(110, "Access token invalid or no longer valid");

  if (request.endpoint == Endpoint::GeneralText || request.endpoint == Endpoint::Plate) return ocrReply(request);

  const std::optional<Json> body = Json::parse(request.body);
  if (!body) return faceFailure(222200, "request body should be json format");
  switch (request.endpoint) {
    case Endpoint::Match: return matchReply(*body);
    case Endpoint::Search: return searchReply(*body);
    default: return userAddReply(*body);
  }
}

Reply VisionStandIn::tokenReply(const Request& request) const {
  if (request.queryValue("grant_type") != "client_credentials")
    return Reply::raw(400,
                      R"({"error":"unsupported_grant_type","error_description":"The authorization grant type is not supported"})",
                      "application/json");
  const std::string apiKey = request.queryValue("client_id");
  const std::string secretKey = request.queryValue("client_secret");
  const bool configured = !settings_.apiKey.empty() || !settings_.secretKey.empty();
  const bool accepted = configured ? apiKey == settings_.apiKey && secretKey == settings_.secretKey
                                   : !apiKey.empty() && !secretKey.empty();
  if (!accepted) {
    const char* reason = configured && apiKey != settings_.apiKey ? "unknown client id" : "Client authentication failed";
    return Reply::raw(401, std::string(R"({"error":"invalid_client","error_description":")") + reason + "\"}",
                      "application/json");
  }
  return Reply::json(R"({"refresh_token":"25.9f3e6a0d4c2b1e8f7a6d5c4b3a2f1e0d.315360000.2000000000.282335-10000000",)"
                     R"("expires_in":2592000,"session_key":"9mzdDZXu3dENdFZQurfg0Vz8slgSgvvOAUebNFzyzcpQ5EnbxbF+hfG9DQkpUVQdh4p6HbQcAiz5RmuBAja1JJGgIdJI",)"
                     R"("access_token":)" +
                     jsonQuote(settings_.accessToken) +
                     R"(,"scope":"public brain_all_scope vis-faceverify_faceverify_h5-face-liveness wise_adapt",)"
                     R"("session_secret":"2ca66d464545c77a4767f709873be4"})");
}

Reply VisionStandIn::matchReply(const Json& body) const {
  if (!body.isArray() || body.size() != 2) return faceFailure(222001, "param[image] is null");
  for (std::size_t i = 0; i < 2; ++i) {
    if (!body[i]["image"].isString()) return faceFailure(222001, "param[image] is null");
    if (body[i]["image"].text().empty()) return faceFailure(222202, "pic not has face");
  }
  const std::string& first = body[0]["image"].text();
  const std::string& second = body[1]["image"].text();
  const double score = first == second ? 100.0 : settings_.matchScore;
  return faceSuccess("{\"score\":" + numberText(score) + ",\"face_list\":[{\"face_token\":\"" + faceTokenOf(first) +
                     "\"},{\"face_token\":\"" + faceTokenOf(second) + "\"}]}");
}

Reply VisionStandIn::searchReply(const Json& body) const {
  const std::string& image = body["image"].text();
  const std::string& groups = body["group_id_list"].text();
  if (!body["image"].isString()) return faceFailure(222001, "param[image] is null");
  if (groups.empty()) return faceFailure(222001, "param[group_id_list] is null");
  if (image.empty()) return faceFailure(222202, "pic not has face");

  const auto listed = [&groups](const std::string& group) {
    std::string_view rest = groups;
    while (true) {
      const std::size_t comma = rest.find(',');
      if (rest.substr(0, comma) == group) return true;
      if (comma == std::string_view::npos) return false;
      rest.remove_prefix(comma + 1);
    }
  };
  const Face* hit = nullptr;
  double score = 0;
  for (const Face& face : faceSet_) {
    if (!listed(face.groupId)) continue;
    if (face.imageBase64 == image) {
      hit = &face;
      score = 100.0;
      break;
    }
    if (hit == nullptr) {
      hit = &face;
      score = settings_.lowScore;
    }
  }
  if (hit == nullptr) return faceFailure(222207, "match user is not found");
  return faceSuccess("{\"face_token\":\"" + faceTokenOf(image) + "\",\"user_list\":[{\"group_id\":" +
                     jsonQuote(hit->groupId) + ",\"user_id\":" + jsonQuote(hit->userId) +
                     ",\"user_info\":" + jsonQuote(hit->userInfo) + ",\"score\":" + numberText(score) + "}]}");
}

Reply VisionStandIn::userAddReply(const Json& body) {
  for (const char* required : {"image", "group_id", "user_id"})
    if (!body[required].isString() || (body[required].text().empty() && std::string_view(required) != "image"))
      return faceFailure(222001, std::string("param[") + required + "] is null");
  const std::string& image = body["image"].text();
  if (image.empty()) return faceFailure(222202, "pic not has face");
  const std::string& group = body["group_id"].text();
  for (const Face& face : faceSet_)
    if (face.groupId == group && face.imageBase64 == image) return faceFailure(223105, "face is already exist");

  const std::string token = faceTokenOf(image);
  faceSet_.push_back({group, body["user_id"].text(), body["user_info"].text(), image, token});
  return faceSuccess("{\"face_token\":\"" + token +
                     "\",\"location\":{\"left\":120.5,\"top\":96.2,\"width\":210,\"height\":214,\"rotation\":1}}");
}

Reply VisionStandIn::ocrReply(const Request& request) const {
  const std::optional<std::string> image = formValue(request.body, "image");
  if (!image || !isBase64(*image)) return Reply::error(216201, "image format error");
  if (image->empty()) return Reply::error(216200, "empty image");

  if (request.endpoint == Endpoint::Plate) {
    return Reply::json("{\"log_id\":" + logId() + ",\"words_result\":{\"color\":" + jsonQuote(settings_.plateColor) +
                       ",\"number\":" + jsonQuote(settings_.plateNumber) +
                       ",\"probability\":[0.9999,0.9998,0.9997,0.9999,0.9996,0.9998,0.9999],"
                       "\"vertexes_location\":[{\"x\":120,\"y\":300},{\"x\":380,\"y\":300},"
                       "{\"x\":380,\"y\":380},{\"x\":120,\"y\":380}]}}");
  }
  std::string lines;
  for (const std::string& line : settings_.textLines) {
    if (!lines.empty()) lines += ',';
    lines += "{\"words\":" + jsonQuote(line) + "}";
  }
  return Reply::json("{\"words_result\":[" + lines + "],\"words_result_num\":" +
                     std::to_string(settings_.textLines.size()) + ",\"log_id\":" + logId() + "}");
}

}  // namespace velmora::standin
