#include "engine/contract/LoopbackServer.h"

#include <pthread.h>
#include <signal.h>

#include <httplib.h>

#include <chrono>

namespace velmora::contract {

LoopbackServer::LoopbackServer(Handler handler, std::size_t maxBodyBytes)
    : handler_(std::move(handler)), maxBodyBytes_(maxBodyBytes) {}

LoopbackServer::~LoopbackServer() { stop(); }

bool LoopbackServer::start(int port) {
  if (server_) return false;
  auto server = std::make_unique<httplib::Server>();
  server->set_payload_max_length(maxBodyBytes_);
  server->set_keep_alive_timeout(2);
  server->Get(".*", [this](const httplib::Request& in, httplib::Response& out) { handler_(in, out); });
  // Bodies are read here rather than by the server: the server would refuse a
  // form body ("application/x-www-form-urlencoded", how pictures go to text
  // recognition) above 8 KB, a limit built into the library.
  server->Post(".*", [this](const httplib::Request& in, httplib::Response& out, const httplib::ContentReader& read) {
    httplib::Request request = in;
    read([&request](const char* data, std::size_t length) {
      request.body.append(data, length);
      return true;
    });
    handler_(request, out);
  });

  const int bound =
      port == 0 ? server->bind_to_any_port("127.0.0.1") : (server->bind_to_port("127.0.0.1", port) ? port : -1);
  if (bound <= 0) return false;

  server_ = std::move(server);
  port_ = bound;
  thread_ = std::thread([server = server_.get()] {
    // The pool threads the server starts inherit this mask.
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
    server->listen_after_bind();
  });
  // stop() only takes effect once the server runs; wait for that.
  for (int i = 0; i < 2000 && !server_->is_running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return true;
}

void LoopbackServer::stop() {
  if (!server_) return;
  server_->stop();
  if (thread_.joinable()) thread_.join();
  server_.reset();
  port_ = 0;
}

std::string LoopbackServer::host() const { return "http://127.0.0.1:" + std::to_string(port_); }

}  // namespace velmora::contract
