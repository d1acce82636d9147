// The shell command both ways: only a path with a blank is quoted, and both forms read back.
#include <gtest/gtest.h>

#include "shell/AssocText.h"

using namespace shell;

TEST(AssocText, CommandQuotesOnlyAPathWithABlankAndReadsBothForms) {
  EXPECT_EQ(ShellCommand(L"C:\\Vesk\\V.exe", L" /r"), L"C:\\Vesk\\V.exe /r %1");
  EXPECT_EQ(ShellCommand(L"C:\\Program Files\\V.exe", L""), L"\"C:\\Program Files\\V.exe\" %1");
  EXPECT_EQ(CommandPath(L"C:\\Program Files\\V.exe %1"), L"C:\\Program Files\\V.exe") << "as written before quotes";
  EXPECT_EQ(CommandPath(L"\"C:\\Program Files\\V.exe\" %1"), L"C:\\Program Files\\V.exe");
  EXPECT_EQ(CommandPath(L" C:\\V.exe "), L" C:\\V.exe ") << "no %1: the whole text";
  EXPECT_EQ(CommandPath(L"%1"), L"");
  EXPECT_EQ(TrimBlanks(L"\t /s  "), L"\t /s");
  EXPECT_TRUE(HasIllegalChar(L"a\"b"));
  EXPECT_FALSE(HasIllegalChar(L".o c-x_1"));
}
