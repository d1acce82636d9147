#include <gtest/gtest.h>

#include "app/PathRules.h"
#include "app/TrimQuotes.h"

TEST(TrimQuotes, QuotedUnquotedUnclosedAndLone) {
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"\"C:\\My Heads\\chess.ocx\"", L"C:\\My Heads\\chess.ocx"}, {L"\"C:\\a.ocx\" extra", L"C:\\a.ocx"},
      {L"\"\"", L""}, {L"C:\\a.ocx extra", L"C:\\a.ocx extra"}, {L"C:\\a \"b\".ocx", L"C:\\a \"b\".ocx"},
      {L"", L""}, {L"\"C:\\a.ocx", L"C:\\a.ocx"}, {L"\"", L""}};
  for (const auto& [in, out] : cases) EXPECT_EQ(TrimQuotes(in), out) << in;
}

TEST(CollapseDoubledBackslashes, PairsCollapseLeftToRightButANetworkPathKeepsItsLeadingPair) {
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"C:\\Heads\\\\a.ocx", L"C:\\Heads\\a.ocx"}, {L"C:\\Heads\\\\\\a.ocx", L"C:\\Heads\\\\a.ocx"},
      {L"\\\\server\\share\\\\a.ocx", L"\\\\server\\share\\a.ocx"}, {L"\\\\?\\C:\\a.ocx", L"\\\\?\\C:\\a.ocx"},
      {L"\\\\\\\\", L"\\\\"}, {L"", L""}};
  for (const auto& [in, out] : cases) EXPECT_EQ(CollapseDoubledBackslashes(in), out) << in;
}

TEST(WithoutEnclosingQuotes, OnlyAWholeQuotedPath) {
  EXPECT_EQ(WithoutEnclosingQuotes(L"\"C:\\My Heads\\a.ocx\""), L"C:\\My Heads\\a.ocx");
  EXPECT_EQ(WithoutEnclosingQuotes(L"\"\""), L"");
  for (const wchar_t* text : {L"\"", L"\"C:\\a.ocx", L"C:\\a.ocx\"", L"\"a\" \"b\"", L"C:\\a.ocx"})
    EXPECT_EQ(WithoutEnclosingQuotes(text), std::nullopt) << text;
}
