#pragma once

#include <httplib.h>

#include <chrono>
#include <string>
#include <thread>

// An HTTP server on 127.0.0.1 at a free port, for one test: add routes to
// `server`, then Start(); it stops when the object goes.
class TestServer {
 public:
  httplib::Server server;

  bool Start() {
    port_ = server.bind_to_any_port("127.0.0.1");
    if (port_ <= 0) return false;
    thread_ = std::thread([this] { server.listen_after_bind(); });
    // A stop before the loop runs would be lost, and the join would hang.
    for (int i = 0; i < 5000 && !server.is_running(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return server.is_running();
  }
  ~TestServer() {
    server.stop();
    if (thread_.joinable()) thread_.join();
  }
  std::string Host() const { return "127.0.0.1:" + std::to_string(port_); }
  int Port() const { return port_; }

  // A Date header on every reply, as a real site sends.
  void StampDates() {
    server.set_post_routing_handler([](const httplib::Request&, httplib::Response& res) {
      if (!res.has_header("Date")) res.set_header("Date", "Thu, 10 Dec 2026 12:00:00 GMT");
    });
  }

 private:
  int port_ = 0;
  std::thread thread_;
};
