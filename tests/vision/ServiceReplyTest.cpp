// checkServiceReply on the replies the service gives and on broken ones, and
// end to end with VisionClient against the stand-in.
#include <gtest/gtest.h>

#include "text/Codepage.h"
#include "tools/standin/VisionStandIn.h"
#include "vision/ServiceReply.h"
#include "vision/VisionClient.h"

using namespace velmora;
using standin::Endpoint;
using standin::Reply;

namespace {

struct Expected {
  std::int32_t success;
  const char* errorCode;
  const char* description;  // UTF-8
  const char* message;      // UTF-8
};

void expectStatus(const ServiceStatus& status, const Expected& e, const std::string& name) {
  EXPECT_EQ(status.success, e.success) << name;
  EXPECT_EQ(status.errorCode, e.errorCode) << name;
  EXPECT_EQ(status.description, gbk(e.description)) << name;
  EXPECT_EQ(status.message, gbk(e.message)) << name;
}

TEST(CheckServiceReply, FailedReplies) {
  const struct {
    const char* name;
    const char* reply;  // UTF-8, as the program holds it after GBK conversion
    Expected expected;
  } cases[] = {
      {"no face", R"({"error_code":222202,"error_msg":"pic not has face","log_id":1,"result":null})",
       {0, "222202", "未检测到人脸", "pic not has face"}},
      {"missing parameter", R"({"error_code":222001,"error_msg":"param[image] is null"})",
       {0, "222001", "必要参数未传入", "param[image] is null"}},
      {"face exists", R"({"error_code":223105,"error_msg":"face is already exist"})",
       {0, "223105", "该人脸已存在", "face is already exist"}},
      {"face exists too", R"({"error_code":223106,"error_msg":"face is already exist"})",
       {0, "223106", "该人脸已存在", "face is already exist"}},
      {"unclear face", R"({"error_code":223114,"error_msg":"face is fuzzy"})",
       {0, "223114", "脸部不清晰", "face is fuzzy"}},
      {"code not in the table", R"({"error_code":110,"error_msg":"Access token invalid or no longer valid"})",
       {0, "110", "", "Access token invalid or no longer valid"}},
      {"Chinese message", R"({"error_code":222207,"error_msg":"未找到匹配的用户"})",
       {0, "222207", "", "未找到匹配的用户"}},
      {"code as a string", R"({"error_code":"222202","error_msg":"pic not has face"})",
       {0, "222202", "未检测到人脸", "pic not has face"}},
      {"empty reply", "", {0, "", "", ""}},
      {"HTML page", "<html><body><h1>502 Bad Gateway</h1></body></html>", {0, "", "", ""}},
      {"no error_code", R"({"result":{"score":99}})", {0, "", "", ""}},
      {"message only", R"({"error_msg":"service busy"})", {0, "", "", "service busy"}},
      {"token reply", R"({"access_token":"24.x","scope":"s"})", {0, "", "", ""}},
      {"cut reply", R"({"error_code":222202,"error_msg":"pic no)", {0, "", "", ""}},
  };
  for (const auto& c : cases) {
    JsonDocument document;
    ServiceStatus status{1, "stale", "stale", "stale"};
    checkServiceReply(document, gbk(c.reply), status);
    expectStatus(status, c.expected, c.name);
  }
}

TEST(CheckServiceReply, SuccessKeepsTheLastFailure) {
  JsonDocument document;
  ServiceStatus status;
  checkServiceReply(document, R"({"error_code":222202,"error_msg":"pic not has face"})", status);
  expectStatus(status, {0, "222202", "未检测到人脸", "pic not has face"}, "failure");

  for (const char* success : {R"({"error_code":0,"error_msg":"SUCCESS","result":{"score":97.5}})",
                              R"({"error_code":"0","error_msg":"SUCCESS"})"}) {
    checkServiceReply(document, success, status);
    expectStatus(status, {1, "222202", "未检测到人脸", "pic not has face"}, success);
  }
  // The reply stays in the document for the caller to read.
  checkServiceReply(document, R"({"error_code":0,"result":{"score":97.5}})", status);
  EXPECT_EQ(document.getText("result.score"), "97.5");
}

TEST(CheckServiceReply, TenMegabyteReplies) {
  JsonDocument document;
  ServiceStatus status;
  const std::string big(10 << 20, 'x');
  checkServiceReply(document, R"({"error_code":222202,"error_msg":")" + big + "\"}", status);
  EXPECT_EQ(status.success, 0);
  EXPECT_EQ(status.errorCode, "222202");
  EXPECT_EQ(status.message.size(), big.size());

  checkServiceReply(document, big, status);
  expectStatus(status, {0, "", "", ""}, "10 MB of junk");
}

// The road of a face workflow: request, check, read further members.
TEST(CheckServiceReply, WithTheClientAgainstTheStandIn) {
  standin::VisionStandIn service;
  ASSERT_TRUE(service.start());
  VisionClient vision([] { return ApiKeys{"k", "s"}; }, service.host());
  ASSERT_EQ(vision.requestToken(), "1");
  JsonDocument document;
  ServiceStatus status;

  checkServiceReply(document, vision.matchFaces("picture one", "picture two"), status);
  EXPECT_EQ(status.success, 1);
  EXPECT_EQ(document.getText("result.score"), "95.5");
  EXPECT_EQ(document.getText("result['face_list'][1]['face_token']").size(), 32u);

  service.enqueue(Endpoint::UserAdd, Reply::error(223105, "该人脸已存在"));
  checkServiceReply(document, vision.addUser("face", "u1", "w", gbk("信息")), status);
  expectStatus(status, {0, "223105", "该人脸已存在", "该人脸已存在"}, "user add");

  service.setRule(Endpoint::Search, [](const standin::Request&) { return std::optional<Reply>(Reply::dropped()); });
  checkServiceReply(document, vision.searchFace("face", "zheng,w,b"), status);
  expectStatus(status, {0, "", "", ""}, "closed connection");
  service.clearScript();

  service.addFace("w", "u9", "someone", "ZmFjZQ==");  // Base64 of "face"
  checkServiceReply(document, vision.searchFace("face", "zheng,w,b"), status);
  EXPECT_EQ(status.success, 1);
  EXPECT_EQ(document.getText("result['user_list'][0]['user_id']"), "u9");
  EXPECT_EQ(status.errorCode, "");  // the last failure was the closed connection
}

}  // namespace
