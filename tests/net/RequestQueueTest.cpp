#include "net/HttpClient.h"
#include "net/RequestQueue.h"
#include "net/RequestWorker.h"
#include "net/SiteRequest.h"
#include "support/CollectingReceiver.h"
#include "support/RecordingUserInterface.h"
#include "support/TestServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

using namespace std::chrono_literals;

std::unique_ptr<SiteRequest> Request(const std::string& host, const std::string& path,
                                     const std::shared_ptr<RequestReceiver>& receiver,
                                     int tag = 0) {
  auto request = std::make_unique<SiteRequest>();
  request->tag = tag;
  request->host = host;
  request->path = path;
  request->receiver = receiver;
  return request;
}

TEST(RequestQueue, TakeWaitsAtMostItsBoundAndWakesAtOnce) {
  RequestQueue queue;
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(queue.Take(300ms), nullptr);
  EXPECT_GE(std::chrono::steady_clock::now() - start, 300ms);

  std::thread producer([&] {
    std::this_thread::sleep_for(100ms);
    queue.Append(std::make_unique<SiteRequest>());
  });
  start = std::chrono::steady_clock::now();
  EXPECT_NE(queue.Take(RequestWorker::kLongestWait), nullptr);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1000ms) << "woken, not timed out";
  producer.join();
}

TEST(RequestQueue, StopFreesWhatIsQueued) {
  RequestQueue queue;
  queue.Append(std::make_unique<SiteRequest>());
  queue.Append(std::make_unique<SiteRequest>());
  queue.Stop();
  EXPECT_TRUE(queue.Empty());
  EXPECT_EQ(queue.Take(10ms), nullptr);
  queue.Append(std::make_unique<SiteRequest>());  // after the stop: freed at once
  EXPECT_TRUE(queue.Empty());
}

class WorkerTest : public testing::Test {
 protected:
  void SetUp() override {
    server_.StampDates();
    server_.server.Get(R"(/page/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
      res.set_content("page " + std::string(req.matches[1]), "text/plain");
    });
    server_.server.Get("/slow", [](const httplib::Request&, httplib::Response& res) {
      std::this_thread::sleep_for(3s);
      res.set_content("slow", "text/plain");
    });
    ASSERT_TRUE(server_.Start());
  }
  RecordingUserInterface ui_;
  TestServer server_;
};

// Queued reads are fetched and handed over in the order they came.
TEST_F(WorkerTest, FetchesInOrder) {
  HttpClient client(ui_);
  auto receiver = std::make_shared<CollectingReceiver>();
  for (int i = 1; i <= 3; ++i) {
    client.QueueRequest(Request(server_.Host(), "/page/" + std::to_string(i), receiver, i));
  }
  const auto done = receiver->WaitFor(3);
  ASSERT_EQ(done.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(done[i]->tag, i + 1);
    EXPECT_EQ(done[i]->page, "page " + std::to_string(i + 1));
    EXPECT_EQ(done[i]->dateHeader, "Thu, 10 Dec 2026 12:00:00 GMT");
  }
}

// A failed read comes back to nobody; a read whose receiver has gone is
// freed. (The sanitizer's leak check sees to "freed".)
TEST_F(WorkerTest, FailedReadsAndGoneReceiversGetNothing) {
  HttpClient client(ui_);
  auto receiver = std::make_shared<CollectingReceiver>();
  auto gone = std::make_shared<CollectingReceiver>();
  client.QueueRequest(Request("127.0.0.1:1", "/", receiver, 1));
  client.QueueRequest(Request(server_.Host(), "/page/2", gone, 2));
  gone.reset();
  client.QueueRequest(Request(server_.Host(), "/page/3", receiver, 3));
  const auto done = receiver->WaitFor(1);
  ASSERT_EQ(done.size(), 1u);
  EXPECT_EQ(done[0]->tag, 3);
  EXPECT_EQ(ui_.Boxes().size(), 1u) << "the failed read showed its box";
}

// Nobody is at the screen: a box that waits would hold every read behind
// the failed one, and a bid never read is never placed. The worker's box
// does not wait, and the next read comes.
TEST_F(WorkerTest, FailedReadsBoxDoesNotHoldTheQueue) {
  class NobodyAtTheScreen : public RecordingUserInterface {
   public:
    void ShowErrorBox(const std::string&) override {
      std::unique_lock<std::mutex> guard(lock_);
      closed_.wait(guard, [this] { return closing_; });
    }
    void PostErrorBox(const std::string& text) override { RecordingUserInterface::ShowErrorBox(text); }
    void CloseAll() {
      std::lock_guard<std::mutex> guard(lock_);
      closing_ = true;
      closed_.notify_all();
    }

   private:
    std::mutex lock_;
    std::condition_variable closed_;
    bool closing_ = false;
  } ui;
  HttpClient client(ui);
  auto receiver = std::make_shared<CollectingReceiver>();
  client.QueueRequest(Request("127.0.0.1:1", "/", receiver, 1));
  client.QueueRequest(Request(server_.Host(), "/page/2", receiver, 2));
  const auto done = receiver->WaitFor(1, 5s);
  ui.CloseAll();
  ASSERT_EQ(done.size(), 1u) << "the read behind the failed one came";
  EXPECT_EQ(done[0]->tag, 2);
  ASSERT_EQ(ui.Boxes().size(), 1u);
  EXPECT_NE(ui.Boxes()[0].find("127.0.0.1"), std::string::npos);
}

// At the end the worker is stopped and waited for; what is still queued is
// freed unfetched, and a read in progress is abandoned quietly.
TEST_F(WorkerTest, ShutdownFreesQueuedRecordsUnfetched) {
  auto receiver = std::make_shared<CollectingReceiver>();
  const auto start = std::chrono::steady_clock::now();
  {
    HttpClient client(ui_);
    client.QueueRequest(Request(server_.Host(), "/slow", receiver, 1));
    for (int i = 2; i <= 5; ++i) client.QueueRequest(Request(server_.Host(), "/page/9", receiver, i));
    std::this_thread::sleep_for(200ms);
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, 2500ms) << "did not wait for the slow read";
  EXPECT_TRUE(receiver->WaitFor(1, 10ms).empty());
  EXPECT_TRUE(ui_.Boxes().empty());
}

}  // namespace
