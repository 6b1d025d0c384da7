// practice-site: a small auction site on 127.0.0.1 to rehearse against.
//   practice-site [--port N] [--offset SECONDS] [--auctions N] [--log FILE]
//                 [--no-other-bidders] [--require-presignin] [--maintenance]
//                 [--stable VERSION] [--beta VERSION] [--seed N] [--rtt MS]
//                 [--tls-port N [--tls-cert FILE] [--tls-key FILE]] [--no-keep-alive]
//                 [--encoding gzip|identity]
// The TLS files default to those the build made in practice-tls/ beside
// this program.
// Ends on SIGINT or SIGTERM.
#include "PracticeSite.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
  PracticeSiteOptions options;
  std::error_code ignored;
  const std::filesystem::path tls = std::filesystem::read_symlink("/proc/self/exe", ignored).parent_path() / "practice-tls";
  options.tlsCertificate = (tls / "site.pem").string();
  options.tlsKey = (tls / "site.key").string();
  bool maintenance = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const auto value = [&]() -> std::string {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "practice-site: %s needs a value\n", arg.c_str());
        std::exit(2);
      }
      return argv[++i];
    };
    if (arg == "--port") options.port = std::atoi(value().c_str());
    else if (arg == "--offset") options.clockOffset = std::atoll(value().c_str());
    else if (arg == "--auctions") options.liveAuctions = std::atoi(value().c_str());
    else if (arg == "--log") options.logPath = value();
    else if (arg == "--stable") options.stableVersion = value();
    else if (arg == "--beta") options.betaVersion = value();
    else if (arg == "--rtt") options.rttMs = std::max(0, std::atoi(value().c_str()));
    else if (arg == "--tls-port") options.tlsPort = std::max(0, std::atoi(value().c_str()));
    else if (arg == "--tls-cert") options.tlsCertificate = value();
    else if (arg == "--tls-key") options.tlsKey = value();
    else if (arg == "--no-keep-alive") options.keepAlive = false;
    else if (arg == "--encoding") {
      options.encoding = value();
      if (options.encoding != "gzip" && options.encoding != "identity") {
        std::fprintf(stderr, "practice-site: --encoding is gzip or identity\n");
        return 2;
      }
    }
    else if (arg == "--seed") options.seed = static_cast<unsigned>(std::atoi(value().c_str()));
    else if (arg == "--no-other-bidders") options.otherBidders = false;
    else if (arg == "--require-presignin") options.requirePreSignIn = true;
    else if (arg == "--maintenance") maintenance = true;
    else {
      std::fprintf(stderr, "practice-site: unknown option %s\n", arg.c_str());
      return 2;
    }
  }

  // Block the ending signals before any thread starts, then wait for one.
  sigset_t endings;
  sigemptyset(&endings);
  sigaddset(&endings, SIGINT);
  sigaddset(&endings, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &endings, nullptr);

  PracticeSite site(options);
  site.SetMaintenance(maintenance);
  if (!site.Start()) {
    std::fprintf(stderr, "practice-site: cannot listen on %s:%d%s\n", options.address.c_str(),
                 options.port,
                 options.tlsPort >= 0 ? (" and " + std::to_string(options.tlsPort) + " (TLS: " +
                                         options.tlsCertificate + ", " + options.tlsKey + ")").c_str()
                                      : "");
    return 1;
  }
  std::printf("practice-site: http://%s/\n", site.Host().c_str());
  if (options.tlsPort >= 0) std::printf("practice-site: https://%s/\n", site.TlsHost().c_str());
  std::fflush(stdout);
  int signal = 0;
  sigwait(&endings, &signal);
  site.Stop();
  return 0;
}
