// The registration worker on real head files: real worker processes, libraries and registry.
#include "RegFixture.h"

using namespace regtest;

namespace {

constexpr wchar_t kSuccess[] = L"Process Successful.";
constexpr wchar_t kLoadFailed[] = L"Failure loading control OCX/DLL";

class RegUnRegTest : public RegistrationTest {
 protected:
  // Runs the worker on a fresh panel and returns what it appended.
  Lines Run(const std::string& path, const std::wstring& letter) {
    Form().SetPanelText(L"");
    Form().RegUnReg(W(path), letter);
    EXPECT_FALSE(Form().BusyPointer());
    return PanelLines();
  }
};

TEST_F(RegUnRegTest, CommandLettersShortAndHiddenPaths) {
  const std::string chess = Head("chess.ocx");
  // An empty letter registers; "u" and "U" unregister.
  for (const wchar_t* letter : {L"u", L"U"}) {
    EXPECT_EQ(Run(chess, L""), (Lines{kSuccess}));
    EXPECT_TRUE(Registered(Chess()));
    EXPECT_EQ(Run(chess, letter), (Lines{kSuccess})) << letter;
    EXPECT_FALSE(Registered(Chess())) << letter;
  }
  // Other letters are unknown: no entry point runs.
  ASSERT_EQ(Run(chess, L""), (Lines{kSuccess}));
  for (const wchar_t* letter : {L"x", L"uu", L" u", L"u ", L"r"})
    EXPECT_EQ(Run(chess, letter), (Lines{L"Unknown command handle"})) << letter;
  EXPECT_TRUE(Registered(Chess()));
  ASSERT_EQ(Run(chess, L"u"), (Lines{kSuccess}));

  // A short path is registered in its long form.
  const std::string named = Head("chess.ocx", "chess registration head.ocx");
  char shortPath[MAX_PATH] = {};
  GetShortPathNameA(named.c_str(), shortPath, MAX_PATH);
  ASSERT_NE(std::string(shortPath), named) << "no short name to test with";
  EXPECT_EQ(Run(shortPath, L""), (Lines{kSuccess}));
  EXPECT_EQ(ServerPath(Chess()), named);
  ASSERT_EQ(Run(named, L"u"), (Lines{kSuccess}));

  // The file probe misses a hidden file, but the library loads all the same.
  testenv::SetAttributes(chess, FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(Run(chess, L""), (Lines{L"File not found...", kSuccess}));
  EXPECT_TRUE(Registered(Chess()));
}

TEST_F(RegUnRegTest, HeadsThatCannotRegisterSayWhy) {
  struct Case {
    const char* file;
    Lines lines;
  };
  const Case cases[] = {
      {"noentry.ocx", {L"Process failed in obtaining entry point or creating thread."}},
      {"notadll.ocx", {kLoadFailed, L"The file is not a program library."}},
      {"otherbits.ocx",
       {kLoadFailed, sizeof(void*) == 8 ? L"This is a 32-bit control; use the 32-bit installer."
                                        : L"This is a 64-bit control; use the 64-bit installer."}},
  };
  for (const Case& c : cases)
    for (const wchar_t* letter : {L"", L"u"}) EXPECT_EQ(Run(Head(c.file), letter), c.lines) << c.file;
  const Lines missing{L"File not found...", kLoadFailed, L"The control file could not be found."};
  EXPECT_EQ(Run(dir_ + "missing.ocx", L""), missing);
  EXPECT_EQ(Run(dir_ + "missing.ocx", L"x"), missing) << "a letter is looked at only once the file has loaded";

  const Lines failed = Run(Head("fail.ocx"), L"");
  const std::wstring status = L"Process failed with status 0x80004005: ";  // and the system's text for it
  ASSERT_EQ(failed.size(), 1u);
  EXPECT_EQ(failed[0].rfind(status, 0), 0u) << failed[0];
  EXPECT_GT(failed[0].size(), status.size()) << failed[0];
}

// A head may need a DLL that lies next to it, wherever the program itself was started.
TEST_F(RegUnRegTest, HeadFindsTheDllNextToIt) {
  const std::string head = Head("needsdep.ocx");
  testenv::CopyInto(testenv::HeadPath("headdep.dll"), dir_);
  SetCurrentDirectoryA("C:\\");
  EXPECT_EQ(Run(head, L""), (Lines{kSuccess}));
  EXPECT_EQ(Run(head, L"u"), (Lines{kSuccess}));
}

// The COM head fails on a thread without COM; the worker initialises OLE for it.
DWORD WINAPI CallRegisterWithoutCom(void* entry) {
  return static_cast<DWORD>(reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(entry)());
}

TEST_F(RegUnRegTest, HeadThatUsesComRegisters) {
  const std::string head = Head("comhead.ocx");
  HMODULE library = LoadLibraryA(head.c_str());
  ASSERT_NE(library, nullptr);
  void* entry = reinterpret_cast<void*>(GetProcAddress(library, "DllRegisterServer"));
  HANDLE thread = CreateThread(nullptr, 0, &CallRegisterWithoutCom, entry, 0, nullptr);
  ASSERT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
  DWORD status = 0;
  GetExitCodeThread(thread, &status);
  CloseHandle(thread);
  FreeLibrary(library);
  ASSERT_EQ(status, static_cast<DWORD>(CO_E_NOTINITIALIZED)) << "the head should need COM";
  ASSERT_FALSE(Registered(Bowls()));

  EXPECT_EQ(Run(head, L""), (Lines{kSuccess}));
  EXPECT_TRUE(Registered(Bowls()));
  EXPECT_EQ(Run(head, L"u"), (Lines{kSuccess}));
  EXPECT_FALSE(Registered(Bowls()));
}

}  // namespace
