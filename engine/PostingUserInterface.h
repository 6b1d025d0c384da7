#pragma once

#include "net/UserInterface.h"

// The user interface as the engine's threads must use it: nothing waits for
// the user. A box that would have held its caller is posted instead (and,
// like the worker's, not shown while another posted box is open); reports
// go on to the real interface, which shows them without waiting.
class PostingUserInterface : public UserInterface {
 public:
  explicit PostingUserInterface(UserInterface& ui) : ui_(ui) {}

  void ShowErrorBox(const std::string& text) override { ui_.PostErrorBox(text); }
  void PostErrorBox(const std::string& text) override { ui_.PostErrorBox(text); }
  void ShowErrorReport(const std::string& cause, const std::string& page) override {
    ui_.PostErrorReport(cause, page, {});
  }
  void PostErrorBox(const std::string& text, std::function<void()> closed) override {
    ui_.PostErrorBox(text, std::move(closed));
  }
  void PostErrorReport(const std::string& cause, const std::string& page,
                       std::function<void()> closed) override {
    ui_.PostErrorReport(cause, page, std::move(closed));
  }

 private:
  UserInterface& ui_;
};
