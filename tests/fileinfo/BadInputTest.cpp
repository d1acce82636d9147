// Files that are no good to the information panel, named in the head file box: cut-off and empty
// files, directories, files another process holds, and version resources with broken lengths. The
// program must neither fault nor show anything but one of its two views (or keep the panel when
// the text names no file).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "FixturePath.h"
#include "app/frmMain.h"
#include "fileinfo/PanelTexts.h"

namespace {

constexpr wchar_t kMarker[] = L"Process Successful.\r\n";

std::wstring Introduction() {
  std::wstring text;
  for (const std::wstring& line : IntroLines()) text += line + L"\r\n";
  return text;
}

uint32_t Dword(const std::string& bytes, size_t at) {
  uint32_t value = 0;
  for (size_t i = 0; i < 4; ++i) value |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
  return value;
}

uint16_t Word(const std::string& bytes, size_t at) {
  return static_cast<uint16_t>(static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8);
}

void PutWord(std::string& bytes, size_t at, uint16_t value) {
  bytes[at] = static_cast<char>(value & 0xFF);
  bytes[at + 1] = static_cast<char>(value >> 8);
}

void PutDword(std::string& bytes, size_t at, uint32_t value) {
  for (size_t i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

size_t FindWide(const std::string& bytes, const std::string& text, size_t from = 0) {
  std::string wide;
  for (char c : text) wide += std::string{c, '\0'};
  return bytes.find(wide, from);
}

// Where the parts of a built DLL lie in its file, as far as the cuts and patches below need them.
struct PeLayout {
  size_t peHeader = 0;  // "PE\0\0"
  size_t sectionTable = 0;
  size_t sectionTableEnd = 0;
  size_t resources = 0;    // raw start of the section that holds the version block
  size_t resourceRva = 0;  // its virtual address
  size_t version = 0;      // the version block (its 16-bit layout root node)
  size_t versionEnd = 0;
  size_t dataEntry = 0;  // the resource data entry that points at the version block
};

PeLayout Layout(const std::string& pe) {
  PeLayout l;
  l.peHeader = Dword(pe, 0x3C);
  const size_t sections = Word(pe, l.peHeader + 6);
  l.sectionTable = l.peHeader + 24 + Word(pe, l.peHeader + 20);
  l.sectionTableEnd = l.sectionTable + 40 * sections;
  const size_t key = FindWide(pe, "VS_VERSION_INFO");
  if (key == std::string::npos || key < 6) return l;
  l.version = key - 6;
  l.versionEnd = l.version + Word(pe, l.version);
  for (size_t s = l.sectionTable; s < l.sectionTableEnd; s += 40) {
    const size_t raw = Dword(pe, s + 20), rawSize = Dword(pe, s + 16);
    if (l.version >= raw && l.version < raw + rawSize) {
      l.resources = raw;
      l.resourceRva = Dword(pe, s + 12);
    }
  }
  const uint32_t versionRva = static_cast<uint32_t>(l.resourceRva + (l.version - l.resources));
  for (size_t at = l.resources; at + 8 <= l.version; at += 4)
    if (Dword(pe, at) == versionRva && Dword(pe, at + 4) == l.versionEnd - l.version) l.dataEntry = at;
  return l;
}

class BadInputTest : public testenv::MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    dir_ = testenv::TestDir();
    source_ = testenv::ReadFileBytes(ToAnsi(FixturePath("versioned.ocx")));
    ASSERT_GT(source_.size(), 1024u) << "fixture not built";
    layout_ = Layout(source_);
    ASSERT_GT(layout_.version, layout_.sectionTableEnd);
    ASSERT_GT(layout_.versionEnd, layout_.version);
    ASSERT_LE(layout_.versionEnd, source_.size());
    ASSERT_NE(layout_.dataEntry, 0u) << "no resource data entry for the version block";
    // The view of the intact file, to tell a good view from a damaged one.
    fileView_ = PanelFor(Write("intact.ocx", source_));
    ASSERT_EQ(fileView_.rfind(L"Currently Selected File Info: \r\n   FileName:  versioned.ocx\r\n", 0), 0u)
        << fileView_;
  }

  std::string Write(const std::string& name, const std::string& bytes) {
    const std::string path = dir_ + name;
    testenv::WriteFileBytes(path, bytes);
    return path;
  }

  // Names the path in the head file box after a status line and returns the panel.
  std::wstring PanelFor(const std::string& path) {
    Form().SetFileBoxText(L"");
    Form().SetPanelText(kMarker);
    Form().SetFileBoxText(FromAnsi(path));
    return Form().PanelText();
  }

  // The panel went to the introduction, and nothing else happened.
  void ExpectIntroduction(const std::string& path, const std::string& what) {
    EXPECT_EQ(PanelFor(path), Introduction()) << what;
    ExpectUnharmed(what);
  }

  void ExpectFileView(const std::string& path, const std::string& what) {
    EXPECT_EQ(PanelFor(path), fileView_) << what;
    ExpectUnharmed(what);
  }

  // Either view is right; a damaged mixture of them is not.
  void ExpectAView(const std::string& path, const std::string& what) {
    const std::wstring panel = PanelFor(path);
    EXPECT_TRUE(panel == Introduction() || panel == fileView_) << what << ":\n" << ToAnsi(panel);
    ExpectUnharmed(what);
  }

  void ExpectPanelKept(const std::string& path, const std::string& what) {
    EXPECT_EQ(PanelFor(path), kMarker) << what;
    ExpectUnharmed(what);
  }

  void ExpectUnharmed(const std::string& what) {
    EXPECT_EQ(Form().Fields(), VersionFields{}) << what;
    EXPECT_TRUE(IsWindow(Form().hWnd())) << what;
    EXPECT_EQ(Boxes().SeenCount(), 0u) << what;
    testenv::CountFigure("badinput_cases");
  }

  std::string dir_;
  std::string source_;
  PeLayout layout_;
  std::wstring fileView_;
};

TEST_F(BadInputTest, CutOffFiles) {
  const PeLayout& l = layout_;
  const struct {
    const char* what;
    size_t length;
  } beforeTheBlockEnds[] = {
      {"zero-length", 0},
      {"one byte", 1},
      {"the MZ mark only", 2},
      {"the DOS header only", 64},
      {"up to the PE signature", l.peHeader + 4},
      {"up to the optional header", l.peHeader + 24},
      {"inside the section table", l.sectionTable + 20},
      {"up to the end of the headers", l.sectionTableEnd},
      {"up to the resource section", l.resources},
      {"inside the resource directory", l.resources + 16},
      {"up to the version block", l.version},
      {"inside the block's header", l.version + 3},
      {"half the version block", l.version + (l.versionEnd - l.version) / 2},
      {"all but the block's last byte", l.versionEnd - 1},
  };
  for (const auto& cut : beforeTheBlockEnds)
    ExpectIntroduction(Write("cut.ocx", source_.substr(0, cut.length)), cut.what);

  // Cut after the block: whatever the platform still reads of it is shown whole or not at all.
  ExpectAView(Write("cut.ocx", source_.substr(0, l.versionEnd)), "up to the end of the version block");
  ExpectAView(Write("cut.ocx", source_.substr(0, source_.size() - 1)), "all but the last byte");
}

TEST_F(BadInputTest, FilesThatAreNoFiles) {
  // Directories are not files: the panel keeps what it showed.
  CreateDirectoryA((dir_ + "folder.ocx").c_str(), nullptr);
  ExpectPanelKept(dir_ + "folder.ocx", "a directory named like a head");
  ExpectPanelKept(dir_ + "folder.ocx\\", "a directory with its trailing backslash");
  ExpectPanelKept(dir_ + "fold*.ocx", "a wildcard that matches a directory only");
  ExpectPanelKept(dir_, "the test's own folder");
  // A file used as if it were a folder.
  const std::string intact = Write("head.ocx", source_);
  ExpectPanelKept(intact + "\\inner.ocx", "a path through a file");
  // Not even a path.
  ExpectPanelKept(dir_ + "\x01\x02|.ocx", "control characters and a reserved mark");
}

TEST_F(BadInputTest, CorruptVersionResource) {
  const size_t v = layout_.version;
  // The root's children: fixed information (52 bytes after the 34-byte key and header), then
  // StringFileInfo with its string table, whose strings end with ProductVersion.
  const size_t stringFileInfo = FindWide(source_, "StringFileInfo", v) - 6;
  const size_t stringTable = FindWide(source_, "040904E4", v) - 6;
  const size_t productVersion = FindWide(source_, "ProductVersion", v) - 6;
  const size_t companyName = FindWide(source_, "CompanyName", v) - 6;
  ASSERT_LT(stringFileInfo, stringTable);
  ASSERT_LT(stringTable, companyName);
  ASSERT_LT(companyName, productVersion);
  ASSERT_LT(productVersion, layout_.versionEnd);

  using Patch = std::function<void(std::string&)>;
  auto word = [](size_t at, uint16_t value) -> Patch { return [=](std::string& b) { PutWord(b, at, value); }; };
  auto dword = [](size_t at, uint32_t value) -> Patch { return [=](std::string& b) { PutDword(b, at, value); }; };
  const struct {
    const char* what;
    Patch patch;
    bool fileView;  // the strings can still be read in full: the file's own view
  } cases[] = {
      {"root length zero", word(v, 0), false},
      {"root length past the resource's end", word(v, 0xFFFF), true},
      {"root value length past the end", word(v + 2, 0xFFFF), false},
      {"root of an unknown type", word(v + 4, 7), false},
      {"StringFileInfo length zero", word(stringFileInfo, 0), false},
      {"StringFileInfo length past the end", word(stringFileInfo, 0xFFFF), true},
      {"string table shorter than its header", word(stringTable, 3), false},
      {"company name length zero", word(companyName, 0), false},
      {"product version length zero", word(productVersion, 0), false},
      {"product version value past the end", word(productVersion + 2, 0xFFFF), true},
      {"product version length past the end", word(productVersion, 0xFFFF), true},
      // The next sibling is looked for at the 4-byte boundary after an odd length, past where it
      // really starts: the chain of strings breaks before the product version.
      {"odd lengths everywhere",
       [&](std::string& b) {
         for (size_t at : {v, stringFileInfo, stringTable, companyName, productVersion})
           PutWord(b, at, Word(b, at) | 1);
       },
       false},
      {"block zeroed after its header",
       [&](std::string& b) {
         std::fill(b.begin() + static_cast<long>(v + 6), b.begin() + static_cast<long>(layout_.versionEnd), '\0');
       },
       false},
      {"block filled with FF",
       [&](std::string& b) {
         std::fill(b.begin() + static_cast<long>(v), b.begin() + static_cast<long>(layout_.versionEnd), '\xFF');
       },
       false},
      {"resource size zero", dword(layout_.dataEntry + 4, 0), false},
      {"resource size eight", dword(layout_.dataEntry + 4, 8), false},
      {"resource size larger, still inside the file",
       dword(layout_.dataEntry + 4, static_cast<uint32_t>(layout_.versionEnd - v + 64)), true},
      // Resources that claim bytes beyond the file: the version interface would read past its mapping.
      {"resource size past the file's end", dword(layout_.dataEntry + 4, 0x00100000), false},
      {"resource data past the file's end", dword(layout_.dataEntry, 0x7FFFFF00), false},
  };
  for (const auto& c : cases) {
    std::string bytes = source_;
    c.patch(bytes);
    ASSERT_NE(bytes, source_) << c.what;
    const std::string path = Write("corrupt.ocx", bytes);
    if (c.fileView)
      ExpectFileView(path, c.what);
    else
      ExpectIntroduction(path, c.what);
  }
}

// ---------------------------------------------------------------- a file held by another process

// Run by the locking tests as a child process: holds the file named in its environment until told.
TEST(BadInputLocker, HoldsTheFileUntilReleased) {
  char file[MAX_PATH] = {}, events[64] = {}, mode[16] = {};
  if (GetEnvironmentVariableA("VESK_LOCK_FILE", file, MAX_PATH) == 0) GTEST_SKIP() << "runs only as a child";
  GetEnvironmentVariableA("VESK_LOCK_EVENTS", events, sizeof events);
  GetEnvironmentVariableA("VESK_LOCK_MODE", mode, sizeof mode);
  const bool range = std::string(mode) == "range";
  HANDLE held = CreateFileA(file, GENERIC_READ | GENERIC_WRITE, range ? FILE_SHARE_READ | FILE_SHARE_WRITE : 0, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  if (range) {
    OVERLAPPED whole{};
    ASSERT_TRUE(LockFileEx(held, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD, &whole));
  }
  HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, (std::string(events) + ".ready").c_str());
  HANDLE release = OpenEventA(SYNCHRONIZE, FALSE, (std::string(events) + ".release").c_str());
  ASSERT_NE(ready, nullptr);
  ASSERT_NE(release, nullptr);
  SetEvent(ready);
  EXPECT_EQ(WaitForSingleObject(release, 60000), WAIT_OBJECT_0);
  CloseHandle(held);
  CloseHandle(ready);
  CloseHandle(release);
}

// This test program started again as a child that holds a file ("share0": opened without sharing;
// "range": opened shared, its whole length locked).
class Locker {
 public:
  Locker(const std::string& file, const std::string& mode) {
    static int serial = 0;
    const std::string events = "VeskLock." + std::to_string(GetCurrentProcessId()) + "." + std::to_string(++serial);
    ready_ = CreateEventA(nullptr, TRUE, FALSE, (events + ".ready").c_str());
    release_ = CreateEventA(nullptr, TRUE, FALSE, (events + ".release").c_str());
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    child_ = std::make_unique<testenv::Process>(
        std::string("\"") + self + "\" --gtest_filter=BadInputLocker.HoldsTheFileUntilReleased",
        "VESK_LOCK_FILE=" + file + ";VESK_LOCK_EVENTS=" + events + ";VESK_LOCK_MODE=" + mode);
    const HANDLE either[] = {ready_, child_->Handle()};
    holding_ = child_->Handle() && WaitForMultipleObjects(2, either, FALSE, 30000) == WAIT_OBJECT_0;
  }
  ~Locker() { Release(); }
  Locker(const Locker&) = delete;
  Locker& operator=(const Locker&) = delete;

  bool Holding() const { return holding_; }
  // Lets the child close the file and end; its exit code, or nothing when it did not end in time.
  std::optional<DWORD> Release() {
    SetEvent(release_);
    auto code = child_->WaitExit(20000);
    if (ready_) CloseHandle(ready_);
    if (release_) CloseHandle(release_);
    ready_ = release_ = nullptr;
    return code;
  }

 private:
  HANDLE ready_ = nullptr;
  HANDLE release_ = nullptr;
  std::unique_ptr<testenv::Process> child_;
  bool holding_ = false;
};

bool OpensForReading(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  return true;
}

TEST_F(BadInputTest, FileHeldByAnotherProcess) {
  const std::string path = Write("held.ocx", source_);
  {
    Locker locker(path, "share0");
    ASSERT_TRUE(locker.Holding()) << "the locking child did not start";
    ASSERT_FALSE(OpensForReading(path)) << "the file is not locked";
    ExpectIntroduction(path, "opened by another process without sharing");
    EXPECT_EQ(locker.Release(), std::optional<DWORD>(0));
  }
  // Once it is free again, the same file shows its values: the lock was what hid them.
  EXPECT_EQ(PanelFor(path), fileView_);

  {
    Locker locker(path, "range");
    ASSERT_TRUE(locker.Holding()) << "the locking child did not start";
    ExpectAView(path, "its whole length locked by another process");
    EXPECT_EQ(locker.Release(), std::optional<DWORD>(0));
  }
}

}  // namespace
