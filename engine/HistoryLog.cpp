#include "engine/HistoryLog.h"

#include "store/FileDescriptor.h"

#include <cstdio>
#include <ctime>
#include <fstream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Files larger than any this program writes are not read for the dialog.
constexpr std::int64_t kLargestRead = 16'000'000;

int OpenForAppend(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
  // A file made by something else keeps no wider mode than ours.
  if (fd >= 0) ::fchmod(fd, 0600);
  return fd;
}

// "2025-03-01 14:21:07.250", or the time alone, in the local zone.
std::string FormatTime(std::int64_t micros, bool withDate) {
  const std::time_t seconds = static_cast<std::time_t>(micros >= 0 ? micros / 1'000'000 : (micros - 999'999) / 1'000'000);
  const int millis = static_cast<int>((micros - std::int64_t{seconds} * 1'000'000) / 1000);
  std::tm parts{};
  if (localtime_r(&seconds, &parts) == nullptr) return "-";
  char text[64];
  std::strftime(text, sizeof text, withDate ? "%Y-%m-%d %H:%M:%S" : "%H:%M:%S", &parts);
  char full[80];
  std::snprintf(full, sizeof full, "%s.%03d", text, millis);
  return full;
}

void ReadLines(const std::string& path, const std::string& item, std::vector<HistoryLog::Line>& out) {
  struct stat status{};
  if (::stat(path.c_str(), &status) != 0 || status.st_size > kLargestRead) return;
  std::ifstream file(path, std::ios::binary);
  std::string text;
  while (std::getline(file, text)) {
    std::vector<std::string> fields;
    std::size_t begin = 0;
    for (std::size_t tab; fields.size() < 4 && (tab = text.find('\t', begin)) != std::string::npos;
         begin = tab + 1) {
      fields.push_back(text.substr(begin, tab - begin));
    }
    // Someone else's, or not a line of ours (an empty item takes every bid's).
    if (fields.size() != 4 || (!item.empty() && fields[2] != item)) continue;
    out.push_back({fields[0], fields[1], fields[2], fields[3], text.substr(begin)});
  }
}

}  // namespace

HistoryLog::HistoryLog(std::string path, std::int64_t rotateAt) : path_(std::move(path)), rotateAt_(rotateAt) {}

std::string HistoryLog::Format(const BidEvent& event) {
  std::string line = FormatTime(event.localTime, true);
  line += '\t';
  line += event.siteTime ? FormatTime(*event.siteTime, false) : "-";
  line += '\t' + std::to_string(event.item) + '\t' + EventName(event.kind) + '\t';
  // One line, whatever a page or a message held.
  for (const char c : event.details) {
    line += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? ' ' : c;
  }
  line += '\n';
  return line;
}

bool HistoryLog::Append(const BidEvent& event) {
  const std::string line = Format(event);
  struct stat status{};
  if (::stat(path_.c_str(), &status) == 0 && status.st_size > 0 &&
      status.st_size + static_cast<std::int64_t>(line.size()) > rotateAt_ &&
      ::rename(path_.c_str(), OldPath(path_).c_str()) != 0) {
    return false;
  }
  const FileDescriptor file(OpenForAppend(path_));
  return file.get() >= 0 && WriteAll(file.get(), line);
}

std::map<std::string, std::string> HistoryLog::LastResults(const std::string& path) {
  std::vector<Line> lines;
  ReadLines(OldPath(path), {}, lines);
  ReadLines(path, {}, lines);
  std::map<std::string, std::string> results;
  for (const Line& line : lines) {
    if (line.event == "Won" || line.event == "Lost" || line.event == "Ended") results[line.item] = line.event;
  }
  return results;
}

std::vector<HistoryLog::Line> HistoryLog::LinesOf(const std::string& path, std::uint32_t item) {
  std::vector<Line> lines;
  ReadLines(OldPath(path), std::to_string(item), lines);
  ReadLines(path, std::to_string(item), lines);
  return lines;
}
