// The offline engine answering the vision service's requests over loopback.
#include <atomic>
#include <thread>
#include <vector>

#include "EngineFixture.h"
#include "engine/server/EngineRequests.h"
#include "vision/VisionClient.h"

namespace velmora::engine::testing {
namespace {

using contract::Endpoint;

TEST_F(EngineTest, HandsOutItsTokenForItsOwnKeysOnly) {
  const EngineKeys keys = engine->keys();
  VisionClient right([keys] { return ApiKeys{keys.apiKey, keys.secretKey}; }, engine->host());
  EXPECT_EQ(right.requestToken(), "1");
  EXPECT_EQ(right.accessToken(), keys.accessToken);

  VisionClient wrongSecret([keys] { return ApiKeys{keys.apiKey, "guess"}; }, engine->host());
  const Text refused = wrongSecret.requestToken();
  EXPECT_NE(refused.find("invalid_client"), Text::npos) << refused;
  EXPECT_TRUE(wrongSecret.accessToken().empty());

  EXPECT_EQ(post(Endpoint::Match, matchBody(sample(1), sample(1)))["error_code"].number(), 0);
  auto staleToken = client().Post(std::string(contract::pathOf(Endpoint::Match)) + "?access_token=old", "[]",
                                  "application/json");
  ASSERT_TRUE(staleToken);
  EXPECT_EQ(Json::parse(staleToken->body).value_or(Json{})["error_code"].number(), contract::kTokenInvalid.code);
}

TEST_F(EngineTest, MatchScoresTheLargestFacesThroughTheProgramsClient) {
  const EngineKeys keys = engine->keys();
  VisionClient vision([keys] { return ApiKeys{keys.apiKey, keys.secretKey}; }, engine->host());
  ASSERT_EQ(vision.requestToken(), "1");

  const Json same = Json::parse(vision.matchFaces(sample(3), reencoded(sample(3), 0.75))).value_or(Json{});
  EXPECT_EQ(same["error_code"].number(), 0) << same["error_msg"].text();
  EXPECT_GE(same["result"]["score"].number(), 80);
  EXPECT_LE(same["result"]["score"].number(), 100);
  const std::string first = same["result"]["face_list"][0]["face_token"].text();
  const std::string second = same["result"]["face_list"][1]["face_token"].text();
  EXPECT_EQ(first.size(), 32u);
  EXPECT_EQ(second.size(), 32u);
  EXPECT_NE(first, second);  // other bytes, other token

  const Json other = Json::parse(vision.matchFaces(sample(3), sample(2))).value_or(Json{});
  EXPECT_EQ(other["error_code"].number(), 0);
  EXPECT_LT(other["result"]["score"].number(), 80);
}

TEST_F(EngineTest, BadRequestsGetTheServicesErrorForm) {
  const std::string face = sample(3);
  struct Case {
    const char* what;
    Endpoint endpoint;
    std::string body;
    long long code;
  };
  const Case cases[] = {
      {"no face in the second picture", Endpoint::Match, matchBody(face, faceless()), contract::kNoFace.code},
      {"second picture is no picture", Endpoint::Match, matchBody(face, randomBytes(5000)),
       contract::kImageCheckFailed.code},
      {"image that is no Base64", Endpoint::Match, R"([{"image":"@@@"},{"image":"@@@"}])",
       contract::kImageCheckFailed.code},
      {"body that is no JSON", Endpoint::Match, "image=abc", contract::kBodyNotJson.code},
      {"one image object only", Endpoint::Match, "[" + imageObject(face) + "]", contract::kMissingParameter},
      {"image member missing", Endpoint::Match, R"([{"image_type":"BASE64"},{"image_type":"BASE64"}])",
       contract::kMissingParameter},
      {"search without groups", Endpoint::Search, imageObject(face), contract::kMissingParameter},
      {"search in unknown groups", Endpoint::Search, imageObject(face, R"(,"group_id_list":"nobody,none")"),
       contract::kUserNotFound.code},
      {"user add without user id", Endpoint::UserAdd, imageObject(face, R"(,"group_id":"zheng")"),
       contract::kMissingParameter},
      {"user add of a faceless picture", Endpoint::UserAdd,
       imageObject(faceless(), R"(,"group_id":"zheng","user_id":"x","user_info":"")"), contract::kNoFace.code},
  };
  for (const Case& c : cases) {
    const Json reply = post(c.endpoint, c.body);
    EXPECT_EQ(reply["error_code"].number(), c.code) << c.what;
    EXPECT_FALSE(reply["error_msg"].text().empty()) << c.what;
  }
}

TEST_F(EngineTest, RegisteredFacesAreFoundAgainAndKeptAcrossRestarts) {
  const std::string photo = sample(3);
  const std::string add = imageObject(photo, R"(,"group_id":"w","user_id":"u17","user_info":"李四 2024")");
  const Json added = post(Endpoint::UserAdd, add);
  ASSERT_EQ(added["error_code"].number(), 0) << added["error_msg"].text();
  EXPECT_EQ(added["result"]["face_token"].text().size(), 32u);
  EXPECT_EQ(post(Endpoint::UserAdd, add)["error_code"].number(), contract::kFaceAlreadyExists.code);

  const std::string probe = imageObject(reencoded(photo, 0.6), R"(,"group_id_list":"zheng,w,b")");
  const auto expectFound = [&](const Json& found) {
    ASSERT_EQ(found["error_code"].number(), 0) << found["error_msg"].text();
    const Json& best = found["result"]["user_list"][0];
    EXPECT_EQ(best["group_id"].text(), "w");
    EXPECT_EQ(best["user_id"].text(), "u17");
    EXPECT_EQ(best["user_info"].text(), "李四 2024");
    EXPECT_GE(best["score"].number(), 80);
    EXPECT_EQ(found["result"]["face_token"].text().size(), 32u);
  };
  expectFound(post(Endpoint::Search, probe));
  EXPECT_EQ(post(Endpoint::Search, imageObject(photo, R"(,"group_id_list":"zheng")"))["error_code"].number(),
            contract::kUserNotFound.code);

  // Someone else is still the best (and only) candidate, with a low score.
  const Json stranger = post(Endpoint::Search, imageObject(sample(2), R"(,"group_id_list":"w")"));
  ASSERT_EQ(stranger["error_code"].number(), 0);
  EXPECT_LT(stranger["result"]["user_list"][0]["score"].number(), 80);

  engine.reset();
  engine = openEngine();
  ASSERT_TRUE(engine);
  expectFound(post(Endpoint::Search, probe));
}

TEST_F(EngineTest, ReadsTextAndSaysPlatesAreNotRead) {
  const Json none = postText(Endpoint::GeneralText, faceless());
  EXPECT_FALSE(none.has("error_code"));
  EXPECT_EQ(none["words_result_num"].number(), 0);
  EXPECT_TRUE(none["words_result"].isArray());

  EXPECT_EQ(postText(Endpoint::GeneralText, randomBytes(3000))["error_code"].number(),
            contract::kOcrImageFormat.code);
  EXPECT_EQ(post(Endpoint::GeneralText, "image=", "application/x-www-form-urlencoded")["error_code"].number(),
            contract::kOcrEmptyImage.code);

  const Json plate = postText(Endpoint::Plate, sample(1));
  EXPECT_EQ(plate["error_code"].number(), kPlatesUnavailableCode);
  EXPECT_EQ(plate["error_msg"].text(), kPlatesUnavailableMessage);
}

TEST_F(EngineTest, HundredConcurrentRequestsAreAllAnswered) {
  const std::string face = reencoded(sample(3), 0.4);
  const std::string bodies[] = {matchBody(face, face), matchBody(face, randomBytes(2000)), "{not json",
                                matchBody(face, faceless())};
  std::atomic<int> answered{0}, scored{0};
  std::vector<std::thread> senders;
  for (int t = 0; t < 100; ++t) {
    senders.emplace_back([&, t] {
      const Json reply = post(Endpoint::Match, bodies[t % 4]);
      if (reply.has("error_code")) ++answered;
      if (reply["result"]["score"].number() >= 80) ++scored;
    });
  }
  for (std::thread& sender : senders) sender.join();
  EXPECT_EQ(answered.load(), 100);
  EXPECT_EQ(scored.load(), 25);
}

}  // namespace
}  // namespace velmora::engine::testing
