// HTTPS against a loopback cpp-httplib server with a certificate the test
// makes: certificate errors are never ignored unless the caller asks.
#include <httplib.h>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

#include "http/HttpClient.h"
#include "http/Transport.h"
#include "tests/http/TestCertificate.h"

namespace velmora {
namespace {

class HttpsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(certificate_.ok());
    server_ = std::make_unique<httplib::SSLServer>(certificate_.certFile().c_str(),
                                                   certificate_.keyFile().c_str());
    ASSERT_TRUE(server_->is_valid());
    server_->Get("/hello", [this](const httplib::Request& request, httplib::Response& response) {
      ++requests_;
      response.set_content("secure " + request.get_header_value("Accept-Language"), "text/plain");
    });
    port_ = server_->bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    while (!server_->is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  void TearDown() override {
    if (server_) server_->stop();
    if (thread_.joinable()) thread_.join();
  }

  Text url(const Text& scheme = "https") const {
    return scheme + "://127.0.0.1:" + std::to_string(port_) + "/hello";
  }

  testing::TestCertificate certificate_;
  std::unique_ptr<httplib::SSLServer> server_;
  std::thread thread_;
  int port_ = 0;
  std::atomic<int> requests_{0};
};

TEST_F(HttpsTest, UnknownCertificateIsRejectedFromTheFirstRequestOn) {
  HttpClient client;
  for (int attempt = 0; attempt < 2; ++attempt) {
    ASSERT_TRUE(client.open("GET", url()));
    EXPECT_FALSE(client.send());
    EXPECT_EQ(client.responseText(), "");
    EXPECT_EQ(client.statusCode(), 0);
  }
  client.resetDefaults();
  ASSERT_TRUE(client.open("GET", url()));
  EXPECT_FALSE(client.send());
  EXPECT_EQ(requests_, 0);
}

TEST_F(HttpsTest, TrustedCertificateServesRequestsOverOneConnection) {
  HttpClient client;
  client.sessionHandle()->trustOnlyCaFile(certificate_.certFile());
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(client.open("GET", url("HTTPS")));
    ASSERT_TRUE(client.send());
    EXPECT_EQ(client.statusCode(), 200);
    EXPECT_EQ(client.responseText(), "secure zh-cn");
  }
  EXPECT_EQ(requests_, 3);

  // The same port over plain HTTP gets no valid reply.
  client.setTimeouts(0, 2000, 2000, 2000);
  ASSERT_TRUE(client.open("GET", url("http")));
  EXPECT_FALSE(client.send());
  EXPECT_EQ(client.responseText(), "");
}

TEST_F(HttpsTest, WrongHostNameIsRejectedEvenWithTheTrustedCertificate) {
  HttpClient client;
  client.sessionHandle()->trustOnlyCaFile(certificate_.certFile());
  ASSERT_TRUE(client.open("GET", "https://127.0.0.2:" + std::to_string(port_) + "/hello"));
  EXPECT_FALSE(client.send());
}

TEST_F(HttpsTest, CallerMayLetCertificateErrorsPassForOneRequest) {
  HttpClient client;
  ASSERT_TRUE(client.open("GET", url()));
  const int ignoreAll = securityFlag::ignoreUnknownCa | securityFlag::ignoreWrongUsage |
                        securityFlag::ignoreCommonNameInvalid | securityFlag::ignoreDateInvalid;
  ASSERT_TRUE(client.setOption(2, transportOption::securityFlags, ignoreAll, 4));
  ASSERT_TRUE(client.send());
  EXPECT_EQ(client.responseText(), "secure zh-cn");

  ASSERT_TRUE(client.open("GET", url()));
  EXPECT_FALSE(client.send());
}

}  // namespace
}  // namespace velmora
