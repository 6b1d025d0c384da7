// POSIX: a self-pipe, written by the signal handler, read by the event loop.
#include "app/EndSignals.h"

#include <wx/evtloop.h>
#include <wx/evtloopsrc.h>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {
int writeEnd = -1;

void OnSignal(int) {
  const char byte = 1;
  if (writeEnd >= 0 && ::write(writeEnd, &byte, 1) < 0) {
    // the pipe is full: an end is on its way already
  }
}
}  // namespace

class EndSignals::Watcher : public wxEventLoopSourceHandler {
 public:
  explicit Watcher(std::function<void()> end) : end_(std::move(end)) {
    if (::pipe2(pipe_, O_NONBLOCK | O_CLOEXEC) != 0) return;
    writeEnd = pipe_[1];
    source_ = wxEventLoopBase::AddSourceForFD(pipe_[0], this, wxEVENT_SOURCE_INPUT);
    struct sigaction action {};
    action.sa_handler = &OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
  }
  ~Watcher() override {
    std::signal(SIGTERM, SIG_DFL);
    std::signal(SIGINT, SIG_DFL);
    writeEnd = -1;
    delete source_;
    for (const int fd : pipe_) {
      if (fd >= 0) ::close(fd);
    }
  }

  void OnReadWaiting() override {
    char bytes[16];
    while (::read(pipe_[0], bytes, sizeof bytes) > 0) {
    }
    end_();
  }
  void OnWriteWaiting() override {}
  void OnExceptionWaiting() override {}

 private:
  std::function<void()> end_;
  int pipe_[2] = {-1, -1};
  wxEventLoopSource* source_ = nullptr;
};

EndSignals::EndSignals(std::function<void()> end) : watcher_(std::make_unique<Watcher>(std::move(end))) {}
EndSignals::~EndSignals() = default;
