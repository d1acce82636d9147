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

TEST(CollapseDoubledBackslashes, PairsCollapseLeftToRightWithoutOverlap) {
  const std::pair<const char*, const char*> cases[] = {
      {"C:\\Heads\\\\a.ocx", "C:\\Heads\\a.ocx"}, {"C:\\Heads\\\\\\a.ocx", "C:\\Heads\\\\a.ocx"},
      {"\\\\server\\share\\a.ocx", "\\server\\share\\a.ocx"}, {"\\\\\\\\", "\\\\"}, {"", ""}};
  for (const auto& [in, out] : cases) EXPECT_EQ(CollapseDoubledBackslashes(in), out) << in;
}
