#pragma once

#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

class BidList;
class PracticeSite;

// The real program in a program folder of its own, for the benchmarks: the
// shipped servers.xml pointed at the practice site, a verified account,
// settings without the update check, the given bids. The program's timing
// log (QUORREL_TIMING_LOG) is written into the folder. The folder goes with
// this object, and a program still running is ended first.
class ProgramRun {
 public:
  ProgramRun(const std::string& program, const std::string& label);
  ~ProgramRun();
  ProgramRun(const ProgramRun&) = delete;
  ProgramRun& operator=(const ProgramRun&) = delete;

  const std::string& Folder() const { return folder_; }  // ends in '/'
  // `location`: "USA", or "USA (secure)" for the site's TLS listener.
  bool Prepare(const PracticeSite& site, const BidList& bids, const std::string& location = "USA");
  bool Start();
  bool Running();
  // SIGTERM, then waits (at most 30 s); the exit code, 128 + the signal
  // that ended it, or -1 when it had not ended by then.
  int Stop();
  pid_t Pid() const { return pid_; }
  std::int64_t StartedMs() const { return startedMs_; }
  // VmRSS of the running program, in kilobytes; 0 when unknown.
  long ResidentKilobytes() const;
  std::vector<std::string> TimingLines() const;

 private:
  std::string program_;
  std::string folder_;
  pid_t pid_ = -1;
  std::int64_t startedMs_ = 0;
};
