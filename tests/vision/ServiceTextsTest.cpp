#include <gtest/gtest.h>

#include "text/Codepage.h"
#include "vision/ServiceEndpoints.h"
#include "vision/ServiceStatus.h"
#include "vision/TokenReply.h"

using namespace velmora;

TEST(DescribeErrorCode, TheKnownCodesAndNoOther) {
  const struct {
    const char* code;
    const char* description;  // UTF-8
  } cases[] = {
      {"222001", "必要参数未传入"}, {"223105", "该人脸已存在"}, {"223106", "该人脸已存在"},
      {"223114", "脸部不清晰"},     {"222202", "未检测到人脸"}, {"222207", ""},
      {"", ""},                     {"0", ""},                   {"\"222202\"", ""},
      {"222202 ", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(describeErrorCode(c.code), gbk(c.description)) << c.code;
}

TEST(ServiceStatus, StartsAsAFailureWithEmptyTexts) {
  const ServiceStatus status;
  EXPECT_EQ(status.success, 0);
  EXPECT_TRUE(status.errorCode.empty() && status.description.empty() && status.message.empty());
}

TEST(ServiceEndpoints, PathsBelowTheConfiguredHost) {
  const ServiceEndpoints real;
  EXPECT_EQ(real.url(kMatchPath), "https://aip.baidubce.com/rest/2.0/face/v3/match");
  EXPECT_EQ(real.generalTextUrl(), "https://aip.baidubce.com/rest/2.0/ocr/v1/general_basic");
  EXPECT_EQ(real.plateUrl(), "https://aip.baidubce.com/rest/2.0/ocr/v1/license_plate");

  const ServiceEndpoints local("http://127.0.0.1:8710/");
  EXPECT_EQ(local.withToken(kSearchPath, "T.1"), "http://127.0.0.1:8710/rest/2.0/face/v3/search?access_token=T.1");
  EXPECT_EQ(local.withToken(kUserAddPath, ""), "http://127.0.0.1:8710/rest/2.0/face/v3/faceset/user/add?access_token=");
  EXPECT_EQ(ServiceEndpoints("").host(), "https://aip.baidubce.com");
}

TEST(ServiceEndpoints, TokenUrlEncodesTheKeys) {
  const ServiceEndpoints local("http://127.0.0.1:8710");
  EXPECT_EQ(local.tokenUrl("Ab1-x", "s3cr"),
            "http://127.0.0.1:8710/oauth/2.0/token?grant_type=client_credentials&client_id=Ab1-x&client_secret=s3cr");
  // "&" and "=" in a key cannot add or cut query parameters.
  EXPECT_EQ(local.tokenUrl("a&b=c", gbk("密 钥")),
            "http://127.0.0.1:8710/oauth/2.0/token?grant_type=client_credentials&client_id=a%26b%3Dc"
            "&client_secret=%E5%AF%86+%E9%92%A5");
}

TEST(CutBetween, Cases) {
  const struct {
    const char* text;
    const char* left;
    const char* right;
    const char* result;
  } cases[] = {
      {"<a>x</a>", "<a>", "</a>", "x"},
      {"<a></a>", "<a>", "</a>", ""},
      {"no marker", "<a>", "</a>", ""},
      {"<a>no end", "<a>", "</a>", ""},
      {"</a><a>y</a>", "<a>", "</a>", "y"},  // right is searched after left
      {"<A>x</a>", "<a>", "</a>", ""},       // case-sensitive
      {"[x][y]", "[", "]", "x"},             // first occurrences
  };
  for (const auto& c : cases) EXPECT_EQ(cutBetween(c.text, c.left, c.right), c.result) << c.text;
}

TEST(AccessTokenOf, TokenOnlyInTheServiceForm) {
  const struct {
    const char* reply;
    const char* token;
  } cases[] = {
      {R"({"refresh_token":"r","expires_in":2592000,"access_token":"24.abc.2592000.1-1","scope":"s"})",
       "24.abc.2592000.1-1"},
      {R"({"error":"invalid_client","error_description":"unknown client id"})", ""},
      {R"({"expires_in":1,"access_token":"24.abc"})", ""},          // last member: no token cut
      {R"({"error_msg":"access_token missing","error_code":110})", ""},  // mentioned, not given
      {R"({"access_token":"","scope":"s"})", ""},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(accessTokenOf(c.reply), c.token) << c.reply;
}
