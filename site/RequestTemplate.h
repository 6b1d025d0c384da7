#pragma once

#include <string>
#include <string_view>

class Account;
class Bid;

// Request templates of servers.xml: %[NAME] placeholders replaced, left to
// right, by the values of a bid and of the account. An unknown name stops
// the expansion there, leaving it and every later placeholder as written.
//
// USERID, PASSWORD and BIDKEY are percent-encoded when inserted, so that a
// value holding '&', '=', '%', '+', a space or a non-ASCII byte neither
// breaks the request nor adds form fields. The rest of the template is left
// as written.

// Knows ITEM, MAXBID, USERID, PASSWORD and BIDKEY.
std::string ExpandTemplate(const Bid& bid, const std::string& templateText);
// Knows USERID and PASSWORD only: for verifying an account being edited.
std::string ExpandAccountTemplate(const Account& account, const std::string& templateText);

// Every byte but A-Z a-z 0-9 - _ . ~ becomes %XX.
std::string PercentEncode(std::string_view value);
