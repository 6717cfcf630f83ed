// VisionClient against the vision service stand-in on loopback.
#include <gtest/gtest.h>

#include <string>

#include "text/Codepage.h"
#include "tools/standin/VisionStandIn.h"
#include "vision/Base64.h"
#include "vision/RequestBodies.h"
#include "vision/VisionClient.h"

using namespace velmora;
using standin::Endpoint;
using standin::Reply;
using standin::VisionStandIn;

namespace {

class VisionClientTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(service.start()); }

  // A client whose key source hands out `keys` (read at every token request).
  VisionClient& client() {
    if (!client_) client_ = std::make_unique<VisionClient>([this] { ++keyReads; return keys; }, service.host());
    return *client_;
  }

  VisionClient& clientWithToken() {
    EXPECT_EQ(client().requestToken(), "1");
    return client();
  }

  std::string token() const { return service.settings().accessToken; }

  // Every request to endpoint gets reply until the script is cleared. A
  // client may send a request again after its kept-alive connection was
  // closed without a reply, so one scripted reply would not be enough.
  void answerAlways(Endpoint endpoint, const Reply& reply) {
    service.setRule(endpoint, [reply](const standin::Request&) { return std::optional<Reply>(reply); });
  }

  VisionStandIn service;
  ApiKeys keys{"api-key", "secret-key"};
  int keyReads = 0;

 private:
  std::unique_ptr<VisionClient> client_;
};

const Bytes kPicture1 = std::string("\xff\xd8\xff\xe0 first picture \x00\x01", 21);
const Bytes kPicture2 = "second picture bytes";

// ---- token ----------------------------------------------------------------

TEST_F(VisionClientTest, GoodTokenReplyGivesOneAndTheToken) {
  EXPECT_EQ(client().requestToken(), "1");
  EXPECT_EQ(client().accessToken(), token());

  const auto sent = service.lastRequest(Endpoint::Token);
  ASSERT_TRUE(sent);
  EXPECT_EQ(sent->method, "GET");
  EXPECT_EQ(sent->query, "grant_type=client_credentials&client_id=api-key&client_secret=secret-key");
}

TEST_F(VisionClientTest, KeysArePercentEncodedAndReadAtEveryRequest) {
  keys = {"k&client_id=x", gbk("密钥 =#")};
  client().requestToken();
  auto sent = service.lastRequest(Endpoint::Token);
  EXPECT_EQ(sent->queryValue("client_id"), "k&client_id=x");
  EXPECT_EQ(sent->queryValue("client_secret"), "密钥 =#");  // UTF-8 on the wire

  keys = {"new-key", "new-secret"};
  client().requestToken();
  EXPECT_EQ(service.lastRequest(Endpoint::Token)->queryValue("client_id"), "new-key");
  EXPECT_EQ(keyReads, 2);
}

TEST_F(VisionClientTest, TokenFailuresReturnTheReplyAndKeepTheToken) {
  const std::string earlier = clientWithToken().accessToken();
  const struct {
    const char* name;
    Reply reply;
    std::string expected;  // the result of requestToken
  } cases[] = {
      {"error object", Reply::raw(401, R"({"error":"invalid_client","error_description":"unknown client id"})"),
       R"({"error":"invalid_client","error_description":"unknown client id"})"},
      {"token as last member", Reply::json(R"({"expires_in":2592000,"access_token":"24.last"})"),
       R"({"expires_in":2592000,"access_token":"24.last"})"},
      {"mentioned only", Reply::json(R"({"error_msg":"no access_token given"})"),
       R"({"error_msg":"no access_token given"})"},
      {"empty token", Reply::json(R"({"access_token":"","scope":"s"})"), R"({"access_token":"","scope":"s"})"},
      {"HTML page", Reply::raw(502, "<html><body>502 Bad Gateway</body></html>"),
       "<html><body>502 Bad Gateway</body></html>"},
      {"empty reply", Reply::json(""), ""},
      {"closed connection", Reply::dropped(), ""},
  };
  for (const auto& c : cases) {
    answerAlways(Endpoint::Token, c.reply);
    EXPECT_EQ(client().requestToken(), c.expected) << c.name;
    EXPECT_EQ(client().accessToken(), earlier) << c.name;
  }
  service.clearScript();
  // Still usable afterwards.
  EXPECT_EQ(client().requestToken(), "1");
}

TEST_F(VisionClientTest, RefusedKeysFailTheTokenRequest) {
  standin::Settings settings;
  settings.apiKey = "right";
  settings.secretKey = "pair";
  service.setSettings(settings);
  EXPECT_NE(client().requestToken(), "1");
  EXPECT_TRUE(client().accessToken().empty());
  keys = {"right", "pair"};
  EXPECT_EQ(client().requestToken(), "1");
}

TEST_F(VisionClientTest, NoServiceGivesEmptyText) {
  const int port = service.port();
  service.stop();
  VisionClient offline({}, "http://127.0.0.1:" + std::to_string(port));
  EXPECT_EQ(offline.requestToken(), "");
  EXPECT_EQ(offline.matchFaces(kPicture1, kPicture2), "");
}

// ---- face requests ----------------------------------------------------------

TEST_F(VisionClientTest, MatchFacesPostsBothPicturesWithTheToken) {
  const Text reply = clientWithToken().matchFaces(kPicture1, kPicture2);
  EXPECT_NE(reply.find("\"score\":95.5"), Text::npos);

  const auto sent = service.lastRequest(Endpoint::Match);
  ASSERT_TRUE(sent);
  EXPECT_EQ(sent->method, "POST");
  EXPECT_EQ(sent->query, "access_token=" + token());
  EXPECT_EQ(sent->header("Content-Type"), "application/json");
  EXPECT_EQ(sent->body, matchBody(base64Encode(kPicture1), base64Encode(kPicture2)));
  EXPECT_EQ(sent->json()[0]["image"].text(), base64Encode(kPicture1));
  EXPECT_EQ(sent->json()[1]["image"].text(), base64Encode(kPicture2));
}

TEST_F(VisionClientTest, WithoutTokenTheServiceErrorComesBack) {
  const Text reply = client().matchFaces(kPicture1, kPicture2);
  EXPECT_NE(reply.find("\"error_code\":110"), Text::npos);
  EXPECT_EQ(service.lastRequest(Endpoint::Match)->query, "access_token=");
}

TEST_F(VisionClientTest, SearchFaceSendsTheGroupListUnchanged) {
  service.addFace("w", "u7", "info", base64Encode(kPicture1));
  const Text reply = clientWithToken().searchFace(kPicture1, "zheng,w,b");
  EXPECT_NE(reply.find("\"user_id\":\"u7\""), Text::npos);
  const auto sent = service.lastRequest(Endpoint::Search);
  EXPECT_EQ(sent->body, searchBody(base64Encode(kPicture1), "zheng,w,b"));
  EXPECT_EQ(sent->json()["group_id_list"].text(), "zheng,w,b");
}

TEST_F(VisionClientTest, AddUserSendsUtf8AndKeepsTextsInsideTheirMembers) {
  // GBK in the program, UTF-8 on the wire; the quote stays in user_info.
  const Text userInfo = gbk("张三 \"group_id\": \"zheng");
  const Text reply = clientWithToken().addUser(kPicture2, "u1", "w", userInfo);
  EXPECT_NE(reply.find("\"error_code\":0"), Text::npos);

  const auto sent = service.lastRequest(Endpoint::UserAdd);
  EXPECT_EQ(sent->header("Content-Type"), "application/json");
  EXPECT_EQ(sent->body, gbkToUtf8(userAddBody(base64Encode(kPicture2), "u1", "w", userInfo)));
  const standin::Json body = sent->json();
  EXPECT_EQ(body["user_info"].text(), "张三 \"group_id\": \"zheng");
  EXPECT_EQ(body["group_id"].text(), "w");
  EXPECT_EQ(body["user_id"].text(), "u1");

  // The reply comes back as GBK text.
  service.enqueue(Endpoint::UserAdd, Reply::error(223105, "该人脸已存在"));
  EXPECT_NE(client().addUser(kPicture2, "u1", "w", "x").find(gbk("该人脸已存在")), Text::npos);
}

// ---- text recognition ---------------------------------------------------------

TEST_F(VisionClientTest, RecognizeTextSendsTheEscapedFormBody) {
  VisionClient& vision = clientWithToken();
  vision.matchFaces(kPicture1, kPicture2);  // its JSON type must not carry over

  const Text reply = vision.recognizeText("abc", vision.endpoints().generalTextUrl());
  EXPECT_NE(reply.find("words_result_num"), Text::npos);
  const auto sent = service.lastRequest(Endpoint::GeneralText);
  EXPECT_EQ(sent->body, "image=%59%57%4A%6A");
  EXPECT_EQ(sent->query, "access_token=" + token());
  EXPECT_EQ(sent->header("Content-Type"), "application/x-www-form-urlencoded");

  const Text plate = vision.recognizeText(kPicture1, vision.endpoints().plateUrl());
  EXPECT_NE(plate.find(gbk("京A12345")), Text::npos);
  EXPECT_EQ(service.lastRequest(Endpoint::Plate)->formImage(), base64Encode(kPicture1));
}

TEST_F(VisionClientTest, BrokenRepliesComeBackAsTheyAre) {
  VisionClient& vision = clientWithToken();
  const std::string big(10 << 20, 'x');
  const struct {
    const char* name;
    Reply reply;
    std::string expected;
  } cases[] = {
      {"closed connection", Reply::dropped(), ""},
      {"HTML page", Reply::raw(500, "<html>Internal Server Error</html>"), "<html>Internal Server Error</html>"},
      {"10 MB reply", Reply::json("{\"error_msg\":\"" + big + "\"}"), "{\"error_msg\":\"" + big + "\"}"},
      {"slow reply", Reply::json(R"({"error_code":0})").after(std::chrono::milliseconds(200)), R"({"error_code":0})"},
  };
  for (const auto& c : cases) {
    answerAlways(Endpoint::Match, c.reply);
    const Text reply = vision.matchFaces(kPicture1, kPicture2);
    EXPECT_EQ(reply.size(), c.expected.size()) << c.name;
    EXPECT_TRUE(reply == c.expected) << c.name;
  }
  service.clearScript();
  EXPECT_NE(vision.matchFaces(kPicture1, kPicture2).find("\"error_code\":0"), Text::npos);
}

}  // namespace
