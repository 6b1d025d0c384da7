#pragma once

#include <string>

class Bid;

// The checks of the "Bid options" dialog, in their order: item number,
// maximum bid, margin. The bid takes each value as it passes.
namespace BidOptions {

constexpr const char* kCaption = "Incorrect bid parameters";
constexpr const char* kIllegalItem = "Illegal item number";
constexpr const char* kIllegalMaxBid = "Illegal maximum bid";
constexpr const char* kIllegalMargin = "Illegal number of seconds";

// Null when all three pass; else the message of the first that fails.
const char* Check(const std::string& item, const std::string& maxBid, const std::string& margin,
                  Bid& bid);

// A number and nothing after it ("12.5"; not "12.5 ", "12,5" or ""); -1
// for anything else, which the bid refuses.
float ReadMaxBid(const std::string& text);
// Blanks, an optional minus sign, digits to the end; 0 for anything else.
int ReadMargin(const std::string& text);

// A typed group name as the bid keeps it: without blanks around it, control
// characters (a pasted line break) as blanks; "" for none.
std::string GroupName(const std::string& typed);

}  // namespace BidOptions
