// Any text, however malformed, parses or fails without a read or write
// outside the buffer; what parses can be walked and edited, an edit reads
// back what was written, and the edited text parses to the same tree as
// the edited records describe.
#include "store/XmlDocument.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

void Walk(XmlDocument& document, int depth) {
  document.ResetChildPosition();
  while (document.FindChild("")) {
    (void)document.ChildText();
    (void)document.ChildAttribute("k");
    if (depth < 40 && document.EnterElement()) {
      Walk(document, depth + 1);
      Require(document.LeaveElement());
    }
  }
}

// The element tree under the current element as its texts and "k"
// attributes show it, nesting included.
std::string Tree(XmlDocument& document, int depth) {
  std::string out;
  document.ResetChildPosition();
  while (document.FindChild("")) {
    out += "[" + document.ChildText() + "|" + document.ChildAttribute("k");
    if (depth < 40 && document.EnterElement()) {
      out += Tree(document, depth + 1);
      Require(document.LeaveElement());
    }
    out += "]";
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  XmlDocument document;
  if (!document.SetText(input)) {
    Require(!document.IsWellFormed());
    return 0;
  }
  Walk(document, 0);
  Require(document.SetText(input));  // the cursor back at the start

  std::string value(input.substr(0, 24));
  std::erase(value, '\0');
  Require(document.FindElement(""));
  Require(!document.AddElement("second"));
  Require(document.AddChild("q", value));
  Require(document.ChildText() == value);
  Require(document.SetChildAttribute("k", value));
  Require(document.ChildAttribute("k") == value);
  Require(document.ChildText() == value);

  // The edited records and a fresh parse of the edited text see one tree.
  XmlDocument reparsed;
  Require(reparsed.SetText(document.Text()));
  Require(reparsed.FindElement(""));
  Require(Tree(reparsed, 0) == Tree(document, 0));
  return 0;
}
