#include "ProgramRun.h"

#include "BenchSupport.h"
#include "PracticeSite.h"
#include "bids/ListLayout.h"
#include "site/Account.h"
#include "site/AccountFile.h"
#include "site/ServerList.h"
#include "store/BidFile.h"
#include "store/ProgramSettings.h"
#include "store/XmlDocument.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

ProgramRun::ProgramRun(const std::string& program, const std::string& label) : program_(program) {
  const auto folder = std::filesystem::temp_directory_path() /
                      ("quorrel-" + label + "-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  folder_ = folder.string() + "/";
}

ProgramRun::~ProgramRun() {
  if (pid_ > 0) Stop();
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

bool ProgramRun::Prepare(const PracticeSite& site, const BidList& bids, const std::string& location) {
  std::error_code error;
  std::filesystem::copy_file(program_, folder_ + "quorrel",
                             std::filesystem::copy_options::overwrite_existing, error);
  if (error) return false;
  std::string servers = ReadWholeFile(QUORREL_SHIPPED_SERVERS);
  const std::pair<std::string, std::string> moves[] = {
      {"127.0.0.1:8480", site.Host()},
      {"127.0.0.1:8443", site.TlsHost()},
      {"practice-tls/ca.pem", QUORREL_PRACTICE_TLS "/ca.pem"}};
  for (const auto& [from, to] : moves) {
    for (std::size_t at = 0; (at = servers.find(from, at)) != std::string::npos; at += to.size()) {
      servers.replace(at, from.size(), to);
    }
  }
  std::ofstream(folder_ + "servers.xml") << servers;
  Account account;
  if (!account.SetAccount(ServerList(folder_ + "servers.xml"), "sniper", "pw", location)) return false;
  account.SetVerified(true);
  if (!SaveAccountFile(folder_ + "account.cfg", account)) return false;
  ProgramSettings settings;
  settings.checkUpdates = false;
  settings.loadAutomatically = false;
  XmlDocument document;
  document.AddElement("quorrel");
  WriteSettings(document, settings);
  WriteListLayout(document, ListLayout());
  return document.Save(folder_ + "quorrel.xml") && SaveBidFile(folder_ + "bids.xml", bids);
}

bool ProgramRun::Start() {
  startedMs_ = WallMilliseconds();
  pid_ = fork();
  if (pid_ == 0) {
    setenv("HOME", folder_.c_str(), 1);
    setenv("XDG_RUNTIME_DIR", folder_.c_str(), 1);  // the one-copy lock of this run alone
    setenv("XDG_CONFIG_HOME", (folder_ + ".config").c_str(), 1);
    setenv("QUORREL_TIMING_LOG", (folder_ + "timing.log").c_str(), 1);
    execl((folder_ + "quorrel").c_str(), "quorrel", static_cast<char*>(nullptr));
    _exit(127);
  }
  return pid_ > 0;
}

bool ProgramRun::Running() {
  if (pid_ <= 0) return false;
  int status = 0;
  if (waitpid(pid_, &status, WNOHANG) != pid_) return true;
  pid_ = -1;
  return false;
}

int ProgramRun::Stop() {
  if (pid_ <= 0) return -1;
  kill(pid_, SIGTERM);
  int status = 0;
  for (int i = 0; i < 300; ++i) {
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  kill(pid_, SIGKILL);
  waitpid(pid_, &status, 0);
  pid_ = -1;
  return -1;
}

long ProgramRun::ResidentKilobytes() const {
  if (pid_ <= 0) return 0;
  std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  }
  return 0;
}

std::vector<std::string> ProgramRun::TimingLines() const { return ReadLines(folder_ + "timing.log"); }
