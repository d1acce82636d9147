// Path texts of the command line and the hand-off: quotes and doubled backslashes.
#include <gtest/gtest.h>

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
