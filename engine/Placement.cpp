#include "engine/Placement.h"

#include "net/HttpClient.h"
#include "net/LocalClock.h"
#include "net/UserInterface.h"
#include "site/PatternSearch.h"
#include "site/RequestTemplate.h"

#include <algorithm>
#include <chrono>

namespace {

constexpr std::int64_t kSecond = 1'000'000;
// The commit may take this long before it is given up.
constexpr std::chrono::milliseconds kCommitDeadline{30'000};

}  // namespace

Placement::Placement(HttpClient& client, UserInterface& ui, const LocalClock& clock, const Bid& bid,
                     std::int64_t commitBy, Reports reports)
    : client_(client),
      ui_(ui),
      clock_(clock),
      account_(bid.account != nullptr ? *bid.account : Account()),
      bid_(bid),
      commitBy_(commitBy),
      reports_(std::move(reports)) {
  bid_.account = &account_;
  thread_ = std::thread([this] { Run(); });
}

Placement::~Placement() {
  {
    std::lock_guard<std::mutex> guard(lock_);
    stop_ = true;
    if (!commitSent_) abandon_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void Placement::Abandon() {
  {
    std::lock_guard<std::mutex> guard(lock_);
    abandon_ = true;
    stop_ = true;
  }
  wake_.notify_all();
}

void Placement::AbandonUnlessCommitted() {
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (commitSent_) return;
    abandon_ = true;
    stop_ = true;
  }
  wake_.notify_all();
}

void Placement::Go(std::int64_t keptWait) {
  {
    std::lock_guard<std::mutex> guard(lock_);
    go_ = true;
    keptWait_ = keptWait;
  }
  wake_.notify_all();
}

Placement::Report Placement::NewReport(Report::Kind kind) const {
  Report report;
  report.kind = kind;
  report.bidId = bid_.Id();
  return report;
}

bool Placement::WaitForGo() {
  std::unique_lock<std::mutex> guard(lock_);
  wake_.wait(guard, [this] { return go_ || stop_; });
  if (stop_) return false;
  const ServerProfile& profile = account_.Profile();
  if (keptWait_ > 0 && client_.LaneReady(profile.URL, profile.ca_file, Lane())) {
    wake_.wait_for(guard, std::chrono::microseconds(keptWait_), [this] { return stop_; });
  }
  return !stop_;
}

std::string Placement::Lane() const { return "bid " + std::to_string(bid_.Id()); }

void Placement::ExchangeFailed(Report report, const std::string& error) {
  if (abandon_) return;  // nothing to say about an exchange given up
  if (!error.empty()) ui_.PostErrorBox(error);
  report.error = error;
  reports_(report);
}

// A site that failed a moment ago may well fail again at once: the second
// try waits a little, leaving it time to the moment.
void Placement::PauseBeforeRetry() {
  const std::int64_t left = commitBy_ - clock_.NowMicros();
  const std::int64_t pause = std::min<std::int64_t>(kSecond, left / 3);
  if (pause <= 0) return;
  std::unique_lock<std::mutex> guard(lock_);
  wake_.wait_for(guard, std::chrono::microseconds(pause), [this] { return stop_ || go_; });
}

bool Placement::FetchKey(std::string& key, std::string& error) {
  const ServerProfile& profile = account_.Profile();
  for (int attempt = 0; attempt < 2 && !abandon_; ++attempt) {
    const std::int64_t left = commitBy_ - clock_.NowMicros();
    // The first try leaves half the time to the moment for a second one.
    if (attempt > 0 && left < kSecond) break;
    const std::int64_t allowed = attempt == 0 ? std::max(left / 2, 2 * kSecond) : std::max(left, kSecond);
    ExchangeOptions options;
    options.waitForBox = false;
    options.deadline = std::chrono::milliseconds(allowed / 1000);
    Report exchanged = NewReport(Report::SetupAnswered);
    exchanged.attempt = attempt + 1;
    options.timing = &exchanged.timing;
    options.abandon = &abandon_;
    options.caFile = profile.ca_file;
    options.error = &error;
    options.lane = Lane();
    Report sent = NewReport(Report::SetupSent);
    sent.attempt = attempt + 1;
    reports_(sent);
    std::string page;
    error.clear();
    const bool answered =
        client_.Exchange("POST", profile.URL, ExpandTemplate(bid_, profile.bid_setup.HTTPObject),
                         ExpandTemplate(bid_, profile.bid_setup.HTTPData), page,
                         exchanged.dateHeader, options);
    if (!answered) {
      Report failed = NewReport(Report::SetupFailed);
      failed.attempt = attempt + 1;
      ExchangeFailed(failed, error);
      PauseBeforeRetry();
      continue;
    }
    reports_(exchanged);
    const PatternResult found = SearchPattern(profile.bid_setup.keyexp, page, key, ui_,
                                              "Malformed regular expression parsing bid key\n");
    if (found == PatternResult::Match) return true;
    Report missing = NewReport(Report::KeyMissing);
    missing.attempt = attempt + 1;
    missing.error = found == PatternResult::Failed ? "Malformed regular expression parsing bid key"
                                                   : "No bid key in the setup reply";
    error = missing.error;
    reports_(missing);
    if (found == PatternResult::Failed) break;  // a broken pattern stays broken
    PauseBeforeRetry();
  }
  if (error.empty() && !abandon_) error = "No time left for the bid setup";
  return false;
}

void Placement::Run() {
  std::string key;
  std::string error;
  const bool haveKey = FetchKey(key, error);
  if (haveKey) {
    Report found = NewReport(Report::KeyFound);
    found.key = key;
    reports_(found);
  }
  Report finished = NewReport(Report::Finished);
  if (haveKey && WaitForGo()) {
    {
      std::lock_guard<std::mutex> guard(lock_);
      commitSent_ = true;  // from here on the commit is not abandoned
    }
    Report sent = NewReport(Report::CommitSent);
    reports_(sent);
    bid_.bidKey = key;  // expanded only now, so that %[BIDKEY] gives the key
    const ServerProfile& profile = account_.Profile();
    ExchangeOptions options;
    options.waitForBox = false;
    options.deadline = kCommitDeadline;
    options.abandon = &abandon_;
    options.caFile = profile.ca_file;
    options.error = &error;
    options.lane = Lane();
    Report exchanged = NewReport(Report::CommitAnswered);
    options.timing = &exchanged.timing;
    std::string page;
    finished.committed =
        client_.Exchange("POST", profile.URL, ExpandTemplate(bid_, profile.bid_commit.HTTPObject),
                         ExpandTemplate(bid_, profile.bid_commit.HTTPData), page,
                         exchanged.dateHeader, options);
    if (finished.committed) {
      reports_(exchanged);
    } else if (!abandon_ && !error.empty()) {
      ui_.PostErrorBox(error);  // the box the failed exchange would have posted
    }
  }
  client_.CloseLane(account_.Profile().URL, account_.Profile().ca_file, Lane());
  finished.abandoned = abandon_ && !finished.committed;
  if (!finished.committed) finished.error = error;
  done_ = true;
  reports_(finished);
}
