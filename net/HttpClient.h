#pragma once

#include "net/ExchangeTiming.h"
#include "net/RequestQueue.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <string>

class RequestWorker;
class UserInterface;
struct SiteRequest;

// How one exchange is made.
struct ExchangeOptions {
  // The caller must not wait on its error box (a thread whose other work
  // must go on while nobody is at the screen).
  bool waitForBox = true;
  // Gives up after this long in all, even while bytes trickle in; zero:
  // the client's overall time-out.
  std::chrono::milliseconds deadline{0};
  ExchangeTiming* timing = nullptr;  // filled when given
  // Set by the caller's owner to give up at once (its end); nothing is shown.
  const std::atomic<bool>* abandon = nullptr;
  // A failure's text goes here instead of into a box.
  std::string* error = nullptr;
  // Exchanges of one lane (a bid's setup and commit) keep a connection of
  // their own, which no other exchange takes.
  std::string lane;
  // A certificate authority (PEM file) trusted besides the system's, for a
  // secure site with its own.
  std::string caFile;
};

// Every HTTP exchange of the program: HTTP/1.1 over kept-alive connections
// (a site that closes after each reply works as well), HTTPS with the
// certificate and host name always verified, compressed pages decoded,
// redirects followed, no caching, one cookie store for the whole run shared
// by all threads, the reply's Date header captured. A failed exchange shows
// its own error box and returns false; an HTTP error status is a page, not
// a failure.
//
// It also owns the request queue and the worker thread that fetches queued
// GETs in the background. One instance for the program.
//
// HttpGet and HttpPost may be called from any thread at once: each exchange
// reads into its own buffer and no lock is held across a network wait, so a
// page read in flight never delays a bid.
class HttpClient {
 public:
  static constexpr const char* kUserAgent = "Mozilla/4.0 (compatible; MSIE 5.0; Win32)";

  struct Timeouts {
    std::chrono::seconds connect{60};
    std::chrono::seconds silence{30};  // nothing received for this long: time-out
    std::chrono::seconds overall{120};  // no exchange takes longer than this
  };

  explicit HttpClient(UserInterface& ui);
  HttpClient(UserInterface& ui, Timeouts timeouts);
  ~HttpClient();  // stops the worker and waits for it; queued records are freed unfetched
  HttpClient(const HttpClient&) = delete;
  HttpClient& operator=(const HttpClient&) = delete;

  // `host` is a host name or host:port (plain HTTP, port 80 otherwise), or
  // either behind http:// or https:// (port 443 otherwise); `path` begins
  // with '/' and holds any query.
  bool HttpGet(const std::string& host, const std::string& path, std::string& page,
               std::string& dateHeader);
  // A non-empty body is sent as a form (application/x-www-form-urlencoded).
  bool HttpPost(const std::string& host, const std::string& path, const std::string& body,
                std::string& page, std::string& dateHeader);
  // Either of the two, as `options` say; `verb` is "GET" or "POST".
  bool Exchange(const char* verb, const std::string& host, const std::string& path,
                const std::string& body, std::string& page, std::string& dateHeader,
                const ExchangeOptions& options);

  // A request's page: its host, path and authority, its timing filled;
  // the page, the Date and whether it came go back into it.
  bool Fetch(SiteRequest& request, ExchangeOptions options);

  // Whether the lane holds a connection the site has not closed.
  bool LaneReady(const std::string& host, const std::string& caFile, const std::string& lane);
  // Closes the lane's connection.
  void CloseLane(const std::string& host, const std::string& caFile, const std::string& lane);

  // Appends a record for the worker thread; always true.
  bool QueueRequest(std::unique_ptr<SiteRequest> request);

 private:

  struct Curl;
  UserInterface& ui_;
  Timeouts timeouts_;
  std::unique_ptr<Curl> curl_;  // null when the library could not be set up
  std::atomic<bool> stopping_{false};
  RequestQueue queue_;
  std::unique_ptr<RequestWorker> worker_;  // last: it uses everything above
};
