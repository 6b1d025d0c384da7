#pragma once

#include "engine/BidEvent.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// logs/history.log: every step of every bid, one line each, so that a user
// can see afterwards why a snipe went as it did. Fields are separated by
// tabs: the local time, the site's time as estimated ("-" before there is
// an estimate), the item, the event, the details. Lines are only ever
// appended; when the file would pass its limit it becomes history.log.1
// (the one before is dropped) and a new one begins. Owner-only (0600): the
// details may name user ids.
class HistoryLog {
 public:
  static constexpr const char* kFileName = "history.log";
  static constexpr std::int64_t kRotateAt = 1'000'000;

  struct Line {
    std::string localTime;
    std::string siteTime;
    std::string item;
    std::string event;
    std::string details;
  };

  explicit HistoryLog(std::string path, std::int64_t rotateAt = kRotateAt);

  // False when the line could not be written (nothing else is told).
  bool Append(const BidEvent& event);

  static std::string OldPath(const std::string& path) { return path + ".1"; }
  const std::string& Path() const { return path_; }
  static std::string Format(const BidEvent& event);
  // One item's lines, oldest first, from the old file and the current one.
  static std::vector<Line> LinesOf(const std::string& path, std::uint32_t item);
  // Item -> the last end told of it: "Won", "Lost" or "Ended".
  static std::map<std::string, std::string> LastResults(const std::string& path);

 private:
  std::string path_;
  std::int64_t rotateAt_;
};
