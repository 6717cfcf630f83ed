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

using contract::errorBody;
using contract::faceErrorBody;
using contract::formValue;
using contract::isBase64;
using contract::numberText;

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

Reply faceSuccess(const std::string& resultJson) { return Reply::json(contract::faceSuccessBody(resultJson)); }

Reply faceFailure(long long code, std::string_view message) { return Reply::json(faceErrorBody(code, message)); }

}  // namespace

// ---- Reply -----------------------------------------------------------------

Reply Reply::json(std::string body) {
  Reply r;
  r.body = std::move(body);
  return r;
}

Reply Reply::error(long long errorCode, std::string_view errorMessage) {
  return json(errorBody(errorCode, errorMessage));
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

VisionStandIn::VisionStandIn(Settings settings)
    : settings_(std::move(settings)),
      server_([this](const httplib::Request& in, httplib::Response& out) { handle(in, out); }) {}

VisionStandIn::~VisionStandIn() { stop(); }

bool VisionStandIn::start(int port) { return server_.start(port); }

void VisionStandIn::stop() { server_.stop(); }

bool VisionStandIn::running() const { return server_.running(); }

int VisionStandIn::port() const { return server_.port(); }

std::string VisionStandIn::host() const { return server_.host(); }

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
    return Reply::error(contract::kTokenInvalid.code, contract::kTokenInvalid.message);

  if (request.endpoint == Endpoint::GeneralText || request.endpoint == Endpoint::Plate) return ocrReply(request);

  const std::optional<Json> body = Json::parse(request.body);
  if (!body) return faceFailure(contract::kBodyNotJson.code, contract::kBodyNotJson.message);
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
    return Reply::raw(401, contract::oauthErrorBody("invalid_client", reason), "application/json");
  }
  return Reply::json(contract::tokenBody(settings_.accessToken));
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

  const std::vector<std::string> listedGroups = contract::splitGroupList(groups);
  const auto listed = [&listedGroups](const std::string& group) {
    return std::find(listedGroups.begin(), listedGroups.end(), group) != listedGroups.end();
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
    return Reply::json("{\"log_id\":" + contract::logId() + ",\"words_result\":{\"color\":" + jsonQuote(settings_.plateColor) +
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
                     std::to_string(settings_.textLines.size()) + ",\"log_id\":" + contract::logId() + "}");
}

}  // namespace velmora::standin
