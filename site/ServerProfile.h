#pragma once

#include <string>

// One location's part of servers.xml: the host, the request templates and
// the patterns that pick values out of the site's pages. Member names are
// the file's element names. A value: copied whole into the account.
struct ServerProfile {
  std::string name = "USA";  // the location
  // host[:port] (plain HTTP), http://host[:port] or https://host[:port]; no path
  std::string URL;
  // An authority trusted besides the system's, for a site with its own:
  // absolute once loaded (a relative path in the file is taken from the
  // program's folder). Empty: the system's authorities only.
  std::string ca_file;

  struct ItemView {
    std::string HTTPObject;  // template: path and query of the item page
    std::string HTTPData;    // template; kept, never sent (the page is a GET)
    std::string number;      // patterns: group 1 of the first match is the value
    std::string ending;
    std::string title;
    std::string bidder;
    std::string currentbid;
  } item_view;

  struct BidSetup {
    std::string HTTPObject;
    std::string HTTPData;
    std::string keyexp;  // group 1 is the bid key in the reply
  } bid_setup;

  struct BidCommit {
    std::string HTTPObject;
    std::string HTTPData;
  } bid_commit;

  struct AccountBlock {
    std::string presigninobject;  // requested first when not empty; sent verbatim
    std::string HTTPObject;
    std::string HTTPData;
    std::string signinexp;  // matches a reply to a sign-in that succeeded
  } account;
};
