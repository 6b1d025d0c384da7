// Linux: wxSingleInstanceChecker's lock file and a Unix-domain socket, both
// in the user's home folder; the socket is watched by the event loop.
#include "app/SingleInstance.h"

#include <wx/evtloop.h>
#include <wx/evtloopsrc.h>
#include <wx/snglinst.h>
#include <wx/utils.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

bool SocketAddress(sockaddr_un& address) {
  const std::string path = SingleInstance::SocketPath();
  if (path.size() >= sizeof address.sun_path) return false;
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return true;
}

struct Socket {
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  ~Socket() {
    if (fd >= 0) ::close(fd);
  }
};

}  // namespace

class SingleInstance::Listener : public wxEventLoopSourceHandler {
 public:
  explicit Listener(std::function<void()> bringToFront) : bringToFront_(std::move(bringToFront)) {
    sockaddr_un address{};
    if (socket_.fd < 0 || !SocketAddress(address)) return;
    ::unlink(address.sun_path);  // left by a copy that did not end cleanly
    if (::bind(socket_.fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(socket_.fd, 4) != 0) {
      return;
    }
    ::fcntl(socket_.fd, F_SETFL, O_NONBLOCK);
    source_ = wxEventLoopBase::AddSourceForFD(socket_.fd, this, wxEVENT_SOURCE_INPUT);
  }
  ~Listener() override {
    delete source_;
    sockaddr_un address{};
    if (source_ != nullptr && SocketAddress(address)) ::unlink(address.sun_path);
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
  wxEventLoopSource* source_ = nullptr;
};

SingleInstance::SingleInstance() = default;
SingleInstance::~SingleInstance() = default;

std::string SingleInstance::SocketPath() {
  return wxGetHomeDir().utf8_string() + "/." + kName + ".socket";
}

bool SingleInstance::HandOverToRunningCopy() {
  lock_ = std::make_unique<wxSingleInstanceChecker>();
  if (!lock_->Create(kName) || !lock_->IsAnotherRunning()) return false;
  Socket socket;
  sockaddr_un address{};
  if (socket.fd < 0 || !SocketAddress(address)) return false;
  ::fcntl(socket.fd, F_SETFL, O_NONBLOCK);
  if (::connect(socket.fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 &&
      errno != EINPROGRESS) {
    return false;
  }
  const std::string probe = std::to_string(kProbe) + "\n";
  pollfd writable{socket.fd, POLLOUT, 0};
  if (::poll(&writable, 1, 200) != 1 || ::write(socket.fd, probe.data(), probe.size()) < 0) return false;
  char answer[16] = {};
  pollfd readable{socket.fd, POLLIN, 0};
  return ::poll(&readable, 1, 200) == 1 && ::read(socket.fd, answer, sizeof answer - 1) > 0 &&
         std::atoi(answer) == kProbe;
}

void SingleInstance::Answer(std::function<void()> bringToFront) {
  listener_ = std::make_unique<Listener>(std::move(bringToFront));
}
