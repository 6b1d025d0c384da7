// account-file: writes an account.cfg for a prepared program folder (for
// the screenshot, benchmarks and scripts).
//   account-file SERVERS.XML OUT.CFG USERID PASSWORD LOCATION [verified]
#include "site/Account.h"
#include "site/AccountFile.h"
#include "site/ServerList.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  if (argc < 6) {
    std::fprintf(stderr, "usage: %s SERVERS.XML OUT.CFG USERID PASSWORD LOCATION [verified]\n", argv[0]);
    return 2;
  }
  Account account;
  if (!account.SetAccount(ServerList(argv[1]), argv[3], argv[4], argv[5])) {
    std::fprintf(stderr, "account-file: no location \"%s\" in %s\n", argv[5], argv[1]);
    return 1;
  }
  account.SetVerified(argc > 6 && std::strcmp(argv[6], "verified") == 0);
  if (!SaveAccountFile(argv[2], account)) {
    std::fprintf(stderr, "account-file: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
