#pragma once
// A loopback HTTP/1.1 server over plain sockets. It records every request
// exactly as it arrived on the wire and answers with whatever bytes the test
// scripts, so tests can check the client's requests byte for byte and feed it
// malformed replies. It counts the TCP connections it accepts.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace velmora::testing {

struct RawRequest {
  std::string head;  // request line and headers, through the empty line
  std::string body;

  std::string requestLine() const { return head.substr(0, head.find("\r\n")); }
  // True when the head holds exactly this header line ("Name: value").
  bool hasLine(const std::string& line) const { return head.find("\r\n" + line + "\r\n") != std::string::npos; }
  // The value of the first header called name (exact case), or "<none>".
  std::string header(const std::string& name) const {
    const auto pos = head.find("\r\n" + name + ":");
    if (pos == std::string::npos) return "<none>";
    auto start = pos + 3 + name.size();
    while (start < head.size() && head[start] == ' ') ++start;
    return head.substr(start, head.find("\r\n", start) - start);
  }
};

struct RawReply {
  std::string bytes;
  bool close = false;  // close the connection after sending
  bool hang = false;   // send nothing and keep the connection open
};

class RawServer {
 public:
  using Responder = std::function<RawReply(const RawRequest&)>;

  explicit RawServer(Responder responder) : responder_(std::move(responder)) {
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    int yes = 1;
    setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(listener_, 64);
    socklen_t length = sizeof address;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { run(); });
  }

  ~RawServer() {
    stop_ = true;
    thread_.join();
    close(listener_);
  }

  int port() const { return port_; }
  std::string url(const std::string& path = "/") const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }
  int accepted() const { return accepted_; }
  std::vector<RawRequest> requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
  }
  RawRequest lastRequest() const {
    std::lock_guard lock(mutex_);
    return requests_.empty() ? RawRequest{} : requests_.back();
  }

 private:
  struct Client {
    int fd;
    std::string input;
    bool hanging = false;
  };

  void run() {
    std::vector<Client> clients;
    while (!stop_) {
      std::vector<pollfd> fds{{listener_, POLLIN, 0}};
      for (const Client& c : clients) fds.push_back({c.fd, POLLIN, 0});
      if (poll(fds.data(), fds.size(), 20) <= 0) continue;
      if (fds[0].revents & POLLIN) {
        clients.push_back({accept(listener_, nullptr, nullptr), {}});
        ++accepted_;
      }
      for (std::size_t i = 1; i < fds.size(); ++i) {
        if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        Client& client = clients[i - 1];
        char buffer[65536];
        const ssize_t n = recv(client.fd, buffer, sizeof buffer, 0);
        if (n <= 0) {
          ::close(client.fd);
          client.fd = -1;
          continue;
        }
        client.input.append(buffer, static_cast<std::size_t>(n));
        serve(client);
      }
      std::erase_if(clients, [](const Client& c) { return c.fd < 0; });
    }
    for (const Client& c : clients) ::close(c.fd);
  }

  // Answers every complete request in the client's input.
  void serve(Client& client) {
    while (client.fd >= 0 && !client.hanging) {
      const auto headEnd = client.input.find("\r\n\r\n");
      if (headEnd == std::string::npos) return;
      RawRequest request{client.input.substr(0, headEnd + 4), {}};
      const std::size_t bodyLength = contentLength(request.head);
      if (client.input.size() < headEnd + 4 + bodyLength) return;
      request.body = client.input.substr(headEnd + 4, bodyLength);
      client.input.erase(0, headEnd + 4 + bodyLength);
      {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
      }
      const RawReply reply = responder_(request);
      if (reply.hang) {
        client.hanging = true;
        return;
      }
      sendAll(client.fd, reply.bytes);
      if (reply.close) {
        ::close(client.fd);
        client.fd = -1;
      }
    }
  }

  static std::size_t contentLength(const std::string& head) {
    const auto pos = head.find("\r\nContent-Length: ");
    return pos == std::string::npos ? 0 : std::stoul(head.substr(pos + 18));
  }

  static void sendAll(int fd, const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
      const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) return;
      sent += static_cast<std::size_t>(n);
    }
  }

  Responder responder_;
  int listener_ = -1;
  int port_ = 0;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<int> accepted_{0};
  mutable std::mutex mutex_;
  std::vector<RawRequest> requests_;
};

// A complete reply with a Content-Length.
inline std::string reply(const std::string& body, const std::string& extraHeaders = {},
                         const std::string& status = "200 OK") {
  return "HTTP/1.1 " + status + "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" + extraHeaders +
         "\r\n" + body;
}

}  // namespace velmora::testing
