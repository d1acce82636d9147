// Registration rules that need no Windows: outcome lines and head file names.
#include <gtest/gtest.h>

#include "registration/RegRules.h"

namespace registration {
namespace {

TEST(RegRules, OnlyNonNegativeStatusesReadAsSuccess) {
  EXPECT_EQ(StatusLine(0, L""), L"Process Successful.");
  EXPECT_EQ(StatusLine(1, L"S_FALSE"), L"Process Successful.");
  EXPECT_EQ(StatusLine(0x7FFFFFFF, L""), L"Process Successful.");
  EXPECT_EQ(StatusLine(0x80004005, L"Unspecified error\r\n"),
            L"Process failed with status 0x80004005: Unspecified error");
  EXPECT_EQ(StatusLine(0x8000000A, L" \r\n"), L"Process failed with status 0x8000000A.");
  EXPECT_EQ(StatusLine(0xFFFFFFFF, L""), L"Process failed with status 0xFFFFFFFF.");
  EXPECT_EQ(FaultLine(0xC00000FD), L"Process failed: the entry point faulted with exception 0xC00000FD.");
}

TEST(RegRules, HeadNamesEndInOcxWhateverTheCaseOrDot) {
  for (const wchar_t* name : {L"C:\\A\\CHESS.OCX", L"x.OcX", L"report.docx", L"ocx"})
    EXPECT_TRUE(IsOcxName(name)) << name;
  for (const wchar_t* name : {L"", L"cx", L"chess.ocx ", L"chess.ocx.txt"}) EXPECT_FALSE(IsOcxName(name)) << name;
}

}  // namespace
}  // namespace registration
