#pragma once

#include <string>

class UserInterface;

enum class PatternResult { Match, NoMatch, Failed };

// Compiles a pattern of servers.xml (Perl syntax, default flags: the dot
// matches line breaks) and searches it once anywhere in the page. On a
// match, `group1` is the first group's text with its HTML character
// references decoded (empty when the pattern has no group). Any exception (a pattern that does not compile, a search past the
// library's limits, memory) shows an error box of `failureMessage` followed
// by the pattern, and gives Failed.
PatternResult SearchPattern(const std::string& pattern, const std::string& page,
                            std::string& group1, UserInterface& ui,
                            const char* failureMessage);
