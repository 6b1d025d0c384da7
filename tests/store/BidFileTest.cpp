#include "store/BidFile.h"

#include "bids/BidList.h"
#include "store/XmlDocument.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Row = std::tuple<std::uint32_t, float, std::int32_t>;  // item, max bid, margin

std::vector<Row> Rows(const BidList& list) {
  std::vector<Row> rows;
  for (std::size_t i = 0; i < list.RowCount(); ++i) {
    const Bid& b = *list.BidAt(i);
    rows.emplace_back(b.Item(), b.MaxBid(), b.Margin());
  }
  return rows;
}

// The exact layout, and back again unchanged, in row order.
TEST(BidFile, RoundTripInTheExactLayout) {
  TempFolder folder;
  BidList list;
  list.defaultMargin = 45;
  for (const Row& row : {Row{1234, 12.5f, 10}, Row{4294967295u, 0.0f, 1}, Row{7, 99999.99f, 3600}}) {
    Bid bid;
    bid.SetItem(std::get<0>(row));
    bid.SetMaxBid(std::get<1>(row));
    bid.SetMargin(std::get<2>(row));
    list.AddBid(bid);
  }
  const std::string path = folder.PathOf("bids.xml");
  ASSERT_TRUE(SaveBidFile(path, list));
  EXPECT_EQ(TempFolder::Read(path),
            "<bids>\r\n<defaults>\r\n<margin>45</margin>\r\n</defaults>\r\n"
            "<bid>\r\n<item>1234</item>\r\n<maxbid>12.50</maxbid>\r\n<margin>10</margin>\r\n</bid>\r\n"
            "<bid>\r\n<item>4294967295</item>\r\n<maxbid>0.00</maxbid>\r\n<margin>1</margin>\r\n</bid>\r\n"
            "<bid>\r\n<item>7</item>\r\n<maxbid>99999.99</maxbid>\r\n<margin>3600</margin>\r\n</bid>\r\n"
            "</bids>\r\n");

  BidList loaded;
  ASSERT_TRUE(LoadBidFile(path, loaded));
  EXPECT_EQ(loaded.defaultMargin, 45);
  EXPECT_EQ(Rows(loaded), Rows(list));
  for (std::size_t i = 0; i < loaded.RowCount(); ++i) {
    EXPECT_EQ(loaded.BidAt(i)->account, &loaded.AccountRecord());
    EXPECT_EQ(loaded.BidAt(i)->status, BidStatus::Unknown);
  }
}

// A bid's group is an attribute of its element, written only where there is
// one (the list above, without groups, is byte for byte the classic file),
// and so is the mark of a bid its group's win cancelled; both read back, and
// the rows read the same through the elements' children alone, as a copy of
// the program that knows neither reads them.
TEST(BidFile, GroupsAndCancellationsAreAttributesOfTheirBidsOnly) {
  TempFolder folder;
  BidList list;
  const char* groups[] = {"Lamps & <shades>", "", "Lamps & <shades>"};
  const BidStatus statuses[] = {BidStatus::Won, BidStatus::Watching, BidStatus::Cancelled};
  for (std::uint32_t i = 0; i < 3; ++i) {
    Bid bid;
    bid.SetItem(100 + i);
    bid.group = groups[i];
    bid.status = statuses[i];
    list.AddBid(bid);
  }
  const std::string path = folder.PathOf("bids.xml");
  ASSERT_TRUE(SaveBidFile(path, list));
  const std::string text = TempFolder::Read(path);
  EXPECT_NE(text.find("<bid group=\"Lamps &amp; &lt;shades&gt;\">\r\n<item>100</item>"), std::string::npos) << text;
  EXPECT_NE(text.find("</bid>\r\n<bid>\r\n<item>101</item>"), std::string::npos) << text;
  EXPECT_NE(text.find("<bid group=\"Lamps &amp; &lt;shades&gt;\" cancelled=\"1\">\r\n<item>102</item>"),
            std::string::npos) << text;

  BidList loaded;
  ASSERT_TRUE(LoadBidFile(path, loaded));
  ASSERT_EQ(loaded.RowCount(), 3u);
  for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(loaded.BidAt(i)->group, groups[i]) << i;
  // Only the cancellation is kept: the rest is read again from the site.
  const BidStatus read[] = {BidStatus::Unknown, BidStatus::Unknown, BidStatus::Cancelled};
  for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(loaded.BidAt(i)->status, read[i]) << i;
  EXPECT_EQ(Rows(loaded), Rows(list));

  XmlDocument document;
  ASSERT_TRUE(document.Load(path));
  ASSERT_TRUE(document.FindElement("bids"));
  std::vector<std::uint32_t> items;
  while (document.FindChild("bid")) {
    document.EnterElement();
    Bid bid;
    EXPECT_TRUE(ReadBidElement(document, bid));
    items.push_back(bid.Item());
    document.LeaveElement();
  }
  EXPECT_EQ(items, (std::vector<std::uint32_t>{100, 101, 102}));
}

// A file edited by hand: any mark but "0" keeps the bid from being placed.
TEST(BidFile, AnyCancelledMarkButZeroReadsAsCancelled) {
  TempFolder folder;
  const std::pair<const char*, BidStatus> cases[] = {
      {"0", BidStatus::Unknown},
      {"1", BidStatus::Cancelled},
      {"yes", BidStatus::Cancelled},
  };
  for (const auto& [mark, expected] : cases) {
    SCOPED_TRACE(mark);
    const std::string path = folder.Write("bids.xml", std::string("<bids><bid cancelled=\"") + mark +
                                                          "\"><item>5</item><maxbid>1</maxbid><margin>9</margin></bid></bids>");
    BidList loaded;
    ASSERT_TRUE(LoadBidFile(path, loaded));
    ASSERT_EQ(loaded.RowCount(), 1u);
    EXPECT_EQ(loaded.BidAt(0)->status, expected);
  }
}

TEST(BidFile, EmptyListWritesOnlyTheDefaults) {
  TempFolder folder;
  BidList list;
  ASSERT_TRUE(SaveBidFile(folder.PathOf("bids.xml"), list));
  EXPECT_EQ(TempFolder::Read(folder.PathOf("bids.xml")),
            "<bids>\r\n<defaults>\r\n<margin>20</margin>\r\n</defaults>\r\n</bids>\r\n");
}

struct FileCase {
  const char* label;
  std::string content;
  bool ok;
  std::int32_t defaultMargin;
  std::vector<Row> rows;
  std::size_t skipped = 0;  // bid elements not taken from a file that was read
};

class ReadBidFile : public testing::TestWithParam<FileCase> {};

std::string BidXml(const std::string& item, const std::string& maxBid, const std::string& margin) {
  return "<bid><item>" + item + "</item><maxbid>" + maxBid + "</maxbid><margin>" + margin +
         "</margin></bid>";
}

// Numbers are read leniently; a bid that is not complete and valid is
// skipped and the others load.
TEST_P(ReadBidFile, LenientNumbersAndSkipping) {
  const FileCase& c = GetParam();
  TempFolder folder;
  BidList list;
  UnreadBidFile unread;
  const std::string path = folder.Write("bids.xml", c.content);
  EXPECT_EQ(LoadBidFile(path, list, unread), c.ok);
  EXPECT_EQ(list.defaultMargin, c.defaultMargin);
  EXPECT_EQ(Rows(list), c.rows);
  EXPECT_EQ(unread.skippedBids, c.skipped);
  if (c.ok) {
    // Only a file that loses bids on the next save is kept aside.
    EXPECT_EQ(unread.found, c.skipped > 0);
    EXPECT_EQ(std::filesystem::exists(path + ".bad"), c.skipped > 0);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Files, ReadBidFile,
    testing::Values(
        FileCase{"lenient", "<bids><defaults><margin> 15 </margin></defaults>" +
                                BidXml("+123", " 2.5", " 15 ") + BidXml("456abc", "3", "5") +
                                BidXml("4294967296", "0.00", "8") + "</bids>",
                 true, 15, {Row{123, 2.5f, 15}, Row{456, 3.0f, 5}}, 1},
        FileCase{"skipping",
                 "<bids>" + BidXml("0", "1", "5") + BidXml("5", "abc", "5") + BidXml("6", "1", "0") +
                     BidXml("7", "-1", "5") + BidXml("8", "nan", "5") + BidXml("9", "1", "5") +
                     "<bid><maxbid>1</maxbid><margin>5</margin></bid>" + "</bids>",
                 true, 20, {Row{9, 1.0f, 5}}, 6},
        FileCase{"any_order_unknown_elements",
                 "<bids><extra/><bid><margin>4</margin><note>x</note><maxbid>7.125</maxbid>"
                 "<item>42</item></bid></bids>",
                 true, 20, {Row{42, 7.125f, 4}}},
        FileCase{"before_defaults_skipped",
                 "<bids>" + BidXml("1", "1", "1") + "<defaults><margin>9</margin></defaults>" +
                     BidXml("2", "1", "1") + "</bids>",
                 true, 9, {Row{2, 1.0f, 1}}, 1},
        FileCase{"without_defaults_all_read",
                 "<bids>" + BidXml("1", "1", "1") + BidXml("2", "1", "1") + "</bids>", true, 20,
                 {Row{1, 1.0f, 1}, Row{2, 1.0f, 1}}},
        FileCase{"defaults_without_margin", "<bids><defaults/></bids>", true, 0, {}},
        FileCase{"wrong_root", "<bidlist>" + BidXml("1", "1", "1") + "</bidlist>", false, 20, {}},
        FileCase{"malformed", "<bids>" + BidXml("1", "1", "1"), false, 20, {}},
        FileCase{"empty", "", false, 20, {}}),
    [](const testing::TestParamInfo<FileCase>& info) { return info.param.label; });

// A bid the reader refuses is skipped, the others load, and the file as it
// was is kept aside before the next save drops the skipped one for good.
TEST(BidFile, SkippedBidsAreCountedAndTheFileKeptAside) {
  const std::pair<const char*, std::string> damaged[] = {
      {"no_margin", "<bid><item>5</item><maxbid>1</maxbid></bid>"},
      {"no_item", "<bid><maxbid>1</maxbid><margin>5</margin></bid>"},
      {"no_maxbid", "<bid><item>5</item><margin>5</margin></bid>"},
      {"empty", "<bid/>"},
      {"item_zero", BidXml("0", "1", "5")},
      {"item_text", BidXml("lamp", "1", "5")},
      {"maxbid_text", BidXml("5", "abc", "5")},
      {"maxbid_negative", BidXml("5", "-1", "5")},
      {"maxbid_nan", BidXml("5", "nan", "5")},
      {"margin_zero", BidXml("5", "1", "0")},
      {"margin_negative", BidXml("5", "1", "-30")},
      {"margin_text", BidXml("5", "1", "soon")},
  };
  const std::vector<Row> good = {Row{11, 2.5f, 10}, Row{12, 3.0f, 20}};
  std::string all;
  for (const auto& [label, element] : damaged) {
    SCOPED_TRACE(label);
    all += element;
    TempFolder folder;
    const std::string content = "<bids><defaults><margin>20</margin></defaults>" + BidXml("11", "2.50", "10") +
                                element + BidXml("12", "3", "20") + "</bids>";
    const std::string path = folder.Write("bids.xml", content);
    BidList list;
    UnreadBidFile unread;
    EXPECT_TRUE(LoadBidFile(path, list, unread));
    EXPECT_EQ(Rows(list), good);
    EXPECT_TRUE(unread.found);
    EXPECT_EQ(unread.skippedBids, 1u);
    EXPECT_EQ(unread.keptAs, path + ".bad");
    EXPECT_FALSE(unread.MustNotBeSaved());
    EXPECT_EQ(TempFolder::Read(path + ".bad"), content);
    EXPECT_EQ(TempFolder::Read(path), content) << "the file itself is left to the next save";
  }

  TempFolder folder;
  const std::string path = folder.Write("bids.xml", "<bids>" + all + BidXml("11", "2.5", "10") + "</bids>");
  folder.Write("bids.xml.bad", "an earlier copy");
  BidList list;
  UnreadBidFile unread;
  EXPECT_TRUE(LoadBidFile(path, list, unread));
  EXPECT_EQ(Rows(list), std::vector<Row>{good[0]});
  EXPECT_EQ(unread.skippedBids, std::size(damaged));
  EXPECT_EQ(unread.keptAs, path + ".bad.2");
  EXPECT_EQ(TempFolder::Read(path + ".bad"), "an earlier copy");
}

// A bids.xml that cannot be read is kept aside before the next save
// overwrites it: the user's list is never silently emptied on disk, and a
// later damaged list does not overwrite the copy kept earlier.
TEST(BidFile, UnreadableFilesAreKeptUnderNamesOfTheirOwn) {
  TempFolder folder;
  const std::string damaged = std::string("<bids><bid><item>12", 19) + '\0' + "\xff\xfe garbage";
  const std::string path = folder.Write("bids.xml", damaged);
  BidList list;
  UnreadBidFile unread;
  EXPECT_FALSE(LoadBidFile(path, list, unread));
  EXPECT_TRUE(unread.found);
  EXPECT_EQ(unread.keptAs, path + ".bad");
  EXPECT_FALSE(unread.MustNotBeSaved());
  EXPECT_EQ(TempFolder::Read(path + ".bad"), damaged);
  ASSERT_TRUE(SaveBidFile(path, list));
  EXPECT_EQ(TempFolder::Read(path + ".bad"), damaged) << "still there after the save";

  folder.Write("bids.xml", "<bids><bid>later damage");
  EXPECT_FALSE(LoadBidFile(path, list, unread));
  EXPECT_EQ(unread.keptAs, path + ".bad.2");
  EXPECT_EQ(TempFolder::Read(path + ".bad.2"), "<bids><bid>later damage");
  EXPECT_EQ(TempFolder::Read(path + ".bad"), damaged) << "the first copy is not written over";
}

// Loads the file as a user who may not read it (another user's file of mode
// 0600), in a folder that user may or may not write. Root reads everything,
// so as root the load runs in a child process as "nobody".
UnreadBidFile LoadAsStranger(TempFolder& folder, bool folderWritable) {
  const std::string path = folder.PathOf("bids.xml");
  UnreadBidFile unread;
  if (::geteuid() != 0) {
    ::chmod(path.c_str(), 0);
    ::chmod(folder.Folder().c_str(), folderWritable ? 0700 : 0500);
    BidList list;
    LoadBidFile(path, list, unread);
    ::chmod(folder.Folder().c_str(), 0700);
    return unread;
  }
  constexpr uid_t kNobody = 65534;
  ::chmod(path.c_str(), 0600);
  if (folderWritable) {
    EXPECT_EQ(::chown(folder.Folder().c_str(), kNobody, kNobody), 0);
  } else {
    ::chmod(folder.Folder().c_str(), 0755);
  }
  int channel[2];
  if (::pipe(channel) != 0) return unread;
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(channel[0]);
    if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(2);
    BidList list;
    UnreadBidFile seen;
    LoadBidFile(path, list, seen);
    const std::string answer = (seen.found ? "1" : "0") + seen.keptAs;
    ssize_t written = ::write(channel[1], answer.data(), answer.size());
    ::_exit(written == static_cast<ssize_t>(answer.size()) ? 0 : 3);
  }
  ::close(channel[1]);
  std::string answer;
  char buffer[512];
  for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) > 0;) answer.append(buffer, n);
  ::close(channel[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  ::chown(folder.Folder().c_str(), 0, 0);
  if (!answer.empty()) {
    unread.found = answer[0] == '1';
    unread.keptAs = answer.substr(1);
  }
  return unread;
}

// A list the program may not even read is renamed aside when the folder
// allows it; when it does not, the file is the only copy of the list, and
// nothing may be saved over it.
TEST(BidFile, FileThatCannotBeReadIsSetAsideOrLeftAlone) {
  {
    TempFolder folder;
    folder.Write("bids.xml", "<bids>" + BidXml("5", "1", "5") + "</bids>");
    const UnreadBidFile unread = LoadAsStranger(folder, true);
    EXPECT_TRUE(unread.found);
    EXPECT_EQ(unread.keptAs, folder.PathOf("bids.xml.bad"));
    EXPECT_FALSE(unread.MustNotBeSaved());
    EXPECT_EQ(TempFolder::Read(folder.PathOf("bids.xml.bad")), "<bids>" + BidXml("5", "1", "5") + "</bids>");
  }
  {
    TempFolder folder;
    folder.Write("bids.xml", "<bids>" + BidXml("5", "1", "5") + "</bids>");
    const UnreadBidFile unread = LoadAsStranger(folder, false);
    EXPECT_TRUE(unread.found);
    EXPECT_EQ(unread.keptAs, "");
    EXPECT_TRUE(unread.MustNotBeSaved());
    EXPECT_EQ(TempFolder::Read(folder.PathOf("bids.xml")), "<bids>" + BidXml("5", "1", "5") + "</bids>");
  }
}

TEST(BidFile, MissingFileLeavesTheDefaults) {
  TempFolder folder;
  BidList list;
  EXPECT_FALSE(LoadBidFile(folder.PathOf("bids.xml"), list));
  EXPECT_EQ(list.RowCount(), 0u);
  EXPECT_EQ(list.defaultMargin, 20);
  EXPECT_FALSE(std::filesystem::exists(folder.PathOf("bids.xml.bad")));
}

}  // namespace
