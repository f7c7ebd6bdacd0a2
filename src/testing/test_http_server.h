// A small HTTP server on the loopback interface for the download tests; BSD
// sockets on Linux, Winsock on Windows (where the tests run under Wine).
#pragma once

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace zarn::testing_util {

#ifdef _WIN32
using Socket = SOCKET;
inline constexpr Socket kNoSocket = INVALID_SOCKET;
inline void CloseSocket(Socket s) { closesocket(s); }
inline int PollSockets(pollfd* fds, unsigned long count, int ms) { return WSAPoll(fds, count, ms); }
inline constexpr int kSendFlags = 0;
// Winsock is started once per process and left running until it ends.
inline bool StartSockets() {
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return started;
}
#else
using Socket = int;
inline constexpr Socket kNoSocket = -1;
inline void CloseSocket(Socket s) { close(s); }
inline int PollSockets(pollfd* fds, nfds_t count, int ms) { return poll(fds, count, ms); }
inline constexpr int kSendFlags = MSG_NOSIGNAL;
inline bool StartSockets() { return true; }
#endif

// The test server is never behind a proxy (libcurl reads no_proxy; WinHTTP
// takes the system settings, which never send loopback through a proxy).
inline void NoProxyForLoopback() {
#ifdef _WIN32
  _putenv_s("no_proxy", "127.0.0.1");
#else
  setenv("no_proxy", "127.0.0.1", 1);
#endif
}

struct Response {
  int status = 200;
  std::string body;
  bool cut_off = false;  // announces more bytes than it sends, then closes
};

// A small HTTP server on 127.0.0.1 that answers one connection at a time
// from a table of paths and logs what it was asked for.
class TestServer {
 public:
  TestServer() {
    if (!StartSockets()) ADD_FAILURE() << "sockets cannot be used";
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    // The loopback address only: the tests never open a port to the network.
    if (bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 || listen(listener_, 8) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
      ADD_FAILURE() << "test server cannot listen";
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~TestServer() {
    stop_ = true;
    thread_.join();
    CloseSocket(listener_);
  }

  std::string base() const { return "http://127.0.0.1:" + std::to_string(port_); }
  void Set(const std::string& path, Response response) {
    std::lock_guard lock(mutex_);
    routes_[path] = std::move(response);
  }
  // Answers `path` with a 302 that points at `location`.
  void Redirect(const std::string& path, const std::string& location) {
    std::lock_guard lock(mutex_);
    routes_[path] = {302, ""};
    locations_[path] = location;
  }
  std::vector<std::string> requests() {
    std::lock_guard lock(mutex_);
    return requests_;
  }
  std::vector<std::string> user_agents() {
    std::lock_guard lock(mutex_);
    return user_agents_;
  }

 private:
  void Serve() {
    while (!stop_) {
      pollfd waiting{listener_, POLLIN, 0};
      if (PollSockets(&waiting, 1, 20) <= 0) continue;
      Socket connection = accept(listener_, nullptr, nullptr);
      if (connection == kNoSocket) continue;
      Answer(connection);
      CloseSocket(connection);
    }
  }

  void Answer(Socket connection) {
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos) {
      const auto got = recv(connection, buffer, sizeof buffer, 0);
      if (got <= 0) return;
      request.append(buffer, static_cast<std::size_t>(got));
    }
    std::size_t start = request.find(' ') + 1;
    std::string path = request.substr(start, request.find(' ', start) - start);
    std::size_t agent = request.find("User-Agent: ");
    Response response{404, "not found", false};
    std::string location;
    {
      std::lock_guard lock(mutex_);
      requests_.push_back(path);
      if (agent != std::string::npos)
        user_agents_.push_back(request.substr(agent + 12, request.find('\r', agent) - agent - 12));
      if (routes_.count(path)) response = routes_[path];
      if (locations_.count(path)) location = "\r\nLocation: " + locations_[path];
    }
    std::size_t announced = response.body.size() + (response.cut_off ? 1000 : 0);
    std::string reply = "HTTP/1.1 " + std::to_string(response.status) +
                        " Status\r\nContent-Length: " + std::to_string(announced) + location +
                        "\r\nConnection: close\r\n\r\n" + response.body;
    for (std::size_t sent = 0; sent < reply.size();) {
      const auto n = send(connection, reply.data() + sent, static_cast<int>(reply.size() - sent), kSendFlags);
      if (n <= 0) return;
      sent += static_cast<std::size_t>(n);
    }
  }

  Socket listener_ = kNoSocket;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  std::mutex mutex_;
  std::map<std::string, Response> routes_;
  std::map<std::string, std::string> locations_;
  std::vector<std::string> requests_;
  std::vector<std::string> user_agents_;
};

}  // namespace zarn::testing_util
