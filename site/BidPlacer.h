#pragma once

class Bid;
class HttpClient;
class UserInterface;

// Places a bid with the site in two exchanges shaped by the profile: the
// bid setup request, whose reply carries a key, and the bid commit request,
// which sends the bid with that key. Synchronous, on the calling thread.
class BidPlacer {
 public:
  BidPlacer(HttpClient& client, UserInterface& ui) : client_(client), ui_(ui) {}

  // True when both requests were sent and answered. A failed request has
  // shown its error box; a reply without a key gives false silently and
  // the commit is not sent.
  bool PlaceBid(Bid& bid);

 private:
  HttpClient& client_;
  UserInterface& ui_;
};
