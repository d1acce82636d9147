// Registration rules that need no Windows: outcome lines, program file bitness and head file names.
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
}

// Every way a worker can end has its own lines; only a returned success status reads as success.
TEST(RegRules, WorkerOutcomeLines) {
  using S = WorkerStage;
  const Bitness k32 = Bitness::k32, k64 = Bitness::k64, none = Bitness::kUnknown;
  struct Case {
    WorkerOutcome in;
    std::vector<std::wstring> lines;
  };
  const std::wstring load = L"Failure loading control OCX/DLL";
  const Case cases[] = {
      {{S::kReturned, 0, 0, 0, none, k64, L""}, {L"Process Successful."}},
      {{S::kReturned, 0, 0x80070005, 0, none, k64, L"Access is denied."},
       {L"Process failed with status 0x80070005: Access is denied."}},
      {{S::kEntryRunning, 0, 0, 0xC0000005, none, k64, L""},
       {L"Process failed: the control ended the worker (exception 0xC0000005)."}},
      {{S::kEntryRunning, 0, 0, 7, none, k64, L""}, {L"Process failed: the control ended the worker (exit code 7)."}},
      {{S::kEntryRunning, 0, 0, 0, none, k64, L""}, {L"Process failed: the control ended the worker (exit code 0)."}},
      {{S::kLoaded, 0, 0, 0x80000003, none, k64, L""},
       {L"Process failed: the control ended the worker (exception 0x80000003)."}},
      {{S::kStarting, 0, 0, 0xC0000005, none, k64, L""},
       {load, L"The control ended the worker while it was loading (exception 0xC0000005)."}},
      {{S::kLoadFailed, 126, 0, 0, k64, k64, L"not found"}, {load, L"A DLL that the control needs could not be found."}},
      {{S::kLoadFailed, 193, 0, 0, k32, k64, L""}, {load, L"This is a 32-bit control; use the 32-bit installer."}},
      {{S::kLoadFailed, 193, 0, 0, k64, k32, L""}, {load, L"This is a 64-bit control; use the 64-bit installer."}},
      {{S::kLoadFailed, 193, 0, 0, none, k64, L""}, {load, L"The file is not a program library."}},
      {{S::kLoadFailed, 126, 0, 0, none, k64, L"", false}, {load, L"The control file could not be found."}},
      {{S::kLoadFailed, 1114, 0, 0, k64, k64, L"Init failed.\r\n"},
       {load, L"The control could not be loaded (error 1114: Init failed.)"}},
      {{S::kUnknownLetter, 0, 0, 0, none, k64, L""}, {L"Unknown command handle"}},
      {{S::kNoEntryPoint, 0, 0, 0, none, k64, L""}, {L"Process failed in obtaining entry point or creating thread."}},
  };
  for (const Case& c : cases) EXPECT_EQ(OutcomeLines(c.in), c.lines) << c.lines.back();
  EXPECT_EQ(LateOutcomeLine(L"slow.ocx", {L"Process Successful."}),
            L"After the time limit, slow.ocx ended: Process Successful.");
}

TEST(RegRules, FileBitnessFromTheHeaders) {
  std::string pe(0x200, '\0');
  pe[0] = 'M', pe[1] = 'Z', pe[0x3C] = '\x80';
  pe.replace(0x80, 4, std::string("PE\0\0", 4));
  pe[0x84] = '\x4C', pe[0x85] = '\x01';
  EXPECT_EQ(FileBitness(pe), Bitness::k32);
  pe[0x84] = '\x64', pe[0x85] = '\x86';
  EXPECT_EQ(FileBitness(pe), Bitness::k64);
  pe[0x84] = '\xC4', pe[0x85] = '\x01';  // ARM
  EXPECT_EQ(FileBitness(pe), Bitness::kUnknown);
  EXPECT_EQ(FileBitness(pe.substr(0, 0x82)), Bitness::kUnknown) << "cut inside the header";
  pe[0x3C] = '\xFF', pe[0x3D] = '\xFF', pe[0x3E] = '\xFF', pe[0x3F] = '\xFF';
  EXPECT_EQ(FileBitness(pe), Bitness::kUnknown) << "header offset past the end";
  EXPECT_EQ(FileBitness("This is a text file, not a library.\n"), Bitness::kUnknown);
}

TEST(RegRules, HeadNamesEndInOcxWhateverTheCaseOrDot) {
  for (const wchar_t* name : {L"C:\\A\\CHESS.OCX", L"x.OcX", L"report.docx", L"ocx"})
    EXPECT_TRUE(IsOcxName(name)) << name;
  for (const wchar_t* name : {L"", L"cx", L"chess.ocx ", L"chess.ocx.txt"}) EXPECT_FALSE(IsOcxName(name)) << name;
}

}  // namespace
}  // namespace registration
