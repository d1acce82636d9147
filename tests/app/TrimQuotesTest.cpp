#include <gtest/gtest.h>

#include "app/TrimQuotes.h"

TEST(TrimQuotes, TakesTheFirstQuotedTokenAlone) {
  EXPECT_EQ(TrimQuotes(L"\"C:\\My Heads\\chess.ocx\""), L"C:\\My Heads\\chess.ocx");
  EXPECT_EQ(TrimQuotes(L"\"C:\\a.ocx\" extra"), L"C:\\a.ocx");
  EXPECT_EQ(TrimQuotes(L"\"\""), L"");
}

TEST(TrimQuotes, LeavesUnquotedTextWhole) {
  EXPECT_EQ(TrimQuotes(L"C:\\a.ocx extra"), L"C:\\a.ocx extra");
  EXPECT_EQ(TrimQuotes(L"C:\\a \"b\".ocx"), L"C:\\a \"b\".ocx");
  EXPECT_EQ(TrimQuotes(L""), L"");
}

TEST(TrimQuotes, UnclosedOrLoneQuote) {
  EXPECT_EQ(TrimQuotes(L"\"C:\\a.ocx"), L"C:\\a.ocx");
  EXPECT_EQ(TrimQuotes(L"\""), L"");
}

#include "app/PathRules.h"

TEST(CollapseDoubledBackslashes, PairsCollapseLeftToRightWithoutOverlap) {
  EXPECT_EQ(CollapseDoubledBackslashes("C:\\Heads\\\\a.ocx"), "C:\\Heads\\a.ocx");
  EXPECT_EQ(CollapseDoubledBackslashes("C:\\Heads\\\\\\a.ocx"), "C:\\Heads\\\\a.ocx");
  EXPECT_EQ(CollapseDoubledBackslashes("\\\\server\\share\\a.ocx"), "\\server\\share\\a.ocx");
  EXPECT_EQ(CollapseDoubledBackslashes("\\\\\\\\"), "\\\\");
  EXPECT_EQ(CollapseDoubledBackslashes(""), "");
}
