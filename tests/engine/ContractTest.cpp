// The request decoding every server of the contract relies on.
#include <gtest/gtest.h>

#include <httplib.h>

#include "engine/contract/LoopbackServer.h"
#include "engine/contract/ServiceContract.h"

namespace velmora::contract {
namespace {

TEST(ContractTest, Base64DecodingTable) {
  struct Case {
    const char* text;
    std::optional<std::string> bytes;
  };
  const Case cases[] = {
      {"", std::string()},
      {"TQ==", std::string("M")},
      {"TWE=", std::string("Ma")},
      {"TWFu", std::string("Man")},
      {"TWFuTQ", std::string("ManM")},  // padding may be left out
      {"/w==", std::string("\xFF")},
      {"TWFu\n", std::nullopt},  // no line breaks
      {"TW@u", std::nullopt},
      {"TWFuT", std::nullopt},  // cut inside a byte
  };
  for (const Case& c : cases) EXPECT_EQ(base64Decode(c.text), c.bytes) << c.text;
}

TEST(ContractTest, FormValuesAndGroupLists) {
  EXPECT_EQ(formValue("a=1&image=x%2By%3D&b=", "image"), "x+y=");
  EXPECT_EQ(formValue("a=1&b=", "b"), "");
  EXPECT_EQ(formValue("a=1", "image"), std::nullopt);
  EXPECT_EQ(percentDecode("%e4%B8%AD+%zz%4"), "\xE4\xB8\xAD %zz%4");
  EXPECT_EQ(splitGroupList("zheng,w,b"), (std::vector<std::string>{"zheng", "w", "b"}));
  EXPECT_EQ(splitGroupList(" w ,,b,"), (std::vector<std::string>{"w", "b"}));
  EXPECT_TRUE(splitGroupList("").empty());
}

// Pictures reach text recognition as large form bodies; they must arrive
// whole, whatever their type, and only on loopback.
TEST(ContractTest, LoopbackServerTakesLargeFormBodies) {
  LoopbackServer server([](const httplib::Request& in, httplib::Response& out) {
    out.set_content(in.method + " " + in.path + " " + std::to_string(in.body.size()), "text/plain");
  });
  ASSERT_TRUE(server.start(0));
  EXPECT_EQ(server.host(), "http://127.0.0.1:" + std::to_string(server.port()));
  httplib::Client client("127.0.0.1", server.port());
  const std::string form = "image=" + std::string(3'000'000, 'A');
  for (const char* type : {"application/x-www-form-urlencoded", "application/json", "text/plain"}) {
    const auto reply = client.Post("/rest/2.0/ocr/v1/general_basic", form, type);
    ASSERT_TRUE(reply) << type;
    EXPECT_EQ(reply->status, 200) << type;
    EXPECT_EQ(reply->body, "POST /rest/2.0/ocr/v1/general_basic 3000006") << type;
  }
  EXPECT_EQ(client.Get("/x")->body, "GET /x 0");
  server.stop();
  EXPECT_FALSE(server.running());
}

}  // namespace
}  // namespace velmora::contract
