#include "engine/PreMomentCheck.h"

#include "net/HttpClient.h"
#include "net/SiteRequest.h"
#include "site/AccountVerifier.h"
#include "site/ItemPageReader.h"

#include <cctype>
#include <chrono>
#include <cstdio>

namespace {
constexpr std::int64_t kSecond = 1'000'000;
// A check that takes longer than this says the site cannot be reached: by
// the moment, it would be no faster.
constexpr std::chrono::seconds kCheckDeadline{20};
}  // namespace

PreMomentCheck::PreMomentCheck(HttpClient& client, UserInterface& ui, const Bid& bid, std::string logsFolder,
                               Done done)
    : client_(client),
      ui_(ui),
      account_(bid.account ? *bid.account : Account()),
      bid_(bid),
      logsFolder_(std::move(logsFolder)),
      done_(std::move(done)) {
  bid_.account = &account_;
  thread_ = std::thread([this] { Run(); });
}

PreMomentCheck::~PreMomentCheck() {
  abandon_ = true;
  if (thread_.joinable()) thread_.join();
}

void PreMomentCheck::Run() {
  auto findings = std::make_unique<Findings>();
  findings->bidId = bid_.Id();
  findings->page = ItemPageReader::MakeRequest(bid_);
  SiteRequest& page = *findings->page;
  ExchangeOptions options;
  options.waitForBox = false;
  options.deadline = kCheckDeadline;
  options.abandon = &abandon_;
  options.error = &page.error;
  findings->reached = client_.Fetch(page, options);
  findings->error = page.error;
  if (page.succeeded) findings->exchange = page.timing.firstByte - page.timing.sent;
  if (page.succeeded && account_.IsVerified() && !abandon_) {
    ExchangeOptions signIn;
    signIn.waitForBox = false;
    signIn.deadline = kCheckDeadline;
    signIn.abandon = &abandon_;
    std::string error;
    signIn.error = &error;
    findings->signedIn = VerifyAccount(client_, ui_, account_, logsFolder_, signIn) == AccountStatus::Verified;
  }
  if (!abandon_ && done_) done_(std::move(findings));
  finished_ = true;
}

std::vector<std::string> PreMomentCheck::Reasons(const Bid& bid, const Account& account, const Findings& findings) {
  std::vector<std::string> reasons;
  if (!account.IsVerified()) {
    reasons.push_back("The account is not verified");
  } else if (findings.signedIn == false) {
    reasons.push_back("Signing in to the site fails");
  }
  if (!findings.reached) {
    reasons.push_back("The site cannot be reached" + (findings.error.empty() ? "" : ": " + findings.error));
    return reasons;  // nothing read of the bid is new
  }
  const std::optional<double> price = Amount(bid.currentBid);
  if (price && !(bid.MaxBid() > *price + 0.005)) {
    reasons.push_back("The maximum bid is not above the current bid (" + bid.currentBid + ")");
  }
  const std::int64_t needed = 2 * findings.exchange + kSecond;
  if (std::int64_t{bid.Margin()} * kSecond < needed) {
    char text[160];
    std::snprintf(text, sizeof text,
                  "The margin of %d s is shorter than twice the site's exchange time plus a second (%.1f s)",
                  static_cast<int>(bid.Margin()), static_cast<double>(needed) / kSecond);
    reasons.push_back(text);
  }
  return reasons;
}

std::optional<double> PreMomentCheck::Amount(const std::string& price) {
  std::size_t at = 0;
  while (at < price.size() && !std::isdigit(static_cast<unsigned char>(price[at]))) ++at;
  if (at == price.size()) return std::nullopt;
  std::string digits;
  std::size_t decimals = std::string::npos;  // digits after the last separator
  for (; at < price.size(); ++at) {
    const char c = price[at];
    if (std::isdigit(static_cast<unsigned char>(c))) {
      digits += c;
      if (decimals != std::string::npos) ++decimals;
    } else if ((c == '.' || c == ',') && at + 1 < price.size() &&
               std::isdigit(static_cast<unsigned char>(price[at + 1]))) {
      decimals = 0;
    } else {
      break;
    }
  }
  // The last separator marks cents when one or two digits follow it; any
  // other separates thousands.
  double value = 0;
  for (const char c : digits) value = value * 10 + (c - '0');
  if (decimals == 1 || decimals == 2) value /= decimals == 1 ? 10 : 100;
  return value;
}
