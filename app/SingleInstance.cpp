// Linux: flock on a file and a Unix-domain socket beside it, in the user's
// runtime folder; the socket is watched by the event loop. The kernel lets
// go of the lock when its process ends, however it ends, so a lock is never
// stale; a socket file can be, and the next holder replaces it.
#include "app/SingleInstance.h"

#include <wx/evtloop.h>
#include <wx/evtloopsrc.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {

bool SocketAddress(sockaddr_un& address) {
  const std::string path = SingleInstance::SocketPath();
  if (path.empty() || path.size() >= sizeof address.sun_path) return false;
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return true;
}

struct Socket {
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  Socket() = default;
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  ~Socket() { Close(); }
  void Close() {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
};

// The asking side: connects, sends the probe, and waits for the answer in
// slices, so that the lock can be tried in between. The holder may not
// listen yet (it is starting) or may be stopped (its backlog keeps the
// connection until it runs again).
class Probe {
 public:
  bool Answered(std::chrono::milliseconds wait) {
    if (!socket_ && !Connect()) {
      std::this_thread::sleep_for(wait);
      return false;
    }
    pollfd readable{socket_->fd, POLLIN, 0};
    if (::poll(&readable, 1, static_cast<int>(wait.count())) != 1) return false;
    char answer[16] = {};
    const bool answered =
        ::read(socket_->fd, answer, sizeof answer - 1) > 0 && std::atoi(answer) == SingleInstance::kProbe;
    socket_.reset();  // answered, refused or closed: a new connection next time
    return answered;
  }

 private:
  bool Connect() {
    auto socket = std::make_unique<Socket>();
    sockaddr_un address{};
    if (socket->fd < 0 || !SocketAddress(address) ||
        ::connect(socket->fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      return false;
    }
    const std::string probe = std::to_string(SingleInstance::kProbe) + "\n";
    if (::write(socket->fd, probe.data(), probe.size()) != static_cast<ssize_t>(probe.size())) return false;
    socket_ = std::move(socket);
    return true;
  }

  std::unique_ptr<Socket> socket_;
};

}  // namespace

class SingleInstance::Listener : public wxEventLoopSourceHandler {
 public:
  // Only while the lock is held: whatever is at the path was left by a
  // copy that has ended.
  explicit Listener(std::function<void()> bringToFront) : bringToFront_(std::move(bringToFront)) {
    sockaddr_un address{};
    if (socket_.fd < 0 || !SocketAddress(address)) return;
    ::unlink(address.sun_path);
    if (::bind(socket_.fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return;
    bound_ = true;
    if (::listen(socket_.fd, 4) != 0) return;
    ::fcntl(socket_.fd, F_SETFL, O_NONBLOCK);
    source_ = wxEventLoopBase::AddSourceForFD(socket_.fd, this, wxEVENT_SOURCE_INPUT);
  }
  ~Listener() override {
    delete source_;
    sockaddr_un address{};
    if (bound_ && SocketAddress(address)) ::unlink(address.sun_path);
  }

  // On the user-interface thread: a copy that hangs there does not answer.
  void OnReadWaiting() override {
    for (;;) {
      const int client = ::accept4(socket_.fd, nullptr, nullptr, SOCK_CLOEXEC);
      if (client < 0) return;
      char probe[16] = {};
      pollfd waiting{client, POLLIN, 0};
      if (::poll(&waiting, 1, 200) == 1 && ::read(client, probe, sizeof probe - 1) > 0 &&
          std::atoi(probe) == kProbe) {
        const std::string answer = std::to_string(kProbe) + "\n";
        if (::write(client, answer.data(), answer.size()) < 0) {
          // the asking copy has gone; nothing to do
        }
        bringToFront_();
      }
      ::close(client);
    }
  }
  void OnWriteWaiting() override {}
  void OnExceptionWaiting() override {}

 private:
  std::function<void()> bringToFront_;
  Socket socket_;
  bool bound_ = false;
  wxEventLoopSource* source_ = nullptr;
};

SingleInstance::SingleInstance() = default;

SingleInstance::~SingleInstance() {
  listener_.reset();
  if (lock_ >= 0) ::close(lock_);
}

std::string SingleInstance::Folder() {
  for (const char* name : {"XDG_RUNTIME_DIR", "HOME"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && value[0] == '/') return value;
  }
  return {};
}

std::string SingleInstance::LockPath() {
  const std::string folder = Folder();
  return folder.empty() ? folder : folder + "/." + kName + ".lock";
}

std::string SingleInstance::SocketPath() {
  const std::string folder = Folder();
  return folder.empty() ? folder : folder + "/." + kName + ".socket";
}

SingleInstance::Start SingleInstance::Claim(std::chrono::milliseconds patience) {
  const std::string folder = Folder();
  if (folder.empty()) {
    problem_ = "Quorrel can't start: neither XDG_RUNTIME_DIR nor HOME names a folder,\n"
               "and without one it can't make sure that it runs only once.";
    return Start::kRefused;
  }
  lock_ = ::open(LockPath().c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (lock_ < 0) lock_ = ::open(LockPath().c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (lock_ < 0) {
    problem_ = "Quorrel can't start: it can't write in the folder\n" + folder + " (" + std::strerror(errno) +
               "),\nwhich it needs to make sure that it runs only once.";
    return Start::kRefused;
  }
  const auto end = std::chrono::steady_clock::now() + patience;
  Probe probe;
  for (;;) {
    if (::flock(lock_, LOCK_EX | LOCK_NB) == 0) return Start::kRun;
    if (errno != EWOULDBLOCK && errno != EINTR) {
      problem_ = "Quorrel can't start: it can't lock " + LockPath() + " (" + std::strerror(errno) +
                 "),\nwhich it needs to make sure that it runs only once.";
      return Start::kRefused;
    }
    if (probe.Answered(std::chrono::milliseconds(100))) return Start::kHandedOver;
    if (std::chrono::steady_clock::now() > end) {
      problem_ = "Quorrel is running already, but it does not answer.\n"
                 "Wait until it does, or end it, then start Quorrel again.";
      return Start::kRefused;
    }
  }
}

void SingleInstance::Answer(std::function<void()> bringToFront) {
  listener_ = std::make_unique<Listener>(std::move(bringToFront));
}
