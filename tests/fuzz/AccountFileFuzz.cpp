// Any bytes as account.cfg: loaded or refused, never a read past a field.
#include "site/Account.h"
#include "site/AccountFile.h"
#include "site/ServerList.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const ServerList servers(QUORREL_SHIPPED_SERVERS);
  static const std::string path = [] {
    char name[] = "/tmp/quorrel-account-fuzz-XXXXXX";
    const int fd = ::mkstemp(name);
    if (fd >= 0) ::close(fd);
    return std::string(name);
  }();
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return 0;
  std::fwrite(data, 1, size, file);
  std::fclose(file);
  Account account;
  (void)LoadAccountFile(path, servers, account);
  return 0;
}
