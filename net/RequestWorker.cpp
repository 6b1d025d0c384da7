#include "net/RequestWorker.h"

#include "net/HttpClient.h"
#include "net/RequestQueue.h"
#include "net/SiteRequest.h"

RequestWorker::RequestWorker(HttpClient& client, RequestQueue& queue)
    : client_(client), queue_(queue), thread_([this](std::stop_token stop) { Run(stop); }) {}

RequestWorker::~RequestWorker() {
  thread_.request_stop();
  if (thread_.joinable()) thread_.join();
}

void RequestWorker::Run(std::stop_token stop) {
  while (!stop.stop_requested()) {
    std::unique_ptr<SiteRequest> request = queue_.Take(kLongestWait);
    if (!request) continue;
    ExchangeOptions options;
    options.waitForBox = false;
    if (request->failureToReceiver) options.error = &request->error;
    client_.Fetch(*request, options);
    if (!request->succeeded && !request->failureToReceiver) continue;
    if (auto receiver = request->receiver.lock()) receiver->RequestDone(std::move(request));
  }
}
