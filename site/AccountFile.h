#pragma once

#include <string>
#include <string_view>

class Account;
class ServerList;

// account.cfg: five fields, little-endian: the magic "Quorrel data v2.0",
// the user id and the password (both scrambled), the location, and one
// byte for verified. A text field is a 32-bit length L and L bytes: the
// text and a zero byte. Written atomically, readable by the owner only.

// True when there is no file (or one of another kind: the account keeps
// its defaults) or when it loaded and its location's profile could be
// built. A short or damaged file gives false, and so does a field longer
// than the reader's 2048-byte buffer. The verified byte is taken only
// when the account was set from the file.
bool LoadAccountFile(const std::string& path, const ServerList& servers, Account& account);
bool SaveAccountFile(const std::string& path, const Account& account);

// Not encryption: it keeps the two texts from being read at a glance.
std::string ScrambleText(std::string_view text);
std::string UnscrambleText(std::string_view text);
