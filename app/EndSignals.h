#pragma once

#include <functional>
#include <memory>

// SIGTERM and SIGINT end the program as the end of the desktop session
// does. The signal handler only writes a byte to a pipe; the event loop
// watches the pipe and runs `end` on the user-interface thread.
class EndSignals {
 public:
  explicit EndSignals(std::function<void()> end);
  ~EndSignals();

 private:
  class Watcher;
  std::unique_ptr<Watcher> watcher_;
};
