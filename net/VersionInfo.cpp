#include "net/VersionInfo.h"

#include <boost/regex.hpp>

#include <charconv>
#include <fstream>
#include <iterator>
#include <limits>
#include <tuple>

namespace {

int ToNumber(const std::string& digits) {
  long long value = 0;
  const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (result.ec == std::errc::result_out_of_range || value > std::numeric_limits<int>::max()) {
    return std::numeric_limits<int>::max();
  }
  return static_cast<int>(value);
}

}  // namespace

std::string VersionInfo::VersionText() const {
  return std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(build) + "." +
         std::to_string(revision);
}

double VersionInfo::DisplayNumber() const { return (minor * 100.0 + build) * 0.01; }

int VersionInfo::CompareWithText(const std::string& text) const {
  static const boost::regex version(R"((\d+)\.(\d+)\.(\d+)\.(\d+))");
  boost::smatch m;
  try {
    if (!boost::regex_search(text, m, version)) return 0;
  } catch (const std::runtime_error&) {
    return 0;
  }
  const auto ours = std::tie(major, minor, build, revision);
  const std::tuple<int, int, int, int> theirs{ToNumber(m[1]), ToNumber(m[2]), ToNumber(m[3]),
                                              ToNumber(m[4])};
  if (ours < theirs) return 3;
  if (theirs < ours) return 1;
  return 2;
}

std::string VersionDataMarker() { return std::string("\x01Quorrel") + "VersionData\x02"; }

VersionInfo ReadVersionInfo(const std::string& path) {
  VersionInfo info;
  std::ifstream in(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::string marker = VersionDataMarker();
  const std::size_t at = bytes.find(marker);
  if (at == std::string::npos) return info;
  const std::size_t end = bytes.find('\x03', at);
  if (end == std::string::npos) return info;
  // "a.b.c.d\x02special build"
  const std::string data = bytes.substr(at + marker.size(), end - at - marker.size());
  const std::size_t separator = data.find('\x02');
  static const boost::regex numbers(R"(^(\d+)\.(\d+)\.(\d+)\.(\d+)$)");
  boost::smatch m;
  const std::string version = data.substr(0, separator);
  if (!boost::regex_match(version, m, numbers)) return info;
  info.major = ToNumber(m[1]);
  info.minor = ToNumber(m[2]);
  info.build = ToNumber(m[3]);
  info.revision = ToNumber(m[4]);
  if (separator != std::string::npos) info.specialBuild = data.substr(separator + 1);
  return info;
}
