#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// What the benchmarks share: reading JSON-lines logs, figures from samples,
// and the plain libcurl fetch the program's own is compared with.

std::string ReadWholeFile(const std::string& path);
std::vector<std::string> ReadLines(const std::string& path);
// A number field of a JSON line ("name":123); 0 when missing.
std::int64_t NumberField(const std::string& line, const std::string& name);
// A string field; empty when missing. No escapes are undone.
std::string TextField(const std::string& line, const std::string& name);
// Whether a site log line is a request whose target starts with `path`.
bool IsRequestFor(const std::string& siteLogLine, const std::string& path);
// The item number in a site log line (its target or body); 0 when none.
std::uint32_t ItemOf(const std::string& siteLogLine);

// Nearest-rank percentile of sorted samples; 0 when there are none.
double Percentile(const std::vector<double>& sorted, double p);

// Fetches every path from origin (http://host:port or https://host:port)
// in turn on one kept connection, asking for compressed pages as the
// program does; caFile: an authority to trust besides the system's. How
// many came.
int PlainSequentialFetch(const std::string& origin, const std::vector<std::string>& paths,
                         const std::string& caFile = {});

std::int64_t WallMilliseconds();
// Polls until `done` holds, at most `limitMs`; whether it did.
bool WaitUntil(const std::function<bool()>& done, std::int64_t limitMs);
