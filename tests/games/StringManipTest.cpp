#include "games/StringManip.h"

#include <gtest/gtest.h>

#include "games/RunTimeFault.h"

using namespace StringManip;

TEST(StringManip, StrToHexWritesEachCodeWithoutLeadingZeros) {
  EXPECT_EQ(StrToHex("AB"), "4142");
  EXPECT_EQ(StrToHex("\n"), "A");
  EXPECT_EQ(StrToHex(std::string(1, '\0')), "0");
  EXPECT_EQ(StrToHex("\xFF\x01"), "FF1");
  EXPECT_EQ(StrToHex(""), "");
}

TEST(StringManip, HexToNumReadsBothLetterCasesAndRaisesTypeMismatchForAnyOtherCharacter) {
  const std::pair<const char*, double> numbers[] = {{"4C", 76}, {"4c", 76}, {"fF", 255}, {"0012", 18},
                                                    {"100000000", 4294967296.0}, {"", 0}};
  for (const auto& [text, value] : numbers) EXPECT_EQ(HexToNum(text), value) << text;
  for (const char* text : {"G", "4 C", "-1", "0x10", "{4C}", "\xC4"}) {
    try {
      HexToNum(text);
      ADD_FAILURE() << "no error for " << text;
    } catch (const RunTimeFault& fault) {
      EXPECT_EQ(fault.Error().Number, 13) << text;
      EXPECT_EQ(fault.Error().Description, L"Type mismatch");
    }
  }
}

TEST(StringManip, StrToNumReadsCodesAsBigEndianBase256) {
  EXPECT_EQ(StrToNum("AB"), 16706);
  EXPECT_EQ(StrToNum("L"), 0x4C);
  // Small codes and NUL keep their place as a full byte.
  EXPECT_EQ(StrToNum(std::string("\x01\x00\x0F", 3)), 0x01000F);
  EXPECT_EQ(StrToNum("\xFF"), 255);
  EXPECT_EQ(StrToNum(""), 0);
}
