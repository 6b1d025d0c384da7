#pragma once

#include <string>
#include <string_view>

// A value taken from a page as the page's text means it: the character
// references &amp; &lt; &gt; &quot; &apos; &nbsp; &#NN; and &#xHH; are
// replaced by their characters. A character beyond ASCII is written in
// UTF-8 when the value is UTF-8 (or plain ASCII), else as its Latin-1 byte;
// a reference that cannot be written so, or that names no character (or
// the zero character), is left as it stands.
std::string DecodeCharacterReferences(std::string_view value);
