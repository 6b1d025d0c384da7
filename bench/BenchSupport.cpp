#include "BenchSupport.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> ReadLines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

std::int64_t NumberField(const std::string& line, const std::string& name) {
  const std::string key = "\"" + name + "\":";
  const std::size_t at = line.find(key);
  return at == std::string::npos ? 0 : std::atoll(line.c_str() + at + key.size());
}

std::string TextField(const std::string& line, const std::string& name) {
  const std::string key = "\"" + name + "\":\"";
  const std::size_t at = line.find(key);
  if (at == std::string::npos) return {};
  const std::size_t start = at + key.size();
  const std::size_t end = line.find('"', start);
  return line.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

bool IsRequestFor(const std::string& siteLogLine, const std::string& path) {
  return siteLogLine.find("\"target\":\"" + path) != std::string::npos;
}

std::uint32_t ItemOf(const std::string& siteLogLine) {
  const std::size_t at = siteLogLine.find("item=");
  if (at == std::string::npos) return 0;
  return static_cast<std::uint32_t>(std::strtoul(siteLogLine.c_str() + at + 5, nullptr, 10));
}

double Percentile(const std::vector<double>& sorted, double p) {
  if (sorted.empty()) return 0.0;
  const auto rank = static_cast<std::size_t>(std::ceil(p * static_cast<double>(sorted.size())));
  return sorted[std::clamp<std::size_t>(rank, 1, sorted.size()) - 1];
}

namespace {

std::size_t Discard(char*, std::size_t size, std::size_t count, void*) { return size * count; }

}  // namespace

int PlainSequentialFetch(const std::string& origin, const std::vector<std::string>& paths,
                         const std::string& caFile) {
  int ok = 0;
  CURL* easy = curl_easy_init();
  for (const std::string& path : paths) {
    const std::string url = origin + path;
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Discard);
    curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "");
    if (!caFile.empty()) curl_easy_setopt(easy, CURLOPT_CAINFO, caFile.c_str());
    ok += curl_easy_perform(easy) == CURLE_OK;
  }
  curl_easy_cleanup(easy);
  return ok;
}

std::int64_t WallMilliseconds() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

bool WaitUntil(const std::function<bool()>& done, std::int64_t limitMs) {
  const std::int64_t end = WallMilliseconds() + limitMs;
  while (!done()) {
    if (WallMilliseconds() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}
