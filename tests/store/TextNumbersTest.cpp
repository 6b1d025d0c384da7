#include "store/TextNumbers.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(TextNumbers, DecimalsAreReadLeniently) {
  struct Case {
    const char* text;
    std::uint32_t unsignedValue;
    std::int32_t signedValue;
  };
  for (const Case& c : {Case{"123", 123, 123}, Case{"  +0042xyz", 42, 42}, Case{"-1", 4294967295u, -1},
                        Case{"", 0, 0}, Case{"abc", 0, 0}, Case{"4294967296", 0, 0},
                        Case{"99999999999999999999", 1661992959u, 1661992959},
                        Case{"\t\r\n 7", 7, 7}, Case{"- 5", 0, 0}}) {
    EXPECT_EQ(ReadUnsigned32(c.text), c.unsignedValue) << c.text;
    EXPECT_EQ(ReadSigned32(c.text), c.signedValue) << c.text;
  }
}

TEST(TextNumbers, FloatsNeedANumber) {
  float value = 0;
  EXPECT_TRUE(ScanFloat(" 12.5", value));
  EXPECT_EQ(value, 12.5f);
  EXPECT_TRUE(ScanFloat("+3e2 tail", value));
  EXPECT_EQ(value, 300.0f);
  EXPECT_TRUE(ScanFloat("-0.5", value));
  EXPECT_EQ(value, -0.5f);
  for (const char* bad : {"", "abc", " ", ",5", "+-1"}) EXPECT_FALSE(ScanFloat(bad, value)) << bad;
}

TEST(TextNumbers, TwoDecimalsWithAPoint) {
  EXPECT_EQ(FormatTwoDecimals(12.5), "12.50");
  EXPECT_EQ(FormatTwoDecimals(0), "0.00");
  EXPECT_EQ(FormatTwoDecimals(1234567.891), "1234567.89");
  EXPECT_EQ(FormatTwoDecimals(3.4028234663852886e38).size(), 42u);
}

}  // namespace
