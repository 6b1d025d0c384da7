#pragma once

#include "net/UserInterface.h"

#include <functional>
#include <mutex>
#include <string>
#include <vector>

// Records every box and report instead of showing it; safe from any thread.
class RecordingUserInterface : public UserInterface {
 public:
  void ShowErrorBox(const std::string& text) override {
    std::lock_guard<std::mutex> guard(lock_);
    boxes_.push_back(text);
  }
  void ShowErrorReport(const std::string& cause, const std::string& page) override {
    {
      std::lock_guard<std::mutex> guard(lock_);
      reports_.push_back({cause, page});
    }
    if (whileReportOpen) whileReportOpen();
  }

  struct Report {
    std::string cause;
    std::string page;
  };
  std::vector<std::string> Boxes() const {
    std::lock_guard<std::mutex> guard(lock_);
    return boxes_;
  }
  std::vector<Report> Reports() const {
    std::lock_guard<std::mutex> guard(lock_);
    return reports_;
  }

  // Runs while the report "dialog" is open, as a nested event loop would.
  std::function<void()> whileReportOpen;

 private:
  mutable std::mutex lock_;
  std::vector<std::string> boxes_;
  std::vector<Report> reports_;
};
