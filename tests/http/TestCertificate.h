#pragma once
// A self-signed certificate for 127.0.0.1 and localhost, made with the openssl
// command in a fresh temporary folder and removed with the object.
#include <cstdlib>
#include <filesystem>
#include <string>

namespace velmora::testing {

class TestCertificate {
 public:
  TestCertificate() {
    folder_ = std::filesystem::temp_directory_path() /
              ("velmora-cert-" + std::to_string(reinterpret_cast<std::uintptr_t>(this)) + "-" +
               std::to_string(std::rand()));
    std::filesystem::create_directories(folder_);
    const std::string command = "openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=localhost"
                                " -addext subjectAltName=IP:127.0.0.1,DNS:localhost"
                                " -keyout '" + keyFile() + "' -out '" + certFile() + "' >/dev/null 2>&1";
    ok_ = std::system(command.c_str()) == 0 && std::filesystem::exists(certFile());
  }
  ~TestCertificate() { std::filesystem::remove_all(folder_); }
  TestCertificate(const TestCertificate&) = delete;
  TestCertificate& operator=(const TestCertificate&) = delete;

  bool ok() const { return ok_; }
  std::string certFile() const { return (folder_ / "cert.pem").string(); }
  std::string keyFile() const { return (folder_ / "key.pem").string(); }

 private:
  std::filesystem::path folder_;
  bool ok_ = false;
};

}  // namespace velmora::testing
