#include "engine/SnipeEngine.h"

#include "bids/BidColumns.h"
#include "bids/BidListDisplay.h"
#include "bids/BidScheduler.h"
#include "bids/SiteOperations.h"
#include "engine/HistoryLog.h"
#include "engine/Placement.h"
#include "engine/PreMomentCheck.h"
#include "engine/PostingUserInterface.h"
#include "engine/ReadPool.h"
#include "engine/SiteClock.h"
#include "net/HttpClient.h"
#include "net/LocalClock.h"
#include "net/SiteRequest.h"
#include "net/SiteTimeParser.h"
#include "site/ErrorReport.h"
#include "site/ItemPageReader.h"
#include "store/BidFile.h"
#include "store/TextNumbers.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <limits>
#include <map>
#include <optional>

namespace {

constexpr std::int64_t kSecond = 1'000'000;
// Snapshots for the windows, at most this often while work pours in.
constexpr std::int64_t kPublishEvery = 100'000;
// Probes narrow the site clock for bids due within this time.
constexpr std::int64_t kProbeHorizon = 180 * kSecond;
// The setup goes this long before the moment, plus a few exchanges.
constexpr std::int64_t kSetupLead = 3 * kSecond;
constexpr std::int64_t kNever = std::numeric_limits<std::int64_t>::max();
// After the end the final read comes within this (a re-read included).
constexpr std::int64_t kFinalReadTime = 5 * kSecond;

}  // namespace

// Everything the engine's thread owns. Only that thread touches it, but for
// the inbox and the published snapshot, which have their own lock.
class SnipeEngine::Core : private SiteOperations, private BidListDisplay {
 public:
  Core(HttpClient& client, UserInterface& ui, const SiteTimeParser& times, const LocalClock& clock,
       std::string bidFilePath, EngineObserver& observer, const Hooks& hooks)
      : client_(client),
        postingUi_(ui),
        times_(times),
        clock_(clock),
        bidFilePath_(std::move(bidFilePath)),
        observer_(observer),
        hooks_(hooks),
        report_(postingUi_),
        reader_(client, times, clock, postingUi_, report_),
        scheduler_(list_, *this, clock, *this),
        reads_(client, [this](std::unique_ptr<SiteRequest> request) { Deliver(std::move(request)); }) {
    PublishNow();
  }

  ~Core() {
    // Their threads report into the inbox: they end while it is there.
    checks_.clear();
    for (auto& [id, placement] : placements_) placement->Abandon();
    for (auto& placement : retired_) placement->Abandon();
    placements_.clear();
    retired_.clear();
  }

  // The engine's loop: commands and results as they come, the pass once a
  // second, and each bid's moment when it comes.
  void Run() {
    while (true) {
      std::vector<Entry> batch;
      {
        std::unique_lock<std::mutex> guard(lock_);
        const std::int64_t wake = NextWake();
        const std::int64_t now = clock_.NowMicros();
        if (inbox_.empty() && !stopping_ && wake > now) {
          // Waits are cut into slices: a suspend stops the wait's own clock.
          const std::int64_t wait = std::min(wake - now, kSecond);
          wakeUp_.wait_for(guard, std::chrono::microseconds(wait));
        }
        if (stopping_ && inbox_.empty()) break;
        batch.swap(inbox_);
      }
      for (Entry& entry : batch) {
        Handle(entry);
        // A long batch must not hold a moment that comes meanwhile.
        if (started_ && clock_.NowMicros() >= nextMoment_) Plan(clock_.NowMicros());
      }
      Step();
      NoteEnds();
    }
    Save();
  }

  void Post(std::function<void(Core&)> command) {
    Push(Entry{std::move(command), nullptr, std::nullopt, false});
  }

  void RequestStop() {
    {
      std::lock_guard<std::mutex> guard(lock_);
      stopping_ = true;
    }
    wakeUp_.notify_all();
  }

  std::shared_ptr<const EngineSnapshot> Snapshot() const {
    std::lock_guard<std::mutex> guard(lock_);
    return snapshot_;
  }

  // Commands, on the engine's thread.
  BidList& List() { return list_; }
  void Start() {
    if (started_) return;
    started_ = true;
    const std::int64_t now = clock_.NowMicros();
    nextTick_ = now + kSecond;
    refreshAllAt_ = now + kSecond;
  }
  void AddBid(const Bid& bid, bool refreshNow) {
    const std::size_t row = list_.AddBid(bid);
    Bid& added = *list_.BidAt(row);
    std::string details = "maximum " + FormatTwoDecimals(added.MaxBid()) + ", margin " +
                          std::to_string(added.Margin()) + " s";
    if (!added.group.empty()) details += ", group " + added.group;
    Emit(added, BidEvent::Kind::Added, details);
    if (refreshNow) scheduler_.RequestRead(added);
    Changed();
    Save();
  }
  void EditBid(std::uint32_t id, std::uint32_t item, float maxBid, std::int32_t margin,
               const std::string& group) {
    Bid* bid = list_.FindBidById(id);
    if (bid == nullptr) return;
    const bool otherItem = item != bid->Item();
    // A placement under way works on a copy: one made before a change of
    // the amount or the margin would bid the old one.
    if (!otherItem && (maxBid != bid->MaxBid() || margin != bid->Margin())) Retire(id);
    bid->SetItem(item);
    bid->SetMaxBid(maxBid);
    bid->SetMargin(margin);
    bid->group = group;
    // What the check found may no longer hold: it looks again.
    bid->note.clear();
    checked_.erase(id);
    if (otherItem) {
      // Nothing read of the old item holds for the new one.
      bid->ForgetSiteData();
      Retire(id);
      scheduler_.ForgetPlacement(id);
      scheduler_.RequestRead(*bid);
    }
    Changed();
    Save();
  }
  void DeleteBids(const std::vector<std::uint32_t>& ids) {
    for (const std::uint32_t id : ids) {
      if (const auto row = list_.RowOf(list_.FindBidById(id))) list_.DeleteRow(*row);
      Retire(id);
      lastRead_.erase(id);
      checked_.erase(id);
    }
    Changed();
    Save();
  }
  void Refresh(std::uint32_t id) {
    if (Bid* bid = list_.FindBidById(id)) scheduler_.RequestRead(*bid);
    Changed();
  }
  void RefreshAll() {
    if (hooks_.refreshAll) hooks_.refreshAll();
    for (std::size_t row = 0; row < list_.RowCount(); ++row) scheduler_.RequestRead(*list_.BidAt(row));
    Changed();
  }
  // After a sleep nothing read before it can be trusted: the page says
  // what happened meanwhile, and the site's clock is learnt again.
  void RefreshWatching() {
    for (std::size_t row = 0; row < list_.RowCount(); ++row) {
      Bid* bid = list_.BidAt(row);
      if (bid->status == BidStatus::Watching) scheduler_.RequestRead(*bid);
    }
    Changed();
  }
  void SetLogsFolder(const std::string& folder) { logsFolder_ = folder; }
  void SetAccount(const Account& account) {
    list_.AccountRecord() = account;
    // Placements under way carry the old account: they start again.
    std::vector<std::uint32_t> underWay;
    for (const auto& [id, placement] : placements_) underWay.push_back(id);
    for (const std::uint32_t id : underWay) Retire(id);
    Changed();
  }
  void SetDefaultMargin(std::int32_t margin) {
    list_.defaultMargin = margin;
    Changed();
  }
  void SetSort(const SortOrder& order) {
    sort_ = order;
    SortRows();
  }
  void SetVisible(bool visible) {
    scheduler_.SetVisible(visible);
    Changed();
  }
  void Save() {
    if (!leaveBidFileAlone_) SaveBidFile(bidFilePath_, list_);
  }
  void LeaveBidFileAlone() { leaveBidFileAlone_ = true; }
  void KeepHistory(const std::string& path) { history_ = std::make_unique<HistoryLog>(path); }

 private:
  struct Entry {
    std::function<void(Core&)> command;
    std::unique_ptr<SiteRequest> read;
    std::optional<Placement::Report> report;
    bool probe = false;
  };

  void Push(Entry entry) {
    {
      std::lock_guard<std::mutex> guard(lock_);
      inbox_.push_back(std::move(entry));
    }
    wakeUp_.notify_all();
  }

  void Deliver(std::unique_ptr<SiteRequest> request, bool probe = false) {
    Push(Entry{nullptr, std::move(request), std::nullopt, probe});
  }

  void Handle(Entry& entry) {
    if (entry.command) {
      entry.command(*this);
    } else if (entry.read && ForAnotherItem(*entry.read)) {
      if (entry.probe) probeInFlight_ = false;
    } else if (entry.read && !entry.read->succeeded) {
      ReadFailed(*entry.read);
    } else if (entry.read) {
      if (entry.probe) probeInFlight_ = false;
      Sample(entry.read->host, entry.read->dateHeader, entry.read->timing);
      making_[static_cast<std::uint32_t>(entry.read->tag)] = clocks_[entry.read->host].Extra(entry.read->timing);
      readingProbe_ = entry.probe;
      scheduler_.HandleRequestDone(std::move(entry.read));
      readingProbe_ = false;
      Changed();
    } else if (entry.report) {
      HandleReport(*entry.report);
    }
  }

  // A read sent before the bid was given another item: neither its page nor
  // its failure says anything of the new one, whose own read is on its way.
  bool ForAnotherItem(const SiteRequest& request) {
    const Bid* bid = list_.FindBidById(static_cast<std::uint32_t>(request.tag));
    return bid != nullptr && request.item != 0 && request.item != bid->Item();
  }

  // A read that failed: its box as before, and a line in the bid's history.
  void ReadFailed(const SiteRequest& request) {
    postingUi_.PostErrorBox(request.error);
    if (const Bid* bid = list_.FindBidById(static_cast<std::uint32_t>(request.tag))) {
      Emit(*bid, BidEvent::Kind::ReadFailed, request.error);
    }
  }

  void HandleReport(const Placement::Report& report) {
    using K = BidEvent::Kind;
    Bid* bid = list_.FindBidById(report.bidId);
    if (bid == nullptr) return;
    const std::string attempt = "attempt " + std::to_string(report.attempt);
    switch (report.kind) {
      case Placement::Report::SetupSent:
        Emit(*bid, K::SetupSent, attempt);
        return;
      case Placement::Report::SetupAnswered:
        Sample(*bid, report.dateHeader, report.timing);
        Emit(*bid, K::SetupAnswered, attempt + ", reply in " + Seconds(report.timing.firstByte - report.timing.sent, 3) + " s");
        return;
      case Placement::Report::SetupFailed:
        Emit(*bid, K::SetupFailed, attempt + ": " + report.error);
        return;
      case Placement::Report::KeyFound:
        bid->bidKey = report.key;
        Emit(*bid, K::KeyFound, {});
        return;
      case Placement::Report::KeyMissing:
        Emit(*bid, K::KeyMissing, attempt + ": " + report.error);
        return;
      case Placement::Report::CommitSent:
        Emit(*bid, K::CommitSent, "maximum " + FormatTwoDecimals(bid->MaxBid()));
        return;
      case Placement::Report::CommitAnswered:
        Sample(*bid, report.dateHeader, report.timing);
        Emit(*bid, K::CommitAnswered, "reply in " + Seconds(report.timing.firstByte - report.timing.sent, 3) + " s");
        Emit(*bid, K::Placed, FormatTwoDecimals(bid->MaxBid()) + CommitArrival(*bid, report));
        return;
      case Placement::Report::Finished:
        if (!report.committed && !report.abandoned) {
          Emit(*bid, K::Failed, report.error.empty() ? "The bid was not placed" : report.error);
        }
        return;
    }
  }

  // ", the commit arrived 1.8 s before the end", by the site clock's
  // estimate, else by the whole seconds of the reply's Date.
  std::string CommitArrival(const Bid& bid, const Placement::Report& report) const {
    const SiteClock* clock = ClockOf(bid);
    if (clock != nullptr && clock->Known() && report.timing.sent != 0) {
      const std::int64_t arrived =
          clock->SiteMicrosAt(report.timing.sent) + clock->ArrivalDelay(!report.timing.newConnection);
      return ", the commit arrived " + Seconds(bid.endTime * kSecond - arrived, 1) + " s before the end";
    }
    SiteTime date = 0;
    if (times_.ParseSiteTime(report.dateHeader, date)) {
      return ", the commit arrived about " + std::to_string(bid.endTime - date) + " s before the end";
    }
    return {};
  }

  static std::string Seconds(std::int64_t micros, int decimals) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, static_cast<double>(micros) / kSecond);
    return text;
  }

  const SiteClock* ClockOf(const Bid& bid) const {
    if (bid.account == nullptr) return nullptr;
    const auto found = clocks_.find(bid.account->Profile().URL);
    return found != clocks_.end() ? &found->second : nullptr;
  }

  void Sample(const Bid& bid, const std::string& dateHeader, const ExchangeTiming& timing) {
    if (bid.account != nullptr) Sample(bid.account->Profile().URL, dateHeader, timing);
  }

  // One step of a bid's life, to the history log and the hook.
  void Emit(const Bid& bid, BidEvent::Kind kind, std::string details) {
    if (!history_ && !hooks_.bidEvent) return;
    BidEvent event;
    event.bidId = bid.Id();
    event.item = bid.Item();
    event.kind = kind;
    // One line each: a message's line breaks and tabs become blanks.
    for (char& c : details) {
      if (c == '\n' || c == '\r' || c == '\t') c = ' ';
    }
    while (!details.empty() && details.back() == ' ') details.pop_back();
    event.details = std::move(details);
    event.localTime = std::chrono::duration_cast<std::chrono::microseconds>(
                          std::chrono::system_clock::now().time_since_epoch())
                          .count();
    if (const SiteClock* clock = ClockOf(bid); clock != nullptr && clock->Known()) {
      event.siteTime = clock->SiteMicrosAt(clock_.NowMicros());
    }
    if (history_) history_->Append(event);
    if (hooks_.bidEvent) hooks_.bidEvent(event);
  }

  // Statuses as last seen: a bid that reaches its end is told once, and a
  // win cancels the rest of its group.
  void NoteEnds() {
    using K = BidEvent::Kind;
    std::map<std::uint32_t, BidStatus> now;
    std::vector<std::uint32_t> won;
    for (std::size_t row = 0; row < list_.RowCount(); ++row) {
      Bid& bid = *list_.BidAt(row);
      now[bid.Id()] = bid.status;
      if (bid.status >= BidStatus::AwaitingResult && !bid.note.empty()) {
        bid.note.clear();  // what might have made it fail is moot once it is over
        Changed();
      }
      const auto before = seen_.find(bid.Id());
      const BidStatus was = before != seen_.end() ? before->second : BidStatus::Unknown;
      if (was == bid.status) continue;
      if (was == BidStatus::Unknown && (bid.status == BidStatus::Won || bid.status == BidStatus::Ended) &&
          ToldBefore(bid)) {
        // An end told in an earlier run: not told again at every start.
        if (bid.status == BidStatus::Won && !bid.group.empty()) won.push_back(bid.Id());
        continue;
      }
      const std::string price = "price " + (bid.currentBid.empty() ? std::string("unknown") : bid.currentBid);
      const std::string bidder = ", high bidder " + (bid.highBidder.empty() ? std::string("none") : bid.highBidder);
      if (bid.status == BidStatus::Won) {
        Emit(bid, K::Won, price);
        if (!bid.group.empty()) won.push_back(bid.Id());
      } else if (bid.status == BidStatus::Ended) {
        const bool placed = was == BidStatus::BidPlaced || was == BidStatus::AwaitingResult;
        Emit(bid, placed ? K::Lost : K::Ended, price + bidder);
      }
    }
    seen_ = std::move(now);
    for (const std::uint32_t id : won) CancelGroup(id);
  }

  // The same end told in an earlier run (a different one is news).
  bool ToldBefore(const Bid& bid) {
    if (!history_) return false;
    if (!toldBefore_) toldBefore_ = HistoryLog::LastResults(history_->Path());
    const auto told = toldBefore_->find(std::to_string(bid.Item()));
    if (told == toldBefore_->end()) return false;
    return bid.status == BidStatus::Won ? told->second == "Won" : told->second != "Won";
  }

  // Every bid of the won bid's group that has not gone is cancelled: it
  // stays in the list, and a placement being prepared for it is given up.
  void CancelGroup(std::uint32_t wonId) {
    const Bid* winner = list_.FindBidById(wonId);
    if (winner == nullptr) return;
    const std::string group = winner->group;
    const std::uint32_t wonItem = winner->Item();
    bool cancelled = false;
    for (std::size_t row = 0; row < list_.RowCount(); ++row) {
      Bid& bid = *list_.BidAt(row);
      if (bid.Id() == wonId || bid.group != group) continue;
      if (bid.status != BidStatus::Unknown && bid.status != BidStatus::Watching) continue;
      if (scheduler_.Placed(bid.Id())) continue;
      Retire(bid.Id());
      bid.status = BidStatus::Cancelled;
      seen_[bid.Id()] = bid.status;
      Emit(bid, BidEvent::Kind::Cancelled,
           "item " + std::to_string(wonItem) + " of group " + group + " was won");
      Changed();
      cancelled = true;
    }
    // At once, not at the end: a run that ends without saving must not
    // bring them back as live bids.
    if (cancelled) Save();
  }

  void Sample(const std::string& host, const std::string& dateHeader, const ExchangeTiming& timing) {
    SiteTime date = 0;
    if (timing.sent == 0 || !times_.ParseSiteTime(dateHeader, date)) return;
    clocks_[host].AddReply(date, timing);
  }

  // The pass once a second, the start-up refresh, and every bid whose
  // moment, or whose setup's time, has come.
  void Step() {
    const std::int64_t now = clock_.NowMicros();
    if (started_ && now >= refreshAllAt_) {
      refreshAllAt_ = kNever;
      RefreshAll();
    }
    if (started_ && now >= nextTick_) {
      nextTick_ = std::max(nextTick_ + kSecond, now + kSecond / 2);
      if (hooks_.passBegin) hooks_.passBegin();
      scheduler_.TickAll();
      if (hooks_.passEnd) hooks_.passEnd();
    }
    if (started_) Plan(clock_.NowMicros());
    Reap();
    if (dirty_ && (clock_.NowMicros() - published_ >= kPublishEvery || InboxEmpty())) PublishNow();
  }

  void Plan(std::int64_t now) {
    nextMoment_ = kNever;
    // The probe reads the page the site makes fastest of the bids due soon.
    const Bid* probeWith = nullptr;
    std::int64_t probeMaking = kNever;
    BidList::Hold hold(list_);
    for (std::size_t row = 0; row < list_.RowCount(); ++row) {
      Bid* bid = list_.BidAt(row);
      if (bid->status != BidStatus::Watching) continue;
      const std::optional<std::int64_t> moment = Moment(*bid);
      if (!moment) continue;
      if (*moment - now < kProbeHorizon) {
        const auto making = making_.find(bid->Id());
        const std::int64_t took = making != making_.end() ? making->second : 0;
        if (took < probeMaking) {
          probeMaking = took;
          probeWith = bid;
        }
      }
      const std::int64_t setupAt = *moment - Lead(*bid);
      if (now < setupAt) CheckAhead(*bid, *moment - now);
      if (now >= setupAt && placements_.count(bid->Id()) == 0 && !scheduler_.Placed(bid->Id())) {
        StartPlacement(*bid, *moment);
      }
      if (now >= *moment) {
        scheduler_.Tick(*bid);  // the moment: the scheduler commits it
        if (!list_.IsRetired(bid)) ShowRow(row);
        continue;
      }
      nextMoment_ = std::min(nextMoment_, placements_.count(bid->Id()) ? *moment : std::min(*moment, setupAt));
    }
    if (probeWith != nullptr) Probe(*probeWith, now);
  }

  // When the bid's commit must leave: on the site clock's estimate where it
  // is narrow enough, else by the whole-second count. Reckoned for a new
  // connection: whether the setup's is still open is known only then, and
  // the placement waits the round trip it saves (KeptWait).
  std::optional<std::int64_t> Moment(const Bid& bid) const {
    if (!bid.readTime || bid.account == nullptr) return std::nullopt;
    const auto clock = clocks_.find(bid.account->Profile().URL);
    if (clock != clocks_.end() && clock->second.Precise()) {
      return clock->second.LocalTimeOf(bid.endTime - bid.Margin()) - clock->second.ArrivalDelay(false);
    }
    return *bid.readTime + (std::int64_t{bid.secondsLeftAtRead} - bid.Margin()) * kSecond;
  }

  // The check before the moment: once when the bid comes within the first
  // check's lead, and again within the last's (once only for a bid that
  // came into both at once).
  void CheckAhead(const Bid& bid, std::int64_t left) {
    if (left > kFirstCheck || checks_.count(bid.Id()) != 0) return;
    int& done = checked_[bid.Id()];
    const int due = left <= kLastCheck ? 2 : 1;
    if (done >= due) return;
    done = due;
    checks_[bid.Id()] = std::make_unique<PreMomentCheck>(
        client_, postingUi_, bid, logsFolder_, [this](std::unique_ptr<PreMomentCheck::Findings> findings) {
          // The page first, as any read: the findings are judged on it.
          std::shared_ptr<PreMomentCheck::Findings> shared(std::move(findings));
          if (shared->page && shared->page->succeeded) Deliver(std::move(shared->page));
          Post([shared](Core& core) { core.Checked(*shared); });
        });
  }

  void Checked(const PreMomentCheck::Findings& findings) {
    Bid* bid = list_.FindBidById(findings.bidId);
    if (bid == nullptr || bid->status != BidStatus::Watching) return;
    std::string note;
    for (const std::string& reason : PreMomentCheck::Reasons(*bid, list_.AccountRecord(), findings)) {
      note += (note.empty() ? "" : "; ") + reason;
    }
    bid->note = note;
    if (!note.empty()) Warn(*bid);
    Changed();
  }

  void Warn(const Bid& bid) { Emit(bid, BidEvent::Kind::Warning, bid.note); }

  std::int64_t Lead(const Bid& bid) const {
    const auto clock = bid.account ? clocks_.find(bid.account->Profile().URL) : clocks_.end();
    const std::int64_t exchange =
        clock != clocks_.end() ? 2 * clock->second.ArrivalDelay(false) : 2 * kSecond;
    return kSetupLead + 4 * exchange;
  }

  void StartPlacement(const Bid& bid, std::int64_t commitBy) {
    placements_[bid.Id()] = std::make_unique<Placement>(
        client_, postingUi_, clock_, bid, commitBy,
        [this](Placement::Report report) { Push(Entry{nullptr, nullptr, std::move(report), false}); });
  }

  // A placement whose bid went: given up unless its commit is on its way,
  // and kept until its thread is done.
  void Retire(std::uint32_t id) {
    const auto found = placements_.find(id);
    if (found == placements_.end()) return;
    found->second->AbandonUnlessCommitted();
    retired_.push_back(std::move(found->second));
    placements_.erase(found);
  }

  void Reap() {
    std::erase_if(checks_, [](const auto& entry) { return entry.second->Finished(); });
    std::erase_if(retired_, [](const std::unique_ptr<Placement>& p) { return p->Done(); });
    for (auto it = placements_.begin(); it != placements_.end();) {
      Bid* bid = list_.FindBidById(it->first);
      const bool over = bid == nullptr || (bid->status != BidStatus::Watching && it->second->Done());
      if (over && it->second->Done()) {
        it = placements_.erase(it);
      } else {
        ++it;
      }
    }
  }

  // One read at a chosen fraction of a second, to narrow the site clock.
  void Probe(const Bid& bid, std::int64_t now) {
    if (probeInFlight_ || bid.account == nullptr) return;
    SiteClock& clock = clocks_[bid.account->Profile().URL];
    const auto making = making_.find(bid.Id());
    const std::optional<std::int64_t> sendAt =
        clock.ProbeSendTime(now + 20'000, making != making_.end() ? making->second : 0);
    if (!sendAt) return;
    probeInFlight_ = true;
    std::shared_ptr<SiteRequest> request = ItemPageReader::MakeRequest(bid);
    probe_ = std::jthread([this, request, at = *sendAt](std::stop_token stop) {
      std::mutex m;
      std::condition_variable_any sleeper;
      std::unique_lock<std::mutex> guard(m);
      for (std::int64_t left = at - clock_.NowMicros(); left > 0 && !stop.stop_requested();
           left = at - clock_.NowMicros()) {
        sleeper.wait_for(guard, stop, std::chrono::microseconds(std::min(left, kSecond)),
                         [] { return false; });
      }
      if (stop.stop_requested()) return;
      auto owned = std::make_unique<SiteRequest>(*request);
      ExchangeOptions options;
      options.waitForBox = false;
      options.abandon = &probeAbandon_;
      if (client_.Fetch(*owned, options)) {
        Deliver(std::move(owned), true);
      } else {
        Post([](Core& core) { core.probeInFlight_ = false; });
      }
    });
  }

  // SiteOperations
  bool MomentReached(const Bid& bid, std::int64_t now) override {
    if (bid.secondsLeft < 0) return true;  // whatever the estimate says
    const auto clock = bid.account ? clocks_.find(bid.account->Profile().URL) : clocks_.end();
    if (clock == clocks_.end() || !clock->second.Precise()) return bid.secondsLeft <= bid.Margin();
    const std::optional<std::int64_t> moment = Moment(bid);
    return moment && now >= *moment;
  }
  bool RequestItemPage(Bid& bid) override {
    bid.refreshWanted = false;
    bid.dataFresh = false;
    // The read of the bid nearest its moment goes first; a bid never read
    // may be the nearest of all.
    const std::int64_t now = clock_.NowMicros();
    std::int64_t urgency = now;
    if (bid.status == BidStatus::Watching || bid.status == BidStatus::BidPlaced) {
      if (const auto moment = Moment(bid)) urgency = std::max(now, *moment);
    }
    reads_.Queue(ItemPageReader::MakeRequest(bid), urgency);
    return true;
  }
  bool ApplyItemPage(Bid& bid, const SiteRequest& request) override {
    const BidStatus was = bid.status;
    report_.TakeLastText();
    const bool fresh = reader_.ApplyItemPage(bid, request);
    if (was == BidStatus::Cancelled) bid.status = was;  // nothing a page says undoes it
    if (fresh) {
      const bool final = was == BidStatus::AwaitingResult && bid.secondsLeftAtRead <= 0;
      const std::string seen = "price " + (bid.currentBid.empty() ? std::string("unknown") : bid.currentBid) +
                               ", high bidder " + (bid.highBidder.empty() ? std::string("none") : bid.highBidder);
      // The clock's probes read the page every second before the moment:
      // only what they find changed is worth a line.
      std::string& logged = lastRead_[bid.Id()];
      if (readingProbe_ && !final && seen == logged) return fresh;
      logged = seen;
      Emit(bid, final ? BidEvent::Kind::FinalRead : BidEvent::Kind::Read,
           seen + ", " + std::to_string(bid.secondsLeftAtRead) + " s left");
    } else if (bid.status == BidStatus::Invalid) {
      Emit(bid, BidEvent::Kind::ReadFailed, "The site does not know this item");
    } else {
      const std::string cause = report_.TakeLastText();
      Emit(bid, BidEvent::Kind::ReadFailed, cause.empty() ? "The item page could not be read" : cause);
    }
    return fresh;
  }
  bool PlaceBid(Bid& bid) override {
    if (hooks_.placing) hooks_.placing(bid.Item());
    auto& placement = placements_[bid.Id()];
    // One that gave up without a key has a last try now.
    if (placement && placement->Done() && !placement->CommitSent()) {
      retired_.push_back(std::move(placement));
    }
    if (!placement) {
      placement = std::make_unique<Placement>(
          client_, postingUi_, clock_, bid, clock_.NowMicros(),
          [this](Placement::Report report) { Push(Entry{nullptr, nullptr, std::move(report), false}); });
    }
    placement->Go(KeptWait(bid));
    Changed();
    return true;
  }

  std::int64_t KeptWait(const Bid& bid) const {
    if (bid.account == nullptr) return 0;
    const auto clock = clocks_.find(bid.account->Profile().URL);
    if (clock == clocks_.end() || !clock->second.Precise()) return 0;
    return clock->second.ArrivalDelay(false) - clock->second.ArrivalDelay(true);
  }

  // BidListDisplay
  void ShowRow(std::size_t) override { Changed(); }
  void SortRows() override {
    const int column = sort_.Column();
    const bool descending = sort_.Descending();
    if (sort_.Order() != 0) {
      list_.SortRows([column, descending](const Bid& a, const Bid& b) {
        return BidColumns::GoesBefore(a, b, column, descending);
      });
    }
    Changed();
  }

  void Changed() { dirty_ = true; }

  bool InboxEmpty() const {
    std::lock_guard<std::mutex> guard(lock_);
    return inbox_.empty();
  }

 public:
  // A snapshot for the windows now (and the observer told).
  void PublishNow() {
    auto snapshot = std::make_shared<EngineSnapshot>();
    snapshot->account = list_.AccountRecord();
    snapshot->defaultMargin = list_.defaultMargin;
    snapshot->due = Due(clock_.NowMicros());
    snapshot->rows.reserve(list_.RowCount());
    for (std::size_t row = 0; row < list_.RowCount(); ++row) {
      snapshot->rows.push_back(*list_.BidAt(row));
      snapshot->rows.back().account = &snapshot->account;
    }
    {
      std::lock_guard<std::mutex> guard(lock_);
      snapshot->revision = snapshot_ ? snapshot_->revision + 1 : 1;
      snapshot_ = std::move(snapshot);
    }
    dirty_ = false;
    published_ = clock_.NowMicros();
    observer_.EngineChanged();
  }

 private:
  // The bids the computer must stay awake for: moments within the window,
  // ends not yet read.
  std::optional<EngineSnapshot::Due> Due(std::int64_t now) const {
    std::optional<EngineSnapshot::Due> due;
    for (std::size_t row = 0; row < list_.RowCount(); ++row) {
      const Bid& bid = *list_.BidAt(row);
      const bool waiting = bid.status == BidStatus::BidPlaced || bid.status == BidStatus::AwaitingResult;
      if (bid.status != BidStatus::Watching && !waiting) continue;
      const std::optional<std::int64_t> moment = bid.status == BidStatus::Watching ? Moment(bid) : std::nullopt;
      if (!waiting && (!moment || *moment - now > kDueWindow)) continue;
      const std::int64_t end =
          bid.readTime ? *bid.readTime + std::int64_t{bid.secondsLeftAtRead} * kSecond + kFinalReadTime : now;
      if (!due) due = EngineSnapshot::Due{bid.Item(), moment.value_or(now), std::max(end, now)};
      if (moment && (*moment < due->moment || due->moment <= now)) {
        due->item = bid.Item();
        due->moment = *moment;
      }
      due->until = std::max({due->until, end, now});
    }
    return due;
  }

  std::int64_t NextWake() const {
    if (!started_) return dirty_ ? published_ + kPublishEvery : kNever;
    std::int64_t wake = std::min(nextTick_, nextMoment_);
    wake = std::min(wake, refreshAllAt_);
    if (dirty_) wake = std::min(wake, published_ + kPublishEvery);
    return wake;
  }

  HttpClient& client_;
  PostingUserInterface postingUi_;
  const SiteTimeParser& times_;
  const LocalClock& clock_;
  std::string bidFilePath_;
  EngineObserver& observer_;
  const Hooks& hooks_;

  BidList list_;
  SortOrder sort_;
  ErrorReport report_;
  ItemPageReader reader_;
  BidScheduler scheduler_;
  std::map<std::string, SiteClock> clocks_;  // by host
  std::map<std::uint32_t, std::int64_t> making_;  // by bid: how long its page took the site
  std::map<std::uint32_t, std::unique_ptr<Placement>> placements_;
  std::vector<std::unique_ptr<Placement>> retired_;
  std::map<std::uint32_t, BidStatus> seen_;  // NoteEnds
  // Items whose end the history told before this run, read when first needed.
  std::optional<std::map<std::string, std::string>> toldBefore_;
  std::map<std::uint32_t, std::string> lastRead_;  // price and bidder last logged, by bid
  bool readingProbe_ = false;
  std::unique_ptr<HistoryLog> history_;

  bool started_ = false;
  bool leaveBidFileAlone_ = false;
  std::int64_t nextTick_ = kNever;
  std::int64_t refreshAllAt_ = kNever;
  std::int64_t nextMoment_ = kNever;
  bool dirty_ = false;
  std::int64_t published_ = 0;
  std::string logsFolder_;
  std::map<std::uint32_t, int> checked_;  // checks begun per bid: 1 the first, 2 the last too
  bool probeInFlight_ = false;
  std::atomic<bool> probeAbandon_{false};

  mutable std::mutex lock_;  // the inbox, stopping_ and the snapshot
  std::condition_variable wakeUp_;
  std::vector<Entry> inbox_;
  bool stopping_ = false;
  std::shared_ptr<const EngineSnapshot> snapshot_;

  // Last: their threads hand results to everything above.
  std::map<std::uint32_t, std::unique_ptr<PreMomentCheck>> checks_;
  ReadPool reads_;
  std::jthread probe_;

 public:
  void AbandonExchanges() { probeAbandon_ = true; }
};

SnipeEngine::SnipeEngine(HttpClient& client, UserInterface& ui, const SiteTimeParser& times,
                         const LocalClock& clock, std::string bidFilePath, EngineObserver& observer)
    : core_(std::make_unique<Core>(client, ui, times, clock, std::move(bidFilePath), observer, hooks)) {
  thread_ = std::thread([this] { core_->Run(); });
}

SnipeEngine::~SnipeEngine() { Stop(); }

void SnipeEngine::Stop() {
  if (!thread_.joinable()) return;
  core_->RequestStop();
  thread_.join();
  core_->AbandonExchanges();
  core_.reset();
}

void SnipeEngine::Post(std::function<void(Core&)> command) {
  if (core_) core_->Post(std::move(command));
}

void SnipeEngine::Call(const std::function<void(BidList&)>& job) {
  if (!thread_.joinable()) return;
  std::mutex m;
  std::condition_variable done;
  bool finished = false;
  Post([&](Core& core) {
    job(core.List());
    core.PublishNow();
    std::lock_guard<std::mutex> guard(m);
    finished = true;
    done.notify_all();
  });
  std::unique_lock<std::mutex> guard(m);
  done.wait(guard, [&] { return finished; });
}

void SnipeEngine::Start() { Post([](Core& core) { core.Start(); }); }
void SnipeEngine::LeaveBidFileAlone() { Post([](Core& core) { core.LeaveBidFileAlone(); }); }
void SnipeEngine::KeepHistory(const std::string& path) {
  Post([path](Core& core) { core.KeepHistory(path); });
}
void SnipeEngine::AddBid(const Bid& bid, bool refreshNow) {
  Post([bid, refreshNow](Core& core) { core.AddBid(bid, refreshNow); });
}
void SnipeEngine::EditBid(std::uint32_t id, std::uint32_t item, float maxBid, std::int32_t margin,
                          const std::string& group) {
  Post([=](Core& core) { core.EditBid(id, item, maxBid, margin, group); });
}
void SnipeEngine::DeleteBids(const std::vector<std::uint32_t>& ids) {
  Post([ids](Core& core) { core.DeleteBids(ids); });
}
void SnipeEngine::Refresh(std::uint32_t id) { Post([id](Core& core) { core.Refresh(id); }); }
void SnipeEngine::RefreshAll() { Post([](Core& core) { core.RefreshAll(); }); }
void SnipeEngine::RefreshWatching() { Post([](Core& core) { core.RefreshWatching(); }); }
void SnipeEngine::SetLogsFolder(const std::string& folder) {
  Post([folder](Core& core) { core.SetLogsFolder(folder); });
}
void SnipeEngine::SetAccount(const Account& account) {
  Post([account](Core& core) { core.SetAccount(account); });
}
void SnipeEngine::SetDefaultMargin(std::int32_t margin) {
  Post([margin](Core& core) { core.SetDefaultMargin(margin); });
}
void SnipeEngine::SetSort(const SortOrder& order) { Post([order](Core& core) { core.SetSort(order); }); }
void SnipeEngine::SetVisible(bool visible) { Post([visible](Core& core) { core.SetVisible(visible); }); }

std::shared_ptr<const EngineSnapshot> SnipeEngine::Snapshot() const {
  return core_ ? core_->Snapshot() : std::make_shared<const EngineSnapshot>();
}
