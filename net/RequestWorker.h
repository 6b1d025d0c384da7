#pragma once

#include <chrono>
#include <thread>

class HttpClient;
class RequestQueue;

// The one background thread: takes queued records in order, fetches each
// with a GET and hands a successful one to its receiver; a failed one (the
// client has shown its error box, without waiting for it to close) is
// freed. Looks at the queue at least
// every two seconds even if a wake-up is lost.
class RequestWorker {
 public:
  static constexpr std::chrono::milliseconds kLongestWait{2000};

  RequestWorker(HttpClient& client, RequestQueue& queue);
  // The queue must have been stopped first; waits for the thread to end.
  ~RequestWorker();
  RequestWorker(const RequestWorker&) = delete;
  RequestWorker& operator=(const RequestWorker&) = delete;

 private:
  void Run(std::stop_token stop);

  HttpClient& client_;
  RequestQueue& queue_;
  std::jthread thread_;
};
