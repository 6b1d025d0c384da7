#pragma once

#include <atomic>
#include <condition_variable>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <set>
#include <string>
#include <thread>

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

// A small auction site to rehearse against, and for the tests and
// benchmarks: a site clock (optionally offset from the local one), running
// auctions that end and are replaced, other bidders, item pages in the
// site's style, sign-in, two-step bidding, the update check's version files,
// a maintenance switch and a JSON-lines log of every request.
struct PracticeSiteOptions {
  std::string address = "127.0.0.1";
  int port = 8480;                // 0: any free port
  std::int64_t clockOffset = 0;   // seconds the site's clock is ahead of the local one
  int liveAuctions = 20;          // kept running; 0: only those added by hand
  bool otherBidders = true;       // others raise prices now and then
  bool requirePreSignIn = false;  // sign-in works only after the pre-sign-in page
  std::string logPath;            // JSON lines; empty: no log
  std::string stableVersion = "0.1.0.0";
  std::string betaVersion = "0.1.0.0";
  unsigned seed = 1;
  // An emulated network between client and site: a request on a new
  // connection arrives 1.5 round trips after it was sent (the TCP handshake
  // and half a trip), on a kept-alive one half a trip; the reply takes half
  // a trip back. 0: loopback as it is.
  int rttMs = 0;
  // A second listener serving the same site over TLS: -1 none, 0 any free
  // port. A new TLS connection costs one round trip more, before the
  // handshake (that of TLS 1.3).
  int tlsPort = -1;
  std::string tlsCertificate;  // PEM files
  std::string tlsKey;
  // Connections are kept for further requests (HTTP/1.1); false: closed
  // after every reply.
  bool keepAlive = true;
  // How pages are compressed: "" as the client accepts (brotli before
  // gzip), "gzip" gzip where accepted, "identity" never.
  std::string encoding;
};

class PracticeSite {
 public:
  explicit PracticeSite(PracticeSiteOptions options);
  ~PracticeSite();
  PracticeSite(const PracticeSite&) = delete;
  PracticeSite& operator=(const PracticeSite&) = delete;

  // Binds and starts serving on threads of its own; false if the port
  // cannot be had.
  bool Start();
  void Stop();
  int Port() const { return port_; }
  std::string Host() const { return options_.address + ":" + std::to_string(port_); }
  int TlsPort() const { return tlsPort_; }
  std::string TlsHost() const { return options_.address + ":" + std::to_string(tlsPort_); }
  // Closes every open connection, idle kept-alive ones included, as a
  // site or a network may at any moment.
  void DropConnections();
  // Connections accepted so far, both listeners: over TLS, one handshake each.
  int Connections() const { return connections_; }

  std::int64_t SiteNow() const;
  std::int64_t SiteTimeAt(std::chrono::system_clock::time_point local) const;
  // An auction ending `secondsToEnd` from now on the site's clock.
  std::uint32_t AddAuction(const std::string& title, std::int64_t secondsToEnd,
                           double currentBid = 1.0, const std::string& highBidder = "");
  void SetMaintenance(bool on);
  // Replies to the bid setup of this item carry no Date header, which the
  // program takes for a failed exchange.
  void FailBidSetup(std::uint32_t item);

  // What goes wrong with one item's pages, for tests of the program's
  // reactions: "reset" (the connection closes half way through the item
  // page), "stall" (the item page never comes), "nodate" (no Date header),
  // "error500", "nomatch" (a page none of the patterns match),
  // "maintenance", "nokey" (a bid setup reply without a key), "slow" (the
  // item page comes after kSlowPageMs), "stallsetup" and "stallcommit" (the
  // bid setup or the commit never answers, and a stalled commit takes no
  // bid); "" for none. A stall ends only when the site stops.
  // False for a kind it does not know.
  bool SetFault(std::uint32_t item, const std::string& kind);
  static constexpr int kSlowPageMs = 1500;
  // When an auction ends, on the site's clock; 0 when unknown.
  std::int64_t EndTime(std::uint32_t item);
  // The high bidder of an auction; empty when unknown.
  std::string HighBidder(std::uint32_t item);

  // Texts in the site's styles, on its clock.
  static std::string HttpDate(std::int64_t siteTime);
  static std::string EndingTime(std::int64_t siteTime);  // Dec-12-26 18:22:33 PST

 private:
  struct Auction {
    std::uint32_t item = 0;
    std::string title;
    double currentBid = 1.0;
    std::string highBidder;
    double highMaximum = 0.0;
    std::int64_t endTime = 0;
  };

  bool Listen(httplib::Server& server, int wanted, int& port, std::thread& listener);
  void Route(httplib::Server& server, bool secure);
  void EmulateDistance(httplib::Server& server);
  void Encode(const std::string& page, httplib::Response& response);
  // Waits, unless the site stops first; false when it stops.
  bool Pause(std::chrono::milliseconds time);
  void StallUntilStop();
  void Tend();  // replaces ended auctions, lets other bidders bid
  void Log(const httplib::Request& request, const httplib::Response& response);

  std::string IndexPage(bool secure);
  std::string ItemPage(std::uint32_t item, bool uk);
  std::string FaultOf(std::uint32_t item);
  std::string MakeBid(const httplib::Request& request);
  std::string AcceptBid(const httplib::Request& request);
  void TakeBid(Auction& auction, const std::string& bidder, double maximum);
  std::uint32_t AddLocked(const std::string& title, std::int64_t endTime, double currentBid,
                          const std::string& highBidder);

  PracticeSiteOptions options_;
  std::unique_ptr<httplib::Server> server_;
  std::unique_ptr<httplib::Server> tlsServer_;  // null without a TLS listener
  std::thread listener_;
  std::thread tlsListener_;
  std::thread tender_;
  int port_ = 0;
  int tlsPort_ = 0;
  std::atomic<int> connections_{0};

  std::mutex lock_;  // everything below
  std::map<std::uint32_t, Auction> auctions_;
  std::map<std::string, std::string> keys_;  // item/user -> bid key
  std::uint32_t nextItem_ = 2000000001u;
  bool maintenance_ = false;
  std::set<std::string> failingSetups_;  // item numbers
  std::map<std::uint32_t, std::string> faults_;
  bool stopping_ = false;
  std::condition_variable stopSignal_;
  std::mt19937 random_;
  std::FILE* log_ = nullptr;
};
