#pragma once

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <poll.h>
#include <thread>
#include <unistd.h>
#include <vector>

// A D-Bus daemon of the test's own, and services mocked on it with
// python3-dbusmock's templates. Every process it starts it stops, by its
// id; every wait is bounded.
class PrivateBus {
 public:
  PrivateBus() {
    int out[2];
    if (::pipe(out) != 0) return;
    daemon_ = ::fork();
    if (daemon_ == 0) {
      ::dup2(out[1], 1);
      ::close(out[0]);
      ::execlp("dbus-daemon", "dbus-daemon", "--session", "--nofork", "--nopidfile", "--print-address=1",
               static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::close(out[1]);
    pollfd ready{out[0], POLLIN, 0};
    std::string line;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (line.find('\n') == std::string::npos && std::chrono::steady_clock::now() < end) {
      if (::poll(&ready, 1, 200) <= 0) continue;
      char buffer[256];
      const ssize_t got = ::read(out[0], buffer, sizeof buffer);
      if (got <= 0) break;
      line.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(out[0]);
    if (const std::size_t at = line.find('\n'); at != std::string::npos) address_ = line.substr(0, at);
  }

  ~PrivateBus() {
    for (auto it = mocks_.rbegin(); it != mocks_.rend(); ++it) Stop(*it);
    Stop(daemon_);
  }
  PrivateBus(const PrivateBus&) = delete;
  PrivateBus& operator=(const PrivateBus&) = delete;

  const std::string& Address() const { return address_; }

  // Starts dbusmock's `templ` on this bus, which stands as the system bus
  // or the session bus for it, logging the calls it gets to `log`; true
  // once `name` is owned.
  bool Mock(const std::string& templ, const std::string& name, bool system, const std::string& log) {
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::setenv(system ? "DBUS_SYSTEM_BUS_ADDRESS" : "DBUS_SESSION_BUS_ADDRESS", address_.c_str(), 1);
      ::execl("/usr/bin/python3", "python3", "-m", "dbusmock", "-t", templ.c_str(),
              system ? "--system" : "--session", "-l", log.c_str(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
    mocks_.push_back(pid);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < end) {
      if (Call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus.NameHasOwner", "'" + name + "'")
              .find("true") != std::string::npos) {
        return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
  }

  // gdbus call on this bus; its output (empty on failure).
  std::string Call(const std::string& destination, const std::string& path, const std::string& method,
                   const std::string& arguments = "") const {
    const std::string command = "timeout 10 gdbus call --address '" + address_ + "' --dest " + destination +
                                " --object-path " + path + " --method " + method + " " + arguments +
                                " 2>/dev/null";
    std::string output;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
      char buffer[512];
      while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
      ::pclose(pipe);
    }
    return output;
  }

  // A signal from a mocked object, as its service would send it.
  bool Emit(const std::string& name, const std::string& path, const std::string& interface,
            const std::string& signal, const std::string& signature, const std::string& arguments) const {
    return !Call(name, path, "org.freedesktop.DBus.Mock.EmitSignal",
                 "'" + interface + "' '" + signal + "' '" + signature + "' \"" + arguments + "\"")
                .empty();
  }

 private:
  static void Stop(pid_t pid) {
    if (pid <= 0) return;
    ::kill(pid, SIGTERM);
    for (int i = 0; i < 100; ++i) {
      if (::waitpid(pid, nullptr, WNOHANG) == pid) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
  }

  pid_t daemon_ = -1;
  std::vector<pid_t> mocks_;
  std::string address_;
};
