#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

// Time stamps for the benchmarks in bench/. When the environment names a
// file in QUORREL_TIMING_LOG, the program appends a JSON line when its
// window is first shown, after every tick (how long the pass took) and when
// a tick places a bid (when that tick's timer fired). Without it nothing is
// measured or written.
class TimingLog {
 public:
  TimingLog();  // from the environment
  explicit TimingLog(const std::string& path);

  bool On() const { return file_ != nullptr; }
  void Shown();  // the first time only
  void Event(const char* name);
  // A tick's pass over the bids, and when the timer that asked for it fired.
  void BeginPass(std::int64_t firedMs);
  void EndPass();
  // A placement outside a pass (a page read inside the margin) has no tick.
  void Placing(std::uint32_t item);

  static std::int64_t LocalMilliseconds();  // the wall clock, as the site log has it

 private:
  void Write(const std::string& line);

  struct Closer {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };
  std::unique_ptr<std::FILE, Closer> file_;
  std::int64_t firedMs_ = 0;
  std::chrono::steady_clock::time_point passStart_;
  bool inPass_ = false;
  bool shown_ = false;
};
