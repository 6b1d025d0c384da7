#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The program's own small XML reader and writer. The document is one byte
// buffer plus a table of element records holding offsets into it; reading
// walks the table with a three-level cursor (parent, current, child), writing
// splices text into the buffer and shifts the offsets behind the splice.
// Files written through it have one element per line, no indentation, no
// declaration and CR LF line ends.
//
// Names match exactly and case-sensitively; an empty name in a find matches
// any element. One thread at a time.
class XmlDocument {
 public:
  XmlDocument();

  // Replaces the text (up to its first NUL byte) and parses it. The cursor is
  // reset. On failure the element table is empty and ErrorText() says why.
  bool SetText(std::string_view text);
  const std::string& Text() const { return text_; }
  const std::string& ErrorText() const { return errorText_; }

  // Reads a whole file and parses it; a missing, empty or malformed file
  // leaves an empty document and gives false, as does one larger than
  // kLargestFile (no file of the program's comes near a megabyte, and
  // reading a runaway file whole could take all memory).
  static constexpr std::uintmax_t kLargestFile = 4u << 20;
  // A text is refused when it holds more elements than this many per byte
  // allows (plus a few for tiny documents): a record takes far more memory
  // than the shortest element's bytes, and no real file is made of "<a/>".
  static constexpr std::size_t kBytesPerElement = 8;
  static constexpr std::size_t MostElements(std::size_t textSize) {
    return textSize / kBytesPerElement + 16;
  }
  bool Load(const std::string& path);
  // Writes the text byte for byte. The file on disk is always either the old
  // one or the complete new one.
  bool Save(const std::string& path) const;

  bool IsWellFormed() const;

  bool FindElement(std::string_view name);
  bool FindChild(std::string_view name);
  void ResetChildPosition();
  bool EnterElement();
  bool LeaveElement();

  std::string ChildText() const;
  std::string ChildAttribute(std::string_view name) const;

  // An empty value writes the element as <name/>.
  bool AddElement(std::string_view name, std::string_view value = {});
  bool AddChild(std::string_view name, std::string_view value = {});
  bool SetChildAttribute(std::string_view name, std::string_view value);

  // ResetChildPosition, FindChild(name); found: out = ChildText(), true;
  // not found: out unchanged, !required.
  bool ReadChildText(std::string_view name, std::string& out, bool required);

  static std::string EncodeText(std::string_view raw);
  static std::string EncodeAttribute(std::string_view raw);
  static std::string Decode(std::string_view encoded);

 private:
  struct ElementRecord {
    std::size_t startTagBegin = 0;
    std::size_t startTagEnd = 0;
    std::size_t endTagBegin = 0;
    std::size_t endTagEnd = 0;
    std::size_t parent = 0;
    std::size_t firstChild = 0;
    std::size_t nextSibling = 0;
  };

  struct Token {
    bool found = false;
    bool quoted = false;
    bool closed = true;  // a quoted string met its closing quote
    std::size_t begin = 0;
    std::size_t end = 0;
  };

  Token NextToken(std::size_t& pos, std::size_t limit) const;
  std::string_view TokenText(const Token& token) const;
  bool Parse();
  bool SkipNode(std::size_t lt, std::size_t& end) const;
  bool CheckEndTag(std::size_t element);
  void Fail(const char* message, std::size_t element = 0);

  bool IsEmptyElement(std::size_t element) const;
  std::string_view ElementName(std::size_t element) const;
  bool NameMatches(std::size_t element, std::string_view name) const;
  // Finds the named attribute of an element: the range of its quoted value.
  bool FindAttribute(std::size_t element, std::string_view name, std::size_t& valueBegin,
                     std::size_t& valueEnd) const;

  bool InsertElement(std::size_t parent, std::size_t after, std::string_view name,
                     std::string_view value, std::size_t& added);
  // Moves every offset at or behind `at` by `delta` bytes.
  void ShiftOffsets(std::size_t at, std::ptrdiff_t delta, std::size_t except = 0);
  void ResetCursor();

  std::string text_;
  std::vector<ElementRecord> records_;
  std::string errorText_;
  std::size_t parentPos_ = 0;
  std::size_t currentPos_ = 0;
  std::size_t childPos_ = 0;
};
