// The vision service stand-in, driven over real HTTP by cpp-httplib's client.
#include <gtest/gtest.h>
#include <httplib.h>

#include "tools/standin/VisionStandIn.h"

using namespace velmora::standin;
using namespace std::chrono_literals;

namespace {

class StandInTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(service.start()); }

  httplib::Client client() {
    httplib::Client c("127.0.0.1", service.port());
    c.set_read_timeout(5, 0);
    return c;
  }

  std::string tokenQuery() const { return "?access_token=" + service.settings().accessToken; }

  httplib::Result post(Endpoint endpoint, const std::string& body, const std::string& query,
                       const char* type = "application/json") {
    return client().Post((std::string(pathOf(endpoint)) + query).c_str(), body, type);
  }

  static Json json(const httplib::Result& r) { return Json::parse(r->body).value_or(Json{}); }

  static std::string matchBody(const std::string& a, const std::string& b) {
    return R"([{"image": ")" + a + R"(","image_type": "BASE64"},{"image": ")" + b + R"(","image_type": "BASE64"}])";
  }

  VisionStandIn service;
};

TEST_F(StandInTest, TokenReplyForAcceptedKeysOnly) {
  auto good = client().Get("/oauth/2.0/token?grant_type=client_credentials&client_id=k&client_secret=s");
  ASSERT_TRUE(good);
  EXPECT_EQ(good->status, 200);
  // The token is followed directly by the next member, as the service writes it.
  EXPECT_NE(good->body.find("\"access_token\":\"" + service.settings().accessToken + "\",\""), std::string::npos);

  Settings keys;
  keys.apiKey = "api";
  keys.secretKey = "secret";
  service.setSettings(keys);
  for (const char* query : {"grant_type=client_credentials&client_id=k&client_secret=s",
                            "grant_type=client_credentials&client_id=api&client_secret=wrong",
                            "grant_type=client_credentials&client_id=&client_secret=",
                            "grant_type=password&client_id=api&client_secret=secret"}) {
    auto refused = client().Get((std::string("/oauth/2.0/token?") + query).c_str());
    ASSERT_TRUE(refused) << query;
    EXPECT_EQ(refused->body.find("access_token"), std::string::npos) << query;
    EXPECT_FALSE(json(refused)["error"].text().empty()) << query;
  }
  auto accepted = client().Get("/oauth/2.0/token?grant_type=client_credentials&client_id=api&client_secret=secret");
  EXPECT_NE(accepted->body.find("access_token"), std::string::npos);
}

TEST_F(StandInTest, FaceRequestsNeedTheIssuedToken) {
  for (const char* query : {"", "?access_token=", "?access_token=other"}) {
    auto r = post(Endpoint::Match, matchBody("QUFB", "QkJC"), query);
    ASSERT_TRUE(r);
    EXPECT_EQ(json(r)["error_code"].number(), 110) << query;
    EXPECT_FALSE(json(r)["error_msg"].text().empty());
  }
}

TEST_F(StandInTest, MatchScoresTwoPictures) {
  auto different = post(Endpoint::Match, matchBody("QUFB", "QkJC"), tokenQuery());
  ASSERT_TRUE(different);
  const Json reply = json(different);
  EXPECT_EQ(reply["error_code"].number(), 0);
  EXPECT_EQ(reply["error_msg"].text(), "SUCCESS");
  EXPECT_EQ(reply["result"]["score"].number(), 95.5);
  EXPECT_EQ(reply["result"]["face_list"][0]["face_token"].text().size(), 32u);
  EXPECT_NE(reply["result"]["face_list"][0]["face_token"].text(), reply["result"]["face_list"][1]["face_token"].text());

  EXPECT_EQ(json(post(Endpoint::Match, matchBody("QUFB", "QUFB"), tokenQuery()))["result"]["score"].number(), 100);
}

TEST_F(StandInTest, FaceErrorsOfTheService) {
  const struct {
    Endpoint endpoint;
    std::string body;
    double code;
  } cases[] = {
      {Endpoint::Match, "not json", 222200},
      {Endpoint::Match, "", 222200},
      {Endpoint::Match, R"([{"image":"QUFB"}])", 222001},
      {Endpoint::Match, matchBody("", "QUFB"), 222202},
      {Endpoint::Search, R"({"image":"QUFB"})", 222001},
      {Endpoint::Search, R"({"image":"","group_id_list":"w"})", 222202},
      {Endpoint::Search, R"({"image":"QUFB","group_id_list":"w"})", 222207},
      {Endpoint::UserAdd, R"({"image":"QUFB","group_id":"w"})", 222001},
      {Endpoint::UserAdd, R"({"image":"","group_id":"w","user_id":"u"})", 222202},
  };
  for (const auto& c : cases) {
    auto r = post(c.endpoint, c.body, tokenQuery());
    ASSERT_TRUE(r) << c.body;
    const Json reply = json(r);
    EXPECT_EQ(reply["error_code"].number(), c.code) << c.body;
    EXPECT_FALSE(reply["error_msg"].text().empty()) << c.body;
    EXPECT_TRUE(reply.has("result") && reply["result"].isNull()) << c.body;
  }
}

TEST_F(StandInTest, UserAddFillsTheFaceSetThatSearchReads) {
  const std::string add = R"({"image": "QUFB","group_id": "zheng","user_id": "u1","user_info": "张三 \"A\""})";
  auto added = post(Endpoint::UserAdd, add, tokenQuery());
  ASSERT_TRUE(added);
  EXPECT_EQ(json(added)["error_code"].number(), 0);
  EXPECT_FALSE(json(added)["result"]["face_token"].text().empty());
  EXPECT_EQ(json(post(Endpoint::UserAdd, add, tokenQuery()))["error_code"].number(), 223105);

  auto found = post(Endpoint::Search, R"({"image":"QUFB","group_id_list":"w,zheng"})", tokenQuery());
  const Json user = json(found)["result"]["user_list"][0];
  EXPECT_EQ(user["user_id"].text(), "u1");
  EXPECT_EQ(user["group_id"].text(), "zheng");
  EXPECT_EQ(user["user_info"].text(), "张三 \"A\"");
  EXPECT_EQ(user["score"].number(), 100);

  auto other = post(Endpoint::Search, R"({"image":"QkJC","group_id_list":"zheng"})", tokenQuery());
  EXPECT_EQ(json(other)["result"]["user_list"][0]["score"].number(), 35);
  EXPECT_EQ(json(post(Endpoint::Search, R"({"image":"QUFB","group_id_list":"b"})", tokenQuery()))["error_code"].number(),
            222207);
}

TEST_F(StandInTest, TextAndPlateRecognition) {
  const std::string form = "image=%51%55%46%42";  // "QUFB", every byte escaped
  const Json text = json(post(Endpoint::GeneralText, form, tokenQuery(), "application/x-www-form-urlencoded"));
  EXPECT_FALSE(text.has("error_code"));
  EXPECT_EQ(text["words_result_num"].number(), 2);
  EXPECT_EQ(text["words_result"][1]["words"].text(), "stand-in");

  const Json plate = json(post(Endpoint::Plate, form, tokenQuery(), "application/x-www-form-urlencoded"));
  EXPECT_EQ(plate["words_result"]["color"].text(), "blue");
  EXPECT_EQ(plate["words_result"]["number"].text(), "京A12345");

  EXPECT_EQ(json(post(Endpoint::Plate, "image=", tokenQuery()))["error_code"].number(), 216200);
  EXPECT_EQ(json(post(Endpoint::GeneralText, "picture=QUFB", tokenQuery()))["error_code"].number(), 216201);
  EXPECT_EQ(json(post(Endpoint::GeneralText, form, ""))["error_code"].number(), 110);
}

TEST_F(StandInTest, QueueThenRuleThenDefault) {
  service.enqueue(Endpoint::Match, Reply::error(222202, "pic not has face"));
  service.enqueue(Endpoint::Match, Reply::raw(502, "<html><body>Bad Gateway</body></html>"));
  service.setRule(Endpoint::Match, [](const Request& r) -> std::optional<Reply> {
    if (r.json()[0]["image"].text() == "UlVMRQ==") return Reply::json(R"({"error_code":0,"result":{"score":12.5}})");
    return std::nullopt;
  });
  const std::string body = matchBody("UlVMRQ==", "QUFB");

  auto first = post(Endpoint::Match, body, tokenQuery());
  EXPECT_EQ(json(first)["error_code"].number(), 222202);
  auto second = post(Endpoint::Match, body, tokenQuery());
  EXPECT_EQ(second->status, 502);
  EXPECT_EQ(second->get_header_value("Content-Type"), "text/html");
  EXPECT_EQ(json(post(Endpoint::Match, body, tokenQuery()))["result"]["score"].number(), 12.5);
  EXPECT_EQ(json(post(Endpoint::Match, matchBody("QUFB", "QkJC"), tokenQuery()))["result"]["score"].number(), 95.5);
  // Other endpoints keep their own behaviour.
  EXPECT_EQ(json(post(Endpoint::Search, "{}", tokenQuery()))["error_code"].number(), 222001);

  service.clearScript();
  EXPECT_EQ(json(post(Endpoint::Match, body, tokenQuery()))["result"]["score"].number(), 95.5);
}

TEST_F(StandInTest, CutConnections) {
  service.enqueue(Endpoint::Match, Reply::dropped());
  auto dropped = post(Endpoint::Match, matchBody("QUFB", "QkJC"), tokenQuery());
  EXPECT_FALSE(dropped);

  service.enqueue(Endpoint::Search, Reply::truncated(R"({"error_code":0,"result":{"face_token":"abc"}})", 10));
  auto truncated = post(Endpoint::Search, "{}", tokenQuery());
  EXPECT_TRUE(!truncated || truncated->body.size() < 20);

  // The stand-in keeps serving after both.
  auto after = post(Endpoint::Match, matchBody("QUFB", "QkJC"), tokenQuery());
  ASSERT_TRUE(after);
  EXPECT_EQ(json(after)["error_code"].number(), 0);
}

TEST_F(StandInTest, DelayedReply) {
  service.enqueue(Endpoint::Token, Reply::json(R"({"access_token":"late","scope":"s"})").after(300ms));
  const auto start = std::chrono::steady_clock::now();
  auto r = client().Get("/oauth/2.0/token");
  ASSERT_TRUE(r);
  EXPECT_GE(std::chrono::steady_clock::now() - start, 300ms);
  EXPECT_EQ(json(r)["access_token"].text(), "late");
}

TEST_F(StandInTest, RecordsEveryRequest) {
  httplib::Headers headers = {{"X-Probe", "1"}};
  client().Get("/oauth/2.0/token?grant_type=client_credentials&client_id=a%26b&client_secret=s", headers);
  post(Endpoint::UserAdd, R"({"image":"QUFB"})", tokenQuery());
  client().Post("/unknown/path", "x", "text/plain");

  ASSERT_TRUE(service.waitForRequests(3, 2s));
  const std::vector<Request> all = service.requests();
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ(all[0].endpoint, Endpoint::Token);
  EXPECT_EQ(all[0].method, "GET");
  EXPECT_EQ(all[0].path, "/oauth/2.0/token");
  EXPECT_EQ(all[0].query, "grant_type=client_credentials&client_id=a%26b&client_secret=s");
  EXPECT_EQ(all[0].queryValue("client_id"), "a&b");
  EXPECT_EQ(all[0].header("x-probe"), "1");

  const auto add = service.lastRequest(Endpoint::UserAdd);
  ASSERT_TRUE(add);
  EXPECT_EQ(add->method, "POST");
  EXPECT_EQ(add->header("Content-Type"), "application/json");
  EXPECT_EQ(add->body, R"({"image":"QUFB"})");
  EXPECT_EQ(add->json()["image"].text(), "QUFB");

  EXPECT_EQ(all[2].endpoint, Endpoint::Other);
  EXPECT_EQ(service.requests(Endpoint::Match).size(), 0u);
  service.clearRequests();
  EXPECT_TRUE(service.requests().empty());
}

TEST_F(StandInTest, UnknownPathGetsTheServiceError) {
  auto r = client().Post("/rest/2.0/face/v3/unknown", "{}", "application/json");
  ASSERT_TRUE(r);
  EXPECT_EQ(json(r)["error_code"].number(), 3);
}

TEST(StandInJson, ReadsWhatTheServiceReads) {
  const auto doc = Json::parse(R"( {"a":[1,-2.5e1,true,null,"x\"\u4e2d\ud83d\ude00"],"b":{}} )");
  ASSERT_TRUE(doc);
  EXPECT_EQ((*doc)["a"][1].number(), -25);
  EXPECT_TRUE((*doc)["a"][2].flag());
  EXPECT_TRUE((*doc)["a"][3].isNull());
  EXPECT_EQ((*doc)["a"][4].text(), "x\"中😀");
  EXPECT_TRUE((*doc)["b"].isObject());
  EXPECT_TRUE((*doc)["missing"]["deeper"][3].isNull());
  for (const char* bad : {"", "{", "[1,]", "{\"a\" 1}", "\"tab\there\"", "01x", "[1] 2", "{\"a\":tru}"})
    EXPECT_FALSE(Json::parse(bad)) << bad;
  EXPECT_FALSE(Json::parse(std::string(100000, '[')));  // too deep: refused, no crash
  EXPECT_EQ(jsonQuote("a\"b\\c\n"), R"("a\"b\\c\n")");
}

TEST(StandInLifecycle, StopsAndStartsAgain) {
  VisionStandIn service;
  ASSERT_TRUE(service.start());
  const int port = service.port();
  EXPECT_EQ(service.host(), "http://127.0.0.1:" + std::to_string(port));
  EXPECT_FALSE(service.start());  // already running
  service.stop();
  EXPECT_FALSE(service.running());
  httplib::Client c("127.0.0.1", port);
  c.set_connection_timeout(1, 0);
  EXPECT_FALSE(c.Get("/oauth/2.0/token"));
  ASSERT_TRUE(service.start());
  EXPECT_TRUE(httplib::Client("127.0.0.1", service.port()).Get("/oauth/2.0/token"));
}

}  // namespace
