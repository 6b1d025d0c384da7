#pragma once

#include "PracticeSite.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// The practice site in the test's own process on free ports (plain and
// TLS), with the shipped servers.xml pointed at it, and its request log at
// hand.
class PracticeSiteFixture : public testing::Test {
 protected:
  void SetUp() override {
    PracticeSiteOptions options;
    options.port = 0;
    options.tlsPort = 0;
    options.tlsCertificate = QUORREL_PRACTICE_TLS "/site.pem";
    options.tlsKey = QUORREL_PRACTICE_TLS "/site.key";
    options.liveAuctions = 0;
    options.otherBidders = false;
    options.logPath = folder_.PathOf("site.log");
    Configure(options);
    site_ = std::make_unique<PracticeSite>(options);
    ASSERT_TRUE(site_->Start());
    std::string servers = TempFolder::Read(QUORREL_SHIPPED_SERVERS);
    const std::pair<std::string, std::string> moves[] = {
        {"127.0.0.1:8480", site_->Host()},
        {"127.0.0.1:8443", site_->TlsHost()},
        {"practice-tls/ca.pem", QUORREL_PRACTICE_TLS "/ca.pem"}};
    for (const auto& [shipped, here] : moves) {
      for (std::size_t at = 0; (at = servers.find(shipped, at)) != std::string::npos; at += here.size()) {
        servers.replace(at, shipped.size(), here);
      }
    }
    serversPath_ = folder_.Write("servers.xml", servers);
  }
  // For a test's own choices of the site.
  virtual void Configure(PracticeSiteOptions&) {}
  void TearDown() override { site_->Stop(); }

  // The log's lines for requests whose target starts with `prefix`.
  std::vector<std::string> Logged(const std::string& prefix) const {
    std::vector<std::string> lines;
    const std::string log = TempFolder::Read(folder_.PathOf("site.log"));
    const std::string mark = "\"target\":\"" + prefix;
    std::size_t start = 0;
    while (start < log.size()) {
      std::size_t end = log.find('\n', start);
      if (end == std::string::npos) end = log.size();
      const std::string line = log.substr(start, end - start);
      if (line.find(mark) != std::string::npos) lines.push_back(line);
      start = end + 1;
    }
    return lines;
  }

  // The local clock (ms) at which the site logged the line.
  static long long LocalMs(const std::string& line) {
    const std::size_t at = line.find("\"local_ms\":");
    return at == std::string::npos ? 0 : std::stoll(line.substr(at + 11));
  }

  TempFolder folder_;
  std::unique_ptr<PracticeSite> site_;
  std::string serversPath_;
};
