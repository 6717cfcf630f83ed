#pragma once
// An HTTP server on 127.0.0.1 (cpp-httplib) that hands every GET and POST to
// one handler, on the server's own threads. It runs the listening loop on a
// thread of its own with SIGPIPE blocked, so a client that goes away while a
// reply is written cannot end the process. Used by the test stand-in and by
// the offline engine.
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

namespace velmora::contract {

class LoopbackServer {
 public:
  using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;

  // Bodies above maxBodyBytes are refused by the server with 413.
  explicit LoopbackServer(Handler handler, std::size_t maxBodyBytes = std::size_t{256} << 20);
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  // Listens on 127.0.0.1; port 0 lets the system choose a free port. False
  // when the port cannot be bound or the server already runs.
  bool start(int port = 0);
  // Stops listening and waits for the server's threads. Also done on destruction.
  void stop();
  bool running() const { return server_ != nullptr; }
  int port() const { return port_; }
  // "http://127.0.0.1:<port>", the value for "Host" in config.ini.
  std::string host() const;

 private:
  Handler handler_;
  std::size_t maxBodyBytes_;
  std::unique_ptr<httplib::Server> server_;
  std::thread thread_;
  int port_ = 0;
};

}  // namespace velmora::contract
