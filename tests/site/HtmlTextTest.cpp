#include "site/HtmlText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct DecodeCase {
  const char* label;
  std::string escaped;
  std::string meant;
};

class CharacterReferences : public testing::TestWithParam<DecodeCase> {};

TEST_P(CharacterReferences, AreDecodedOnce) {
  EXPECT_EQ(DecodeCharacterReferences(GetParam().escaped), GetParam().meant);
}

INSTANTIATE_TEST_SUITE_P(
    Values, CharacterReferences,
    testing::Values(
        DecodeCase{"named", "joe &amp; co &lt;b&gt; &quot;x&quot; &apos;y&apos;", "joe & co <b> \"x\" 'y'"},
        DecodeCase{"once_only", "&amp;lt; &amp;amp;", "&lt; &amp;"},
        DecodeCase{"numeric", "&#65;&#x42;&#X43;&#0067;", "ABCC"},
        DecodeCase{"utf8_beyond_ascii", "caf&#233; &nbsp;&#x20AC;", "caf\xC3\xA9 \xC2\xA0\xE2\x82\xAC"},
        DecodeCase{"latin1_value_gets_latin1", "caf\xE9 &#233;&nbsp;&#x20AC;", "caf\xE9 \xE9\xA0&#x20AC;"},
        DecodeCase{"not_references", "a & b &amp c &unknown; &#; &#x; &#0; &#xD800; &#1114112; &#12a;",
                   "a & b &amp c &unknown; &#; &#x; &#0; &#xD800; &#1114112; &#12a;"},
        DecodeCase{"at_the_ends", "&amp;x&gt;", "&x>"},
        DecodeCase{"dangling", "x&", "x&"}),
    [](const testing::TestParamInfo<DecodeCase>& info) { return info.param.label; });

}  // namespace
