#include "app/TimingLog.h"

#include <cstdlib>

namespace {

std::string PathFromEnvironment() {
  const char* path = std::getenv("QUORREL_TIMING_LOG");
  return path == nullptr ? std::string() : std::string(path);
}

}  // namespace

TimingLog::TimingLog() : TimingLog(PathFromEnvironment()) {}

TimingLog::TimingLog(const std::string& path) {
  if (!path.empty()) file_.reset(std::fopen(path.c_str(), "a"));
}

std::int64_t TimingLog::LocalMilliseconds() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

void TimingLog::Shown() {
  if (!On() || shown_) return;
  shown_ = true;
  Event("shown");
}

void TimingLog::Event(const char* name) {
  if (!On()) return;
  Write(std::string("{\"event\":\"") + name + "\",\"local_ms\":" + std::to_string(LocalMilliseconds()) +
        "}");
}

void TimingLog::BeginPass(std::int64_t firedMs) {
  if (!On()) return;
  firedMs_ = firedMs;
  passStart_ = std::chrono::steady_clock::now();
  inPass_ = true;
}

void TimingLog::EndPass() {
  if (!On() || !inPass_) return;
  inPass_ = false;
  const auto pass = std::chrono::steady_clock::now() - passStart_;
  Write("{\"event\":\"tick\",\"tick_ms\":" + std::to_string(firedMs_) + ",\"pass_us\":" +
        std::to_string(std::chrono::duration_cast<std::chrono::microseconds>(pass).count()) + "}");
}

void TimingLog::Placing(std::uint32_t item) {
  if (!On()) return;
  Write("{\"event\":\"place\",\"item\":" + std::to_string(item) +
        ",\"tick_ms\":" + std::to_string(inPass_ ? firedMs_ : 0) +
        ",\"local_ms\":" + std::to_string(LocalMilliseconds()) + "}");
}

void TimingLog::Write(const std::string& line) {
  std::fputs((line + "\n").c_str(), file_.get());
  std::fflush(file_.get());
}
