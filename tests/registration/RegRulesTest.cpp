// Registration rules that need no Windows: outcome lines, program file bitness and head file names.
#include <gtest/gtest.h>

#include "registration/DllSearchPath.h"
#include "registration/RegRules.h"

namespace registration {
namespace {

// The ways a worker can end that the heads under test do not show (those run in registration_test).
TEST(RegRules, WorkerOutcomeLines) {
  using S = WorkerStage;
  const Bitness k32 = Bitness::k32, k64 = Bitness::k64, none = Bitness::kUnknown;
  const std::wstring load = L"Failure loading control OCX/DLL";
  const auto Ended = [](const std::wstring& how) { return L"Process failed: the control ended the worker (" + how + L")."; };
  const std::pair<WorkerOutcome, std::vector<std::wstring>> cases[] = {
      {{S::kReturned, 0, 1, 0, none, k64, L"S_FALSE"}, {L"Process Successful."}},
      {{S::kReturned, 0, 0x8000000A, 0, none, k64, L" \r\n"}, {L"Process failed with status 0x8000000A."}},
      {{S::kLoaded, 0, 0, 0xC0000005, none, k64, L""},
       {L"Process failed: the control ended the worker (exception 0xC0000005)."}},
      {{S::kStarting, 0, 0, 7, none, k64, L""},
       {load, L"The control ended the worker while it was loading (exit code 7)."}},
      {{S::kLoadFailed, 126, 0, 0, k64, k64, L"x"}, {load, L"A DLL that the control needs could not be found."}},
      {{S::kLoadFailed, 11, 0, 0, k64, k32, L""}, {load, L"This is a 64-bit control; use the 64-bit installer."}},
      {{S::kLoadFailed, 1114, 0, 0, k64, k64, L"Init failed.\r\n"},
       {load, L"The control could not be loaded (error 1114: Init failed.)"}},
      {{S::kLoadFailed, 126, 0, 0, k64, k64, L"", true, {{L"a", L"b"}, {L"n"}}}, {load, L"a", L"b", L"n"}},
      {{S::kLoadFailed, 126, 0, 0, k64, k64, L"", true, {{}, {L"n"}}}, {load, L"A DLL that the control needs could not be found.", L"n"}},
      {{S::kEntryRunning, 0, 0, 0xC06D007E, none, k64, L"", true, {{L"a"}, {}}}, {Ended(L"exception 0xC06D007E"), L"a"}},
  };
  for (const auto& [outcome, lines] : cases) EXPECT_EQ(OutcomeLines(outcome), lines) << lines.back();
  // What is looked for after a failed load or a missing delay-loaded piece (on Wine, a stub called).
  using L = LookFor;
  const std::pair<WorkerOutcome, LookFor> looks[] = {
      {{S::kLoadFailed, 126, 0, 0, k64, k64}, L::kDlls}, {{S::kLoadFailed, 127, 0, 0, k64, k64}, L::kFunctions},
      {{S::kLoadFailed, 193, 0, 0, k64, k64}, L::kDlls}, {{S::kLoadFailed, 193, 0, 0, k32, k64}, L::kNothing},
      {{S::kLoadFailed, 126, 0, 0, k64, k64, L"", false}, L::kNothing}, {{S::kLoadFailed, 1114, 0, 0, k64, k64}, L::kNothing},
      {{S::kEntryRunning, 0, 0, 0xC06D007E}, L::kDllsWhenUsed}, {{S::kLoaded, 0, 0, 0xC06D007F}, L::kFunctionsWhenUsed},
      {{S::kEntryRunning, 0, 0, 0x80000100}, L::kFunctionsWhenUsed}, {{S::kReturned, 0, 0, 0xC06D007E}, L::kNothing}};
  for (const auto& [outcome, look] : looks) EXPECT_EQ(WhatToLookFor(outcome), look) << outcome.loadError << " " << outcome.exitCode;
  EXPECT_EQ(LateOutcomeLine(L"slow.ocx", {L"a", L"b"}), L"After the time limit, slow.ocx ended: a b");
  // Refused for rights: access denied and the self-registration failures a refused key gives.
  for (std::uint32_t s : {0x80070005u, 0x80040200u, 0x80040201u, 0x80040151u}) EXPECT_TRUE(IsRefusedForRights(s)) << s;
  for (std::uint32_t s : {0u, 0x80004005u, 0x80070002u, 0x00000005u}) EXPECT_FALSE(IsRefusedForRights(s)) << s;
}

TEST(RegRules, FileBitnessAndHeadNames) {
  std::string pe(0x200, '\0');
  pe.replace(0, 2, "MZ").replace(0x3C, 1, "\x80").replace(0x80, 4, std::string("PE\0\0", 4));
  const std::pair<const char*, Bitness> machines[] = {
      {"\x4C\x01", Bitness::k32}, {"\xC4\x01", Bitness::kUnknown}, {"\x64\x86", Bitness::k64}};
  for (const auto& [machine, bitness] : machines) EXPECT_EQ(FileBitness(pe.replace(0x84, 2, machine)), bitness);
  EXPECT_EQ(FileBitness(pe.substr(0, 0x85)), Bitness::kUnknown) << "cut inside the header";
  EXPECT_EQ(FileBitness(pe.replace(0x3C, 4, "\xFF\xFF\xFF\xFF")), Bitness::kUnknown) << "header offset past the end";
  EXPECT_EQ(FileBitness("This is a text file, not a library.\n"), Bitness::kUnknown);
  for (const wchar_t* name : {L"C:\\A\\CHESS.OCX", L"report.docx", L"ocx"}) EXPECT_TRUE(IsOcxName(name)) << name;
  for (const wchar_t* name : {L"", L"cx", L"chess.ocx ", L"chess.ocx.txt"}) EXPECT_FALSE(IsOcxName(name)) << name;
}

// Where the worker looks for a head's DLLs: each folder once, never PATH's relative entries (the
// current folder) nor the program's folder, unless the head lies there too.
TEST(RegRules, HeadDllFolders) {
  const std::wstring sys = L"C:\\W\\system32\\", win = L"C:\\W\\", head = L"D:\\Head\\", own = L"C:\\Downloads\\";
  const std::wstring path = L"C:\\w\\System32;\"C:\\Tool\";;.;bin;c:\\downloads;\\\\server\\dlls\\;C:rel;\\rooted;d:\\head";
  EXPECT_EQ(HeadDllFolders({sys, win, head, own, path}), (std::vector<std::wstring>{sys, win, head, L"C:\\Tool\\", L"\\\\server\\dlls\\"}));
  EXPECT_EQ(HeadDllFolders({sys, win, own, own, path})[2], own);
}

}  // namespace
}  // namespace registration
