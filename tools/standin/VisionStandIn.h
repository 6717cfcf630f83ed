#pragma once
// VisionStandIn: a stand-in of the cloud vision service on loopback, over
// cpp-httplib. It answers every endpoint the system uses (OAuth token, face
// match, face search, face-set user add, general text and plate recognition)
// in the service's reply form, and records every request it receives.
//
// Typical use in a test:
//
//   velmora::standin::VisionStandIn service;          // default behaviour
//   ASSERT_TRUE(service.start());                     // a free port on 127.0.0.1
//   config "Host" = service.host();                   // "http://127.0.0.1:<port>"
//
//   service.enqueue(Endpoint::Match, Reply::error(222202, "pic not has face"));
//   service.enqueue(Endpoint::Match, Reply::dropped());          // then a cut connection
//   service.setRule(Endpoint::Search, [](const Request& r) -> std::optional<Reply> {
//     if (r.json()["group_id_list"].text() == "w") return Reply::json(R"({"error_code":0})");
//     return std::nullopt;                                        // default behaviour
//   });
//   ... run the code under test ...
//   auto sent = service.lastRequest(Endpoint::Match);
//   EXPECT_EQ(sent->header("Content-Type"), "application/json");
//   EXPECT_EQ(sent->json()[1]["image"].text(), expectedBase64);
//
// How a request is answered, per endpoint: the first scripted reply of that
// endpoint's queue (each is used once), else the endpoint's rule when it gives
// a reply, else the default behaviour below. A reply can come after a delay,
// be cut before anything is sent (the client sees the connection close), or
// be cut part way through its body. Note that an HTTP client may send a
// request again when its kept-alive connection closes without a reply (libcurl
// does, once): to make every attempt fail, answer with a rule, not one
// scripted reply.
//
// Default behaviour (Settings):
// - Token: with grant_type=client_credentials and an accepted key pair (the
//   configured apiKey/secretKey, or any two non-empty keys when none are
//   configured) the reply is {"refresh_token":...,"expires_in":2592000,
//   "session_key":...,"access_token":"<accessToken>","scope":...,
//   "session_secret":...}; otherwise an OAuth error object
//   {"error":"invalid_client","error_description":...} without access_token.
// - Every other endpoint first checks the access_token query (unless
//   checkToken is off): another token gives error 110.
// - Face replies carry "error_code" 0, "error_msg" "SUCCESS", "log_id",
//   "timestamp", "cached" and "result"; errors carry "error_code", "error_msg"
//   and "log_id" with "result" null. A body that is no JSON: 222200; a
//   missing member: 222001; an empty image: 222202.
// - Match: "result": {"score": matchScore (100 for two identical pictures),
//   "face_list": [{"face_token"}, {"face_token"}]}.
// - User add: stores the face in the stand-in's face set; the same picture
//   again in the same group gives 223105. "result": {"face_token",
//   "location"}.
// - Search: looks in the listed groups of the face set; a stored picture
//   identical to the searched one scores 100, otherwise the group's first
//   user scores lowScore; no user in those groups gives 222207. "result":
//   {"face_token", "user_list": [{"group_id","user_id","user_info","score"}]}.
// - General text: {"log_id","words_result_num","words_result":[{"words"}...]}
//   from textLines; plate: {"log_id","words_result":{"color","number",
//   "probability","vertexes_location"}} from plateColor and plateNumber. An
//   empty image gives 216200, a body that is not "image=<Base64>" 216201.
// - Any other path: error 3 "Unsupported openapi method".
//
// All methods are safe to call from any thread while the stand-in runs;
// rules run on the server's threads and may call the stand-in.
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "engine/contract/Json.h"
#include "engine/contract/LoopbackServer.h"
#include "engine/contract/ServiceContract.h"

namespace httplib {
struct Request;
struct Response;
}  // namespace httplib

namespace velmora::standin {

using contract::Endpoint;
using contract::endpointOf;
using contract::Json;
using contract::jsonQuote;
using contract::pathOf;

struct Reply {
  enum class Cut {
    None,        // the whole reply is sent
    BeforeReply, // the connection is closed without a byte of reply
    InBody,      // headers announce the whole body, bytesBeforeCut follow, then the close
  };

  int status = 200;
  std::string body;
  std::string contentType = "application/json;charset=utf-8";
  std::chrono::milliseconds delay{0};
  Cut cut = Cut::None;
  std::size_t bytesBeforeCut = 0;

  // A 200 reply with this JSON text (UTF-8) as its body.
  static Reply json(std::string body);
  // A face or OCR error reply: {"error_code":code,"error_msg":message,"log_id":...}.
  static Reply error(long long errorCode, std::string_view errorMessage);
  // Any status, body and content type, e.g. an HTML error page.
  static Reply raw(int status, std::string body, std::string contentType = "text/html");
  // The connection is closed without a reply.
  static Reply dropped();
  // The body is announced whole but the connection closes after bytesSent bytes.
  static Reply truncated(std::string body, std::size_t bytesSent);

  // The same reply, sent after waiting this long.
  Reply after(std::chrono::milliseconds wait) const;
};

// One request as the stand-in received it.
struct Request {
  Endpoint endpoint = Endpoint::Other;
  std::string method;
  std::string path;
  std::string query;  // the raw query, without "?"
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;   // the bytes as received

  // The header's value (name compared without case), empty when absent.
  std::string header(std::string_view name) const;
  bool hasHeader(std::string_view name) const;
  // A query parameter, percent-decoded; empty when absent.
  std::string queryValue(std::string_view name) const;
  // The body read as JSON (null when it is not JSON).
  Json json() const;
  // The "image" of a form body, percent-decoded ("" when there is none).
  std::string formImage() const;
};

using Rule = std::function<std::optional<Reply>(const Request&)>;

struct Settings {
  std::string apiKey;     // with secretKey: the only key pair accepted; both empty: any non-empty pair
  std::string secretKey;
  std::string accessToken = "24.5b4fc1d0e8a7f36c2e9d1a8b7c6f5e4d.2592000.1700000000.282335-10000000";
  bool checkToken = true;
  double matchScore = 95.5;  // match of two different pictures
  double lowScore = 35.0;    // search hit of a user whose stored picture differs
  std::vector<std::string> textLines = {"Velmora", "stand-in"};
  std::string plateColor = "blue";
  std::string plateNumber = "京A12345";
};

class VisionStandIn {
 public:
  explicit VisionStandIn(Settings settings = {});
  ~VisionStandIn();
  VisionStandIn(const VisionStandIn&) = delete;
  VisionStandIn& operator=(const VisionStandIn&) = delete;

  // Listens on 127.0.0.1; port 0 lets the system choose a free port. False
  // when the port cannot be bound or the stand-in already runs.
  bool start(int port = 0);
  // Stops listening and waits for the server thread. Also done on destruction.
  void stop();
  bool running() const;
  int port() const;
  // "http://127.0.0.1:<port>", the value for "Host" in config.ini.
  std::string host() const;

  // Scripted replies and rules, per endpoint.
  void enqueue(Endpoint endpoint, Reply reply);
  void setRule(Endpoint endpoint, Rule rule);
  void clearScript();  // queues and rules of every endpoint

  Settings settings() const;
  void setSettings(Settings settings);

  // The face set that user add fills and search reads.
  void addFace(std::string groupId, std::string userId, std::string userInfo, std::string imageBase64);
  void clearFaceSet();

  // Every request received, oldest first.
  std::vector<Request> requests() const;
  std::vector<Request> requests(Endpoint endpoint) const;
  std::optional<Request> lastRequest(Endpoint endpoint) const;
  // Waits until at least count requests have arrived in all; false on timeout.
  bool waitForRequests(std::size_t count, std::chrono::milliseconds timeout) const;
  void clearRequests();

 private:
  struct Face {
    std::string groupId, userId, userInfo, imageBase64, faceToken;
  };

  void handle(const httplib::Request& in, httplib::Response& out);
  Reply replyTo(const Request& request);
  // The default behaviour; called with mutex_ held.
  Reply defaultReply(const Request& request);
  Reply tokenReply(const Request& request) const;
  Reply matchReply(const Json& body) const;
  Reply searchReply(const Json& body) const;
  Reply userAddReply(const Json& body);
  Reply ocrReply(const Request& request) const;

  mutable std::mutex mutex_;
  mutable std::condition_variable arrived_;
  Settings settings_;
  std::map<Endpoint, std::deque<Reply>> queues_;
  std::map<Endpoint, Rule> rules_;
  std::vector<Request> received_;
  std::vector<Face> faceSet_;

  contract::LoopbackServer server_;
};

}  // namespace velmora::standin
