// Path texts of the command line and the hand-off: quotes and doubled backslashes.
#include <gtest/gtest.h>

#include <climits>

#include "platform/NumberText.h"
#include "platform/PathRules.h"
#include "platform/TrimQuotes.h"

TEST(PathTexts, QuotesAndDoubledBackslashes) {
  const std::pair<const wchar_t*, const wchar_t*> trimmed[] = {
      {L"\"C:\\My Heads\\chess.ocx\"", L"C:\\My Heads\\chess.ocx"}, {L"\"C:\\a.ocx\" extra", L"C:\\a.ocx"},
      {L"\"\"", L""}, {L"\"C:\\a.ocx", L"C:\\a.ocx"}, {L"C:\\a \"b\".ocx", L"C:\\a \"b\".ocx"}, {L"\"", L""}};
  for (const auto& [in, out] : trimmed) EXPECT_EQ(TrimQuotes(in), out) << in;
  const std::pair<const wchar_t*, const wchar_t*> collapsed[] = {
      {L"C:\\Heads\\\\a.ocx", L"C:\\Heads\\a.ocx"}, {L"C:\\Heads\\\\\\a.ocx", L"C:\\Heads\\\\a.ocx"},
      {L"\\\\server\\share\\\\a.ocx", L"\\\\server\\share\\a.ocx"}, {L"\\\\?\\C:\\a.ocx", L"\\\\?\\C:\\a.ocx"},
      {L"\\\\\\\\", L"\\\\"}};
  for (const auto& [in, out] : collapsed) EXPECT_EQ(CollapseDoubledBackslashes(in), out) << in;
  EXPECT_EQ(WithoutEnclosingQuotes(L"\"C:\\My Heads\\a.ocx\""), L"C:\\My Heads\\a.ocx");
  for (const wchar_t* text : {L"\"", L"\"C:\\a.ocx", L"C:\\a.ocx\"", L"\"a\" \"b\"", L"C:\\a.ocx"})
    EXPECT_EQ(WithoutEnclosingQuotes(text), std::nullopt) << text;
}

// Numbers in the panel, the boxes, the worker's command line and the saved copies' file names.
TEST(NumberTexts, DecimalAndHex) {
  EXPECT_EQ(DecimalText(0), L"0");
  EXPECT_EQ(DecimalText(-2147024891), L"-2147024891");
  EXPECT_EQ(DecimalText(LLONG_MIN), L"-9223372036854775808");
  EXPECT_EQ(DecimalText(7, 4), L"0007");
  EXPECT_EQ(HexText(0xC0000005u, 8), L"C0000005");
  EXPECT_EQ(HexText(0x1Fu, 4, true), L"001f");
  EXPECT_EQ(HexText(~0ull), L"FFFFFFFFFFFFFFFF");
}
