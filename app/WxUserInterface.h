#pragma once

#include "net/UserInterface.h"

#include <memory>
#include <thread>

// The logic's error boxes and error report, shown with wxWidgets.
//
// ShowErrorBox may be called from any thread: on another thread it asks the
// user-interface thread to show the box and waits until it is closed. After
// Shutdown (at exit) nothing more is shown: waiting callers are let go and
// boxes still open are closed, so no thread is left waiting for ever.
class WxUserInterface : public UserInterface {
 public:
  static constexpr const char* kErrorTitle = "Quorrel error";

  WxUserInterface();
  ~WxUserInterface() override;

  void ShowErrorBox(const std::string& text) override;
  void PostErrorBox(const std::string& text) override;
  void ShowErrorReport(const std::string& cause, const std::string& page) override;
  void PostErrorBox(const std::string& text, std::function<void()> closed) override;
  void PostErrorReport(const std::string& cause, const std::string& page,
                       std::function<void()> closed) override;

  // User-interface thread.
  void Shutdown();

 private:
  // Shared with calls queued for the user-interface thread, which may run
  // after this object has gone.
  struct State;
  // Runs `show` on the user-interface thread and `closed` after it, even
  // when nothing could be shown or showing failed.
  void Post(std::function<void()> show, std::function<void()> closed);

  std::shared_ptr<State> state_;
  std::thread::id uiThread_;
};
