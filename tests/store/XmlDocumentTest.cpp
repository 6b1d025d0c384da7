#include "store/XmlDocument.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

struct ParseCase {
  const char* label;
  std::string text;
  bool ok;
  const char* error;
};

class XmlParse : public testing::TestWithParam<ParseCase> {};

// Every way a text can fail gives its own message; what is stepped over is
// not part of the table.
TEST_P(XmlParse, ResultAndMessage) {
  const ParseCase& c = GetParam();
  XmlDocument document;
  EXPECT_EQ(document.SetText(c.text), c.ok);
  EXPECT_EQ(document.IsWellFormed(), c.ok);
  EXPECT_EQ(document.ErrorText(), c.error);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, XmlParse,
    testing::Values(
        ParseCase{"prolog", "<?xml version=\"1.0\"?>\r\n<!-- note -->\r\n"
                            "<!DOCTYPE r [ <!ENTITY e \"a>b\"> <!ELEMENT r ANY> ]>\r\n"
                            "<r><!-- inside --><a>1</a><![CDATA[<x>]]></r>",
                  true, ""},
        ParseCase{"only_first_top_level", "<r/><<<garbage", true, ""},
        ParseCase{"no_tag", "no markup at all", false, "Element tag not found"},
        ParseCase{"root_unclosed", "<r><a/>", false, "Element tag not found"},
        ParseCase{"crossed_tags", "<a><b></a>", false, "End tag does not correspond to b"},
        ParseCase{"lone_lt", "text <", false, "Abrupt end within tag"},
        ParseCase{"quoted_name", "<'r'/>", false, "Tag starts with quote"},
        ParseCase{"open_comment", "<!-- never closed <r/>", false, "Invalid node"},
        ParseCase{"short_node", "<!", false, "Invalid node"},
        ParseCase{"open_start_tag", "<r attr=\"1\"", false, "End of tag not found"},
        ParseCase{"cut_end_tag", "<r></", false, "End tag not completed for element r"},
        ParseCase{"end_tag_no_gt", "<r></r", false, "End tag not completed for element r"},
        ParseCase{"stray_end_tag", "</r>", false, ""}),
    [](const testing::TestParamInfo<ParseCase>& info) { return info.param.label; });

// A hostile nesting depth must not exhaust the stack.
TEST(XmlDocument, ParsesDeepNesting) {
  const int depth = 200000;
  std::string text;
  for (int i = 0; i < depth; ++i) text += "<ab>";
  for (int i = 0; i < depth; ++i) text += "</ab>";
  XmlDocument document;
  ASSERT_TRUE(document.SetText(text));
  text.resize(text.size() - 1);
  EXPECT_FALSE(document.SetText(text));
}

TEST(XmlDocument, CursorWalksSiblingsChildrenAndLevels) {
  XmlDocument d;
  ASSERT_TRUE(d.SetText("<r><m>1</m><g><m>2</m><m>3</m></g><m>4</m></r>"));
  EXPECT_FALSE(d.FindChild("M")) << "names are case-sensitive";
  ASSERT_TRUE(d.FindChild("m"));
  EXPECT_EQ(d.ChildText(), "1");
  ASSERT_TRUE(d.FindChild("m"));
  EXPECT_EQ(d.ChildText(), "4") << "a second find goes on after the first";
  EXPECT_FALSE(d.FindChild("m"));
  d.ResetChildPosition();
  ASSERT_TRUE(d.FindChild("m"));
  EXPECT_EQ(d.ChildText(), "1");

  d.ResetChildPosition();
  ASSERT_TRUE(d.FindChild("g"));
  EXPECT_EQ(d.ChildText(), "") << "an element with children has no text";
  ASSERT_TRUE(d.EnterElement());
  ASSERT_TRUE(d.FindChild("m"));
  EXPECT_EQ(d.ChildText(), "2");
  ASSERT_TRUE(d.FindChild("m"));
  EXPECT_EQ(d.ChildText(), "3");
  ASSERT_TRUE(d.LeaveElement());
  ASSERT_TRUE(d.FindChild("m"));
  EXPECT_EQ(d.ChildText(), "4") << "leaving returns to just after g";
  EXPECT_FALSE(d.LeaveElement()) << "nothing above the root's level";
  EXPECT_FALSE(d.FindElement("r")) << "the root has no sibling";
}

TEST(XmlDocument, EmptyDocumentRefusesEverything) {
  XmlDocument d;
  EXPECT_FALSE(d.IsWellFormed());
  EXPECT_FALSE(d.FindElement(""));
  EXPECT_FALSE(d.FindChild(""));
  EXPECT_FALSE(d.EnterElement());
  EXPECT_FALSE(d.LeaveElement());
  EXPECT_FALSE(d.AddChild("a", "1"));
  EXPECT_FALSE(d.SetChildAttribute("k", "v"));
  EXPECT_EQ(d.ChildText(), "");
  EXPECT_EQ(d.Text(), "");
}

struct TextCase {
  const char* content;
  const char* text;
};

class XmlChildText : public testing::TestWithParam<TextCase> {};

TEST_P(XmlChildText, DecodesAsStored) {
  XmlDocument d;
  ASSERT_TRUE(d.SetText(std::string("<r><v>") + GetParam().content + "</v><e/></r>"));
  ASSERT_TRUE(d.FindChild("v"));
  EXPECT_EQ(d.ChildText(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Contents, XmlChildText,
    testing::Values(TextCase{"x &amp; y &#38; z", "x & y &#38; z"},
                    TextCase{"&lt;&gt;&apos;&quot;&amp;amp;", "<>'\"&amp;"},
                    TextCase{"cut &amp", "cut &amp"}, TextCase{"&unknown;", "&unknown;"},
                    TextCase{" <![CDATA[1 < 2 &amp;]]> tail", "1 < 2 &amp;"},
                    TextCase{"<![CDATA[]]>", ""}, TextCase{"x <![CDATA[y]]>", "x <![CDATA[y]]>"},
                    TextCase{"\r\n  kept  \r\n", "\r\n  kept  \r\n"}, TextCase{"", ""}));

TEST(XmlDocument, EmptyElementHasEmptyText) {
  XmlDocument d;
  ASSERT_TRUE(d.SetText("<r><e/></r>"));
  ASSERT_TRUE(d.FindChild("e"));
  EXPECT_EQ(d.ChildText(), "");
}

struct AttributeCase {
  const char* tag;
  const char* value;
};

class XmlAttribute : public testing::TestWithParam<AttributeCase> {};

TEST_P(XmlAttribute, FindsOnlyQuotedValues) {
  XmlDocument d;
  ASSERT_TRUE(d.SetText(std::string("<r>") + GetParam().tag + "</r>"));
  ASSERT_TRUE(d.FindChild("s"));
  EXPECT_EQ(d.ChildAttribute("k"), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Tags, XmlAttribute,
    testing::Values(AttributeCase{"<s k=\"v\"/>", "v"}, AttributeCase{"<s k='v'/>", "v"},
                    AttributeCase{"<s k = \"v\"></s>", "v"}, AttributeCase{"<s k=v/>", ""},
                    AttributeCase{"<s K=\"v\"/>", ""}, AttributeCase{"<s x=\"k\" k=\"w\"/>", "w"},
                    AttributeCase{"<s k=\"a&amp;b&quot;\"/>", "a&b\""},
                    AttributeCase{"<s/>", ""}));

// The layout every file of the program is written in.
TEST(XmlDocument, WritesOneElementPerLineWithCrLf) {
  XmlDocument d;
  ASSERT_TRUE(d.AddElement("r"));
  EXPECT_FALSE(d.AddElement("second")) << "one root only";
  ASSERT_TRUE(d.AddChild("a", "1"));
  ASSERT_TRUE(d.AddChild("g"));
  ASSERT_TRUE(d.EnterElement());
  ASSERT_TRUE(d.AddChild("x", "2"));
  ASSERT_TRUE(d.AddChild("y"));
  ASSERT_TRUE(d.LeaveElement());
  ASSERT_TRUE(d.AddChild("b", "3"));
  EXPECT_EQ(d.Text(),
            "<r>\r\n<a>1</a>\r\n<g>\r\n<x>2</x>\r\n<y/>\r\n</g>\r\n<b>3</b>\r\n</r>\r\n");
}

// Offsets stay true after edits: what is written reads back through the
// same cursor, without a re-parse, and the text parses to the same.
TEST(XmlDocument, EditsKeepOffsetsTrue) {
  const std::string tricky = "a<b & \"c\" 'd'>";
  XmlDocument d;
  ASSERT_TRUE(d.SetText("<r>\r\n<first>1</first>\r\n<last>9</last>\r\n</r>\r\n"));
  ASSERT_TRUE(d.FindElement("r"));
  ASSERT_TRUE(d.FindChild("first"));
  ASSERT_TRUE(d.AddChild("mid", tricky));
  ASSERT_TRUE(d.AddChild("colour"));
  ASSERT_TRUE(d.SetChildAttribute("R", "1"));
  ASSERT_TRUE(d.SetChildAttribute("G", "2"));
  ASSERT_TRUE(d.SetChildAttribute("B", tricky));
  ASSERT_TRUE(d.SetChildAttribute("G", "200"));
  EXPECT_EQ(d.Text(),
            "<r>\r\n<first>1</first>\r\n<mid>a&lt;b &amp; \"c\" 'd'&gt;</mid>\r\n"
            "<colour R=\"1\" G=\"200\" B=\"a&lt;b &amp; &quot;c&quot; &apos;d&apos;&gt;\"/>\r\n"
            "<last>9</last>\r\n</r>\r\n");

  const auto check = [&](XmlDocument& doc) {
    doc.ResetChildPosition();
    ASSERT_TRUE(doc.FindChild("mid"));
    EXPECT_EQ(doc.ChildText(), tricky);
    ASSERT_TRUE(doc.FindChild("colour"));
    EXPECT_EQ(doc.ChildAttribute("G"), "200");
    EXPECT_EQ(doc.ChildAttribute("B"), tricky);
    ASSERT_TRUE(doc.FindChild("last"));
    EXPECT_EQ(doc.ChildText(), "9");
  };
  check(d);
  XmlDocument reparsed;
  ASSERT_TRUE(reparsed.SetText(d.Text()));
  ASSERT_TRUE(reparsed.FindElement("r"));
  check(reparsed);
}

// An empty parent is split open for its first child.
TEST(XmlDocument, SplitsEmptyParent) {
  XmlDocument d;
  ASSERT_TRUE(d.SetText("<r>\r\n<p k=\"1\"/>\r\n<q/>\r\n</r>\r\n"));
  ASSERT_TRUE(d.FindElement("r"));
  ASSERT_TRUE(d.FindChild("p"));
  ASSERT_TRUE(d.EnterElement());
  ASSERT_TRUE(d.AddChild("c", "v"));
  ASSERT_TRUE(d.AddChild("c2", "w"));
  ASSERT_TRUE(d.LeaveElement());
  EXPECT_EQ(d.ChildAttribute("k"), "1");
  ASSERT_TRUE(d.FindChild("q"));
  ASSERT_TRUE(d.SetChildAttribute("z", "2"));
  EXPECT_EQ(d.Text(),
            "<r>\r\n<p k=\"1\">\r\n<c>v</c>\r\n<c2>w</c2>\r\n</p>\r\n<q z=\"2\"/>\r\n</r>\r\n");

  // A tag closed by more than one slash is split open all the same: the
  // child must read back as a child.
  ASSERT_TRUE(d.SetText("<a:name//>"));
  ASSERT_TRUE(d.FindElement(""));
  ASSERT_TRUE(d.AddChild("q", "v"));
  XmlDocument reparsed;
  ASSERT_TRUE(reparsed.SetText(d.Text())) << d.Text();
  ASSERT_TRUE(reparsed.FindElement("a:name"));
  ASSERT_TRUE(reparsed.FindChild("q")) << d.Text();
  EXPECT_EQ(reparsed.ChildText(), "v");
}

TEST(XmlDocument, RefusesNamesThatWouldNotReadBack) {
  XmlDocument d;
  ASSERT_TRUE(d.AddElement("r"));
  for (const char* name : {"", "a b", "a>b", "a/b", "a=b", "\"a\""}) {
    EXPECT_FALSE(d.AddChild(name, "1")) << name;
  }
  EXPECT_EQ(d.Text(), "<r/>\r\n");
}

TEST(XmlDocument, ReadChildTextKeepsOutputWhenMissing) {
  XmlDocument d;
  ASSERT_TRUE(d.SetText("<r><a>x</a></r>"));
  std::string out = "old";
  EXPECT_TRUE(d.ReadChildText("b", out, false));
  EXPECT_FALSE(d.ReadChildText("b", out, true));
  EXPECT_EQ(out, "old");
  EXPECT_TRUE(d.ReadChildText("a", out, true));
  EXPECT_EQ(out, "x");
}

TEST(XmlDocument, LoadAndSaveBytesAsTheyAre) {
  TempFolder folder;
  XmlDocument d;
  EXPECT_FALSE(d.Load(folder.PathOf("missing.xml")));
  EXPECT_FALSE(d.Load(folder.Write("empty.xml", "")));
  EXPECT_FALSE(d.Load(folder.Write("bad.xml", "<r>")));
  EXPECT_FALSE(d.IsWellFormed()) << "a failed load leaves an empty document";
  EXPECT_EQ(d.Text(), "");

  EXPECT_TRUE(d.Load(folder.Write("nul.xml", std::string("<r/>\0<<<", 8))));
  EXPECT_FALSE(d.Load(folder.Write("nul2.xml", std::string("<r>\0</r>", 8))))
      << "parsing stops at the first NUL";

  const std::string text = "<r>\r\n<a>\xE9t\xE9</a>\r\n</r>\r\n";
  ASSERT_TRUE(d.Load(folder.Write("in.xml", text)));
  ASSERT_TRUE(d.Save(folder.PathOf("out.xml")));
  EXPECT_EQ(TempFolder::Read(folder.PathOf("out.xml")), text);
  EXPECT_FALSE(d.Save(folder.PathOf("no-such-folder/out.xml")));
}

// A runaway file is refused before it is read (the file here is sparse: it
// takes no disk, and reading it would take memory for nothing).
TEST(XmlDocument, LoadRefusesAFileLargerThanAnyOfOurs) {
  TempFolder folder;
  const std::string path = folder.Write("huge.xml", "<bids></bids>");
  std::filesystem::resize_file(path, XmlDocument::kLargestFile + 1);
  XmlDocument d;
  EXPECT_FALSE(d.Load(path));
  EXPECT_EQ(d.ErrorText(), "file too large");
  EXPECT_FALSE(d.IsWellFormed());
  std::filesystem::resize_file(path, XmlDocument::kLargestFile);
  EXPECT_TRUE(d.Load(path)) << "at the bound it is read (the zeros end the text)";
}

// A text made of the shortest elements is refused before its table grows
// past a small multiple of its size; the same count of elements with a few
// bytes of content each, as real files have, reads.
TEST(XmlDocument, ElementCountIsBoundedByTheTextsSize) {
  std::string hostile = "<r>";
  while (hostile.size() < 400000) hostile += "<a/>";
  hostile += "</r>";
  XmlDocument d;
  EXPECT_FALSE(d.SetText(hostile));
  EXPECT_EQ(d.ErrorText(), "Too many elements");
  EXPECT_FALSE(d.IsWellFormed());

  std::string sound = "<r>";
  for (int i = 0; i < 100000; ++i) sound += "<a>1</a>";
  sound += "</r>";
  ASSERT_TRUE(d.SetText(sound));
  ASSERT_TRUE(d.FindElement("r"));
  std::size_t count = 0;
  while (d.FindChild("a")) ++count;
  EXPECT_EQ(count, 100000u);

  EXPECT_TRUE(d.SetText("<r><a/><b/><c/></r>")) << "tiny documents are not held to the ratio";
}

}  // namespace
