// Files that are no good to the information panel, named in the head file box: cut-off and empty
// files, directories, files another process holds, and version resources with broken lengths. The
// program must neither fault nor show anything but one of its two views (or keep the panel when
// the text names no file).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <string>

#include "FixturePath.h"
#include "TestBlocks.h"
#include "app/frmMain.h"
#include "fileinfo/PanelTexts.h"

namespace {

constexpr wchar_t kMarker[] = L"Process Successful.\r\n";

std::wstring Introduction() {
  std::wstring text;
  for (const std::wstring& line : IntroLines()) text += line + L"\r\n";
  return text;
}

// Little-endian fields of the file, read and written in place.
template <class T>
T Get(const std::string& bytes, size_t at) {
  T value;
  std::memcpy(&value, bytes.data() + at, sizeof value);
  return value;
}
template <class T>
void Put(std::string& bytes, size_t at, T value) {
  std::memcpy(bytes.data() + at, &value, sizeof value);
}

// What the panel may show afterwards: the introduction, the intact file's view, either of them, or
// the text it showed before.
enum Shows { kIntro = 1, kFile = 2, kEither = 3, kKept = 4 };

class BadInputTest : public testenv::MainWindowTest {
 protected:
  // Finds where the parts of the built DLL lie, as far as the cuts and patches below need them.
  void SetUp() override {
    MainWindowTest::SetUp();
    source_ = testenv::ReadFileBytes(ToAnsi(FixturePath("versioned.ocx")));
    ASSERT_GT(source_.size(), 1024u) << "fixture not built";
    peHeader_ = Get<uint32_t>(source_, 0x3C);
    sectionTable_ = peHeader_ + 24 + Get<uint16_t>(source_, peHeader_ + 20);
    sectionTableEnd_ = sectionTable_ + 40 * Get<uint16_t>(source_, peHeader_ + 6);
    // The version block: its 16-bit layout root node.
    const size_t key = source_.find(testblocks::Utf16(u"VS_VERSION_INFO"));
    ASSERT_TRUE(key != std::string::npos && key > sectionTableEnd_ + 6);
    version_ = key - 6;
    versionEnd_ = version_ + Get<uint16_t>(source_, version_);
    ASSERT_TRUE(versionEnd_ > version_ && versionEnd_ <= source_.size());
    // The section that holds it, and the resource data entry there that points at it.
    size_t resourceRva = 0;
    for (size_t s = sectionTable_; s < sectionTableEnd_; s += 40) {
      const size_t raw = Get<uint32_t>(source_, s + 20);
      if (version_ >= raw && version_ < raw + Get<uint32_t>(source_, s + 16)) {
        resources_ = raw;
        resourceRva = Get<uint32_t>(source_, s + 12);
      }
    }
    for (size_t at = resources_; at + 8 <= version_; at += 4)
      if (Get<uint32_t>(source_, at) == resourceRva + version_ - resources_ &&
          Get<uint32_t>(source_, at + 4) == versionEnd_ - version_)
        dataEntry_ = at;
    ASSERT_NE(dataEntry_, 0u) << "no resource data entry for the version block";
    // The view of the intact file, to tell a good view from a damaged one.
    fileView_ = PanelFor(Write("intact.ocx", source_));
    ASSERT_EQ(fileView_.rfind(L"Currently Selected File Info: \r\n   FileName:  versioned.ocx\r\n", 0), 0u)
        << fileView_;
  }

  std::string Write(const std::string& name, const std::string& bytes) {
    testenv::WriteFileBytes(dir_ + name, bytes);
    return dir_ + name;
  }

  // Names the path in the head file box after a status line and returns the panel.
  std::wstring PanelFor(const std::string& path) {
    Form().SetFileBoxText(L"");
    Form().SetPanelText(kMarker);
    Form().SetFileBoxText(FromAnsi(path));
    return Form().PanelText();
  }

  // The panel shows what it may (a damaged mixture of the views is never right), and nothing else
  // happened.
  void Expect(const std::string& path, const std::string& what, Shows shows) {
    const std::wstring panel = PanelFor(path);
    EXPECT_TRUE(((shows & kIntro) && panel == Introduction()) || ((shows & kFile) && panel == fileView_) ||
                (shows == kKept && panel == kMarker))
        << what << ":\n" << ToAnsi(panel);
    EXPECT_EQ(Form().Fields(), VersionFields{}) << what;
    EXPECT_TRUE(IsWindow(Form().hWnd())) << what;
    EXPECT_EQ(Boxes().SeenCount(), 0u) << what;
    testenv::CountFigure("badinput_cases");
  }

  const std::string dir_ = testenv::TestDir();
  std::string source_;
  std::wstring fileView_;
  size_t peHeader_ = 0, sectionTable_ = 0, sectionTableEnd_ = 0, resources_ = 0, version_ = 0, versionEnd_ = 0,
         dataEntry_ = 0;
};

TEST_F(BadInputTest, CutOffAndCorruptFiles) {
  const size_t v = version_, end = versionEnd_, size = dataEntry_ + 4;
  // The root's children: fixed information (52 bytes after the 34-byte key and header), then
  // StringFileInfo with its string table, whose strings end with ProductVersion.
  auto node = [&](std::u16string_view key) { return source_.find(testblocks::Utf16(key), v) - 6; };
  const size_t stringFileInfo = node(u"StringFileInfo"), stringTable = node(u"040904E4"),
               companyName = node(u"CompanyName"), productVersion = node(u"ProductVersion");
  ASSERT_TRUE(stringFileInfo < stringTable && stringTable < companyName && companyName < productVersion &&
              productVersion < end);

  using Patch = std::function<void(std::string&)>;
  auto cut = [](size_t length) -> Patch { return [=](std::string& b) { b.resize(length); }; };
  auto word = [](size_t at, uint16_t value) -> Patch { return [=](std::string& b) { Put(b, at, value); }; };
  auto dword = [](size_t at, uint32_t value) -> Patch { return [=](std::string& b) { Put(b, at, value); }; };
  auto fill = [=](size_t from, char c) -> Patch {
    return [=](std::string& b) { b.replace(from, end - from, end - from, c); };
  };
  const struct {
    const char* what;
    Patch patch;
    Shows shows = kIntro;
  } cases[] = {
      // Cut before the block ends.
      {"zero-length", cut(0)}, {"one byte", cut(1)}, {"the MZ mark only", cut(2)}, {"the DOS header only", cut(64)},
      {"up to the PE signature", cut(peHeader_ + 4)}, {"up to the optional header", cut(peHeader_ + 24)},
      {"inside the section table", cut(sectionTable_ + 20)}, {"up to the end of the headers", cut(sectionTableEnd_)},
      {"up to the resource section", cut(resources_)}, {"inside the resource directory", cut(resources_ + 16)},
      {"up to the version block", cut(v)}, {"inside the block's header", cut(v + 3)},
      {"half the version block", cut(v + (end - v) / 2)}, {"all but the block's last byte", cut(end - 1)},
      // Cut after the block: whatever the platform still reads of it is shown whole or not at all.
      {"up to the end of the version block", cut(end), kEither},
      {"all but the last byte", cut(source_.size() - 1), kEither},
      // Broken lengths and types: the file's own view only where the strings can still be read in full.
      {"root length zero", word(v, 0)}, {"root length past the resource's end", word(v, 0xFFFF), kFile},
      {"root value length past the end", word(v + 2, 0xFFFF)}, {"root of an unknown type", word(v + 4, 7)},
      {"StringFileInfo length zero", word(stringFileInfo, 0)},
      {"StringFileInfo length past the end", word(stringFileInfo, 0xFFFF), kFile},
      {"string table shorter than its header", word(stringTable, 3)},
      {"company name length zero", word(companyName, 0)}, {"product version length zero", word(productVersion, 0)},
      {"product version value past the end", word(productVersion + 2, 0xFFFF), kFile},
      {"product version length past the end", word(productVersion, 0xFFFF), kFile},
      // The next sibling is looked for at the 4-byte boundary after an odd length, past where it
      // really starts: the chain of strings breaks before the product version.
      {"odd lengths everywhere",
       [=](std::string& b) {
         for (size_t at : {v, stringFileInfo, stringTable, companyName, productVersion})
           Put(b, at, static_cast<uint16_t>(Get<uint16_t>(b, at) | 1));
       }},
      {"block zeroed after its header", fill(v + 6, '\0')}, {"block filled with FF", fill(v, '\xFF')},
      {"resource size zero", dword(size, 0)}, {"resource size eight", dword(size, 8)},
      {"resource size larger, still inside the file", dword(size, static_cast<uint32_t>(end - v + 64)), kFile},
      // Resources that claim bytes beyond the file: the version interface would read past its mapping.
      {"resource size past the file's end", dword(size, 0x00100000)},
      {"resource data past the file's end", dword(dataEntry_, 0x7FFFFF00)},
  };
  for (const auto& c : cases) {
    std::string bytes = source_;
    c.patch(bytes);
    ASSERT_NE(bytes, source_) << c.what;
    Expect(Write("damaged.ocx", bytes), c.what, c.shows);
  }
}

TEST_F(BadInputTest, PathsThatNameNoFileKeepThePanel) {
  CreateDirectoryA((dir_ + "folder.ocx").c_str(), nullptr);
  Expect(dir_ + "folder.ocx", "a directory named like a head", kKept);
  Expect(dir_ + "folder.ocx\\", "a directory with its trailing backslash", kKept);
  Expect(dir_ + "fold*.ocx", "a wildcard that matches a directory only", kKept);
  Expect(dir_, "the test's own folder", kKept);
  Expect(Write("head.ocx", source_) + "\\inner.ocx", "a path through a file", kKept);
  Expect(dir_ + "\x01\x02|.ocx", "control characters and a reserved mark", kKept);
}

// ---------------------------------------------------------------- a file held by another process

// Run by the test below as a child process: holds the file named in its environment until told,
// opened without sharing ("share0"), or opened shared with its whole length locked ("range").
TEST(BadInputLocker, HoldsTheFileUntilReleased) {
  char file[MAX_PATH] = {}, events[64] = {}, mode[16] = {};
  if (GetEnvironmentVariableA("VESK_LOCK_FILE", file, MAX_PATH) == 0) GTEST_SKIP() << "runs only as a child";
  GetEnvironmentVariableA("VESK_LOCK_EVENTS", events, sizeof events);
  GetEnvironmentVariableA("VESK_LOCK_MODE", mode, sizeof mode);
  const bool range = std::string(mode) == "range";
  HANDLE held = CreateFileA(file, GENERIC_READ | GENERIC_WRITE, range ? FILE_SHARE_READ | FILE_SHARE_WRITE : 0, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  OVERLAPPED whole{};
  const DWORD lock = LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY;
  ASSERT_TRUE(held != INVALID_HANDLE_VALUE && (!range || LockFileEx(held, lock, 0, MAXDWORD, MAXDWORD, &whole)));
  HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, (std::string(events) + ".ready").c_str());
  HANDLE release = OpenEventA(SYNCHRONIZE, FALSE, (std::string(events) + ".release").c_str());
  ASSERT_TRUE(ready && release);
  SetEvent(ready);
  EXPECT_EQ(WaitForSingleObject(release, 60000), WAIT_OBJECT_0);
  // The handles close as the child ends.
}

// Starts this test program again as the child above, runs `whileHeld` once it holds the file, then
// lets it close the file and end: its exit code, or nothing when it did not end in time.
std::optional<DWORD> WhileHeld(const std::string& file, const std::string& mode,
                               const std::function<void()>& whileHeld) {
  const std::string events = "VeskLock." + std::to_string(GetCurrentProcessId()) + "." + mode;
  HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, (events + ".ready").c_str());
  HANDLE release = CreateEventA(nullptr, TRUE, FALSE, (events + ".release").c_str());
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  testenv::Process child(std::string("\"") + self + "\" --gtest_filter=BadInputLocker.HoldsTheFileUntilReleased",
                         "VESK_LOCK_FILE=" + file + ";VESK_LOCK_EVENTS=" + events + ";VESK_LOCK_MODE=" + mode);
  const HANDLE either[] = {ready, child.Handle()};
  const bool holding = child.Handle() && WaitForMultipleObjects(2, either, FALSE, 30000) == WAIT_OBJECT_0;
  EXPECT_TRUE(holding) << "the locking child did not start";
  if (holding) whileHeld();
  SetEvent(release);
  const std::optional<DWORD> code = child.WaitExit(20000);
  CloseHandle(ready);
  CloseHandle(release);
  return code;
}

TEST_F(BadInputTest, FileHeldByAnotherProcess) {
  const std::string path = Write("held.ocx", source_);
  auto unshared = [&] {
    HANDLE probe = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, 0, nullptr);
    if (probe != INVALID_HANDLE_VALUE) CloseHandle(probe);
    ASSERT_EQ(probe, INVALID_HANDLE_VALUE) << "the file is not locked";
    Expect(path, "opened by another process without sharing", kIntro);
  };
  EXPECT_EQ(WhileHeld(path, "share0", unshared), std::optional<DWORD>(0));
  // Once it is free again, the same file shows its values: the lock was what hid them.
  EXPECT_EQ(PanelFor(path), fileView_);
  EXPECT_EQ(WhileHeld(path, "range", [&] { Expect(path, "its whole length locked by another process", kEither); }),
            std::optional<DWORD>(0));
}

}  // namespace
