#include "site/PatternSearch.h"

#include "net/UserInterface.h"
#include "site/HtmlText.h"

#include <boost/regex.hpp>

#include <exception>

PatternResult SearchPattern(const std::string& pattern, const std::string& page,
                            std::string& group1, UserInterface& ui,
                            const char* failureMessage) {
  try {
    const boost::regex expression(pattern);
    boost::smatch match;
    if (!boost::regex_search(page, match, expression)) return PatternResult::NoMatch;
    // Compared, shown and sent as the page means it, not as it is escaped.
    group1 = match.size() > 1 ? DecodeCharacterReferences(match[1].str()) : std::string();
    return PatternResult::Match;
  } catch (const std::exception&) {
    ui.ShowErrorBox(failureMessage + pattern);
    return PatternResult::Failed;
  }
}
