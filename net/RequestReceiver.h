#pragma once

#include <memory>

struct SiteRequest;

// Whoever is to get a finished page read: the bid list's window, the main
// window (version checks), a test. Called on the worker thread; the
// receiver owns the record from then on and must hand it to its own thread.
class RequestReceiver {
 public:
  virtual ~RequestReceiver() = default;
  virtual void RequestDone(std::unique_ptr<SiteRequest> request) = 0;
};
