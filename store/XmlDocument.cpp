#include "store/XmlDocument.h"

#include "store/AtomicFile.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

constexpr std::string_view kWhitespace = " \t\n\r";
constexpr std::string_view kDelimiters = " \t\n\r<>=\\/?!";
constexpr std::string_view kCdataOpen = "<![CDATA[";
constexpr std::string_view kCdataClose = "]]>";
constexpr std::string_view kLineEnd = "\r\n";

bool IsWhitespace(char c) { return kWhitespace.find(c) != std::string_view::npos; }
bool IsDelimiter(char c) { return kDelimiters.find(c) != std::string_view::npos; }

// A name we write must read back as one token, or the document we produce
// would not parse the way our records describe it.
bool IsWritableName(std::string_view name) {
  if (name.empty()) return false;
  for (char c : name) {
    if (IsDelimiter(c) || c == '"' || c == '\'' || c == '&' || c == '\0') return false;
  }
  return true;
}

std::string Encode(std::string_view raw, bool attribute) {
  std::string out;
  out.reserve(raw.size() + raw.size() / 10);
  for (char c : raw) {
    switch (c) {
      case '<': out += "&lt;"; break;
      case '&': out += "&amp;"; break;
      case '>': out += "&gt;"; break;
      case '\'':
        if (attribute) out += "&apos;"; else out += c;
        break;
      case '"':
        if (attribute) out += "&quot;"; else out += c;
        break;
      default: out += c;
    }
  }
  return out;
}

}  // namespace

XmlDocument::XmlDocument() { SetText({}); }

XmlDocument::Token XmlDocument::NextToken(std::size_t& pos, std::size_t limit) const {
  Token token;
  while (pos < limit && IsWhitespace(text_[pos])) ++pos;
  if (pos >= limit) return token;
  token.found = true;
  const char c = text_[pos];
  if (c == '"' || c == '\'') {
    token.quoted = true;
    token.begin = pos + 1;
    const std::size_t close = text_.find(c, token.begin);
    if (close == std::string::npos || close >= limit) {
      token.end = limit;
      token.closed = false;
      pos = limit;
    } else {
      token.end = close;
      pos = close + 1;
    }
    return token;
  }
  token.begin = pos;
  if (IsDelimiter(c)) {
    token.end = ++pos;
    return token;
  }
  while (pos < limit && !IsDelimiter(text_[pos])) ++pos;
  token.end = pos;
  return token;
}

std::string_view XmlDocument::TokenText(const Token& token) const {
  return std::string_view(text_).substr(token.begin, token.end - token.begin);
}

bool XmlDocument::SetText(std::string_view text) {
  const std::size_t nul = text.find('\0');
  text_.assign(text.substr(0, nul));
  errorText_.clear();
  records_.clear();
  records_.reserve(text_.size() / 64 + 8);
  records_.emplace_back();
  const bool ok = Parse();
  if (!ok) {
    records_.clear();
    records_.emplace_back();
  }
  ResetCursor();
  return ok;
}

void XmlDocument::Fail(const char* message, std::size_t element) {
  errorText_ = message;
  const std::size_t mark = errorText_.find("%s");
  if (mark != std::string::npos) errorText_.replace(mark, 2, ElementName(element));
}

bool XmlDocument::SkipNode(std::size_t lt, std::size_t& end) const {
  const std::size_t n = text_.size();
  if (n - (lt + 1) < 2) return false;
  auto endAfter = [&](std::size_t from, std::string_view terminator) {
    const std::size_t at = text_.find(terminator, from);
    if (at == std::string::npos) return false;
    end = at + terminator.size();
    return true;
  };
  if (text_[lt + 1] == '?') return endAfter(lt + 2, "?>");
  if (text_.compare(lt + 1, 2, "![") == 0) return endAfter(lt + 3, "]]>");
  if (text_.compare(lt + 1, 2, "!-") == 0) return endAfter(lt + 3, "-->");
  // A document type declaration: its internal subset may hold '>' in brackets.
  std::size_t pos = lt + 2;
  long depth = 0;
  for (;;) {
    const Token token = NextToken(pos, n);
    if (!token.found) return false;
    if (token.quoted) continue;
    const std::string_view t = TokenText(token);
    if (t == ">" && depth == 0) {
      end = token.end;
      return true;
    }
    for (char c : t) {
      if (c == '[') ++depth;
      if (c == ']') --depth;
    }
  }
}

// One forward pass with an explicit stack of open elements, so that no input,
// however deeply nested, can exhaust the call stack.
bool XmlDocument::Parse() {
  struct Open {
    std::size_t element;
    std::size_t lastChild;
  };
  std::vector<Open> open{{0, 0}};
  records_[0].endTagBegin = 0;  // the document's scan position

  // The table's memory stays a small multiple of the text's, however the
  // text is made: the count is bounded and the growth never overshoots it.
  const std::size_t mostRecords = MostElements(text_.size()) + 1;
  for (;;) {
    const std::size_t parent = open.back().element;
    const std::size_t element = records_.size();
    if (element >= mostRecords) {
      Fail("Too many elements");
      return false;
    }
    if (element == records_.capacity()) records_.reserve(std::min(2 * element, mostRecords));
    records_.emplace_back();
    records_[element].parent = parent;

    // Find the next tag, stepping over text, declarations and comments.
    std::size_t scan = records_[parent].endTagBegin;
    Token name;
    for (;;) {
      const std::size_t lt = text_.find('<', scan);
      if (lt == std::string::npos) {
        records_.pop_back();
        Fail("Element tag not found");
        return false;
      }
      records_[parent].endTagBegin = lt;
      std::size_t pos = lt + 1;
      name = NextToken(pos, text_.size());
      if (!name.found) {
        records_.pop_back();
        Fail("Abrupt end within tag");
        return false;
      }
      if (name.quoted) {
        records_.pop_back();
        Fail("Tag starts with quote");
        return false;
      }
      const char first = text_[name.begin];
      if (first != '?' && first != '!') break;
      if (!SkipNode(lt, scan)) {
        records_.pop_back();
        Fail("Invalid node");
        return false;
      }
    }

    if (TokenText(name) == "/") {
      // The parent's end tag: no element here.
      records_.pop_back();
      if (parent == 0) return false;
      if (!CheckEndTag(parent)) return false;
      open.pop_back();
      if (open.back().element == 0) return true;
      records_[open.back().element].endTagBegin = records_[parent].endTagEnd + 1;
      continue;
    }

    ElementRecord& record = records_[element];
    record.startTagBegin = records_[parent].endTagBegin;
    const std::size_t gt = text_.find('>', name.end);
    if (gt == std::string::npos) {
      records_.pop_back();
      Fail("End of tag not found");
      return false;
    }
    record.startTagEnd = gt;

    Open& frame = open.back();
    if (frame.lastChild == 0) {
      records_[parent].firstChild = element;
    } else {
      records_[frame.lastChild].nextSibling = element;
    }
    frame.lastChild = element;

    if (text_[gt - 1] == '/') {
      record.endTagBegin = gt - 1;
      record.endTagEnd = gt;
      if (parent == 0) return true;
      records_[parent].endTagBegin = gt + 1;
      continue;
    }
    record.endTagBegin = gt + 1;
    open.push_back({element, 0});
  }
}

bool XmlDocument::CheckEndTag(std::size_t element) {
  const std::size_t lt = records_[element].endTagBegin;
  if (lt >= text_.size() || text_[lt] != '<') {
    Fail("End tag of %s element not found", element);
    return false;
  }
  std::size_t pos = lt + 1;
  const Token slash = NextToken(pos, text_.size());
  const Token name = NextToken(pos, text_.size());
  if (!slash.found || !name.found) {
    Fail("End tag not completed for element %s", element);
    return false;
  }
  if (slash.quoted || TokenText(slash) != "/") {
    Fail("Expecting end tag of element %s", element);
    return false;
  }
  if (TokenText(name) != ElementName(element)) {
    Fail("End tag does not correspond to %s", element);
    return false;
  }
  for (;;) {
    const Token token = NextToken(pos, text_.size());
    if (!token.found) {
      Fail("End tag not completed for element %s", element);
      return false;
    }
    if (!token.quoted && TokenText(token) == ">") {
      records_[element].endTagEnd = token.begin;
      return true;
    }
  }
}

bool XmlDocument::Load(const std::string& path) {
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  if (!error && size > kLargestFile) {
    SetText({});
    errorText_ = "file too large";
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  std::string content;
  if (in && !error) {
    // Read in one go: a growing buffer would take twice the file's size.
    content.resize(static_cast<std::size_t>(size));
    in.read(content.data(), static_cast<std::streamsize>(size));
    content.resize(static_cast<std::size_t>(in.gcount()));
  }
  if (content.empty() || !SetText(content)) {
    const std::string error = errorText_;
    SetText({});
    errorText_ = error;
    return false;
  }
  return true;
}

bool XmlDocument::Save(const std::string& path) const { return WriteFileAtomically(path, text_); }

bool XmlDocument::IsWellFormed() const { return records_[0].firstChild != 0; }

void XmlDocument::ResetCursor() { parentPos_ = currentPos_ = childPos_ = 0; }

bool XmlDocument::IsEmptyElement(std::size_t element) const {
  const ElementRecord& r = records_[element];
  return element != 0 && r.startTagEnd == r.endTagBegin + 1;
}

std::string_view XmlDocument::ElementName(std::size_t element) const {
  if (element == 0) return {};
  std::size_t pos = records_[element].startTagBegin + 1;
  const Token token = NextToken(pos, text_.size());
  return token.found ? TokenText(token) : std::string_view();
}

bool XmlDocument::NameMatches(std::size_t element, std::string_view name) const {
  return name.empty() || ElementName(element) == name;
}

bool XmlDocument::FindElement(std::string_view name) {
  std::size_t i = currentPos_ ? records_[currentPos_].nextSibling : records_[parentPos_].firstChild;
  for (; i != 0; i = records_[i].nextSibling) {
    if (NameMatches(i, name)) {
      currentPos_ = i;
      parentPos_ = records_[i].parent;
      childPos_ = 0;
      return true;
    }
  }
  return false;
}

bool XmlDocument::FindChild(std::string_view name) {
  if (currentPos_ == 0 && !FindElement({})) return false;
  std::size_t i = childPos_ ? records_[childPos_].nextSibling : records_[currentPos_].firstChild;
  for (; i != 0; i = records_[i].nextSibling) {
    if (NameMatches(i, name)) {
      childPos_ = i;
      currentPos_ = records_[i].parent;
      parentPos_ = records_[currentPos_].parent;
      return true;
    }
  }
  return false;
}

void XmlDocument::ResetChildPosition() { childPos_ = 0; }

bool XmlDocument::EnterElement() {
  if (currentPos_ == 0) return false;
  parentPos_ = currentPos_;
  currentPos_ = childPos_;
  childPos_ = 0;
  return true;
}

bool XmlDocument::LeaveElement() {
  if (parentPos_ == 0) return false;
  childPos_ = currentPos_;
  currentPos_ = parentPos_;
  parentPos_ = records_[parentPos_].parent;
  return true;
}

std::string XmlDocument::Decode(std::string_view encoded) {
  static constexpr struct {
    std::string_view code;
    char c;
  } kEntities[] = {{"lt;", '<'}, {"amp;", '&'}, {"gt;", '>'}, {"apos;", '\''}, {"quot;", '"'}};
  std::string out;
  out.reserve(encoded.size());
  for (std::size_t i = 0; i < encoded.size(); ++i) {
    char c = encoded[i];
    if (c == '&') {
      const std::string_view rest = encoded.substr(i + 1);
      for (const auto& entity : kEntities) {
        if (rest.substr(0, entity.code.size()) == entity.code) {
          c = entity.c;
          i += entity.code.size();
          break;
        }
      }
    }
    out += c;
  }
  return out;
}

std::string XmlDocument::EncodeText(std::string_view raw) { return Encode(raw, false); }

std::string XmlDocument::EncodeAttribute(std::string_view raw) { return Encode(raw, true); }

std::string XmlDocument::ChildText() const {
  if (childPos_ == 0) return {};
  const ElementRecord& r = records_[childPos_];
  if (r.firstChild != 0 || IsEmptyElement(childPos_)) return {};
  const std::size_t begin = r.startTagEnd + 1;
  const std::size_t end = r.endTagBegin;
  const std::string_view content = std::string_view(text_).substr(begin, end - begin);

  std::size_t p = 0;
  while (p < content.size() && IsWhitespace(content[p])) ++p;
  const std::string_view rest = content.substr(p);
  if (rest.substr(0, kCdataOpen.size()) == kCdataOpen &&
      rest.size() >= kCdataOpen.size() + kCdataClose.size()) {
    const std::size_t close = rest.find(kCdataClose, kCdataOpen.size());
    if (close != std::string_view::npos) {
      return std::string(rest.substr(kCdataOpen.size(), close - kCdataOpen.size()));
    }
  }
  return Decode(content);
}

bool XmlDocument::FindAttribute(std::size_t element, std::string_view name,
                                std::size_t& valueBegin, std::size_t& valueEnd) const {
  if (name.empty()) return false;
  const ElementRecord& r = records_[element];
  // Only the start tag is searched, up to and including its '>'.
  const std::size_t limit = r.startTagEnd + 1;
  std::size_t pos = r.startTagBegin + 1;
  NextToken(pos, limit);  // the element's name
  for (;;) {
    const Token token = NextToken(pos, limit);
    if (!token.found) return false;
    if (token.quoted) continue;
    const std::string_view t = TokenText(token);
    if (t == ">" || t == "/") return false;
    if (t == "=" || t != name) continue;
    NextToken(pos, limit);  // token n + 1, normally '='
    const Token value = NextToken(pos, limit);
    if (!value.found || !value.quoted || !value.closed) return false;
    valueBegin = value.begin;
    valueEnd = value.end;
    return true;
  }
}

std::string XmlDocument::ChildAttribute(std::string_view name) const {
  std::size_t begin = 0, end = 0;
  if (childPos_ == 0 || !FindAttribute(childPos_, name, begin, end)) return {};
  return Decode(std::string_view(text_).substr(begin, end - begin));
}

void XmlDocument::ShiftOffsets(std::size_t at, std::ptrdiff_t delta, std::size_t except) {
  for (std::size_t i = 1; i < records_.size(); ++i) {
    if (i == except) continue;
    ElementRecord& r = records_[i];
    for (std::size_t* offset : {&r.startTagBegin, &r.startTagEnd, &r.endTagBegin, &r.endTagEnd}) {
      if (*offset >= at) *offset += delta;
    }
  }
}

bool XmlDocument::SetChildAttribute(std::string_view name, std::string_view value) {
  if (childPos_ == 0 || !IsWritableName(name)) return false;
  const std::string encoded = EncodeAttribute(value);
  std::size_t begin = 0, end = 0;
  if (FindAttribute(childPos_, name, begin, end)) {
    text_.replace(begin, end - begin, encoded);
    ShiftOffsets(end, static_cast<std::ptrdiff_t>(encoded.size()) -
                          static_cast<std::ptrdiff_t>(end - begin));
    return true;
  }
  const ElementRecord& r = records_[childPos_];
  const std::size_t at = IsEmptyElement(childPos_) ? r.endTagBegin : r.startTagEnd;
  std::string inserted = " ";
  inserted.append(name).append("=\"").append(encoded).append("\"");
  text_.insert(at, inserted);
  ShiftOffsets(at, static_cast<std::ptrdiff_t>(inserted.size()));
  return true;
}

bool XmlDocument::InsertElement(std::size_t parent, std::size_t after, std::string_view name,
                                std::string_view value, std::size_t& added) {
  if (!IsWritableName(name)) return false;
  std::string line = "<";
  line.append(name);
  std::size_t slashOrGt;  // offset within the line of the '/' of <name/> or the '>' of <name>
  if (value.empty()) {
    slashOrGt = line.size();
    line.append("/>");
  } else {
    slashOrGt = line.size();
    line.append(">").append(EncodeText(value)).append("</").append(name).append(">");
  }
  const std::size_t lineLength = line.size();
  line.append(kLineEnd);

  std::size_t lineStart;
  const bool parentEmpty = IsEmptyElement(parent);
  if (parentEmpty) {
    // <p/> becomes <p>, line end, the new line, </p>. Any further slashes
    // before it (<p//>) become blanks, or the tag would still close itself.
    const std::size_t slash = records_[parent].endTagBegin;
    for (std::size_t at = slash; at > records_[parent].startTagBegin && text_[at - 1] == '/'; --at) {
      text_[at - 1] = ' ';
    }
    std::string split = ">";
    split.append(kLineEnd).append(line).append("</").append(ElementName(parent));
    text_.replace(slash, 1, split);
    ShiftOffsets(slash + 1, static_cast<std::ptrdiff_t>(split.size()) - 1, parent);
    ElementRecord& p = records_[parent];
    p.startTagEnd = slash;
    lineStart = slash + 1 + kLineEnd.size();
    p.endTagBegin = lineStart + line.size();
    p.endTagEnd = slash + split.size();
  } else {
    std::size_t at;
    if (after != 0) {
      at = records_[after].endTagEnd + 1;
    } else if (parent == 0) {
      at = text_.size();
    } else {
      at = records_[parent].endTagBegin;
    }
    std::size_t next = at;
    while (next < text_.size() && IsWhitespace(text_[next])) ++next;
    if (next == text_.size() || text_[next] == '<') at = next;
    text_.insert(at, line);
    ShiftOffsets(at, static_cast<std::ptrdiff_t>(line.size()));
    lineStart = at;
  }

  added = records_.size();
  ElementRecord record;
  record.parent = parent;
  record.startTagBegin = lineStart;
  if (value.empty()) {
    record.endTagBegin = lineStart + slashOrGt;
    record.startTagEnd = record.endTagEnd = record.endTagBegin + 1;
  } else {
    record.startTagEnd = lineStart + slashOrGt;
    record.endTagEnd = lineStart + lineLength - 1;
    record.endTagBegin = record.endTagEnd - name.size() - 2;
  }
  if (after == 0 && records_[parent].firstChild != 0) {
    after = records_[parent].firstChild;
    while (records_[after].nextSibling != 0) after = records_[after].nextSibling;
  }
  if (after == 0) {
    records_[parent].firstChild = added;
  } else {
    record.nextSibling = records_[after].nextSibling;
    records_[after].nextSibling = added;
  }
  records_.push_back(record);
  return true;
}

bool XmlDocument::AddElement(std::string_view name, std::string_view value) {
  if (parentPos_ == 0 && IsWellFormed()) return false;
  std::size_t added = 0;
  if (!InsertElement(parentPos_, currentPos_, name, value, added)) return false;
  currentPos_ = added;
  childPos_ = 0;
  return true;
}

bool XmlDocument::AddChild(std::string_view name, std::string_view value) {
  if (currentPos_ == 0) return false;
  std::size_t added = 0;
  if (!InsertElement(currentPos_, childPos_, name, value, added)) return false;
  childPos_ = added;
  return true;
}

bool XmlDocument::ReadChildText(std::string_view name, std::string& out, bool required) {
  ResetChildPosition();
  if (!FindChild(name)) return !required;
  out = ChildText();
  return true;
}
