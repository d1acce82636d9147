// The panel on the fixture and on files that are no good (cut off, corrupt, held, no file at all):
// the file's values or the introduction, never a mixture; a text that names no file leaves it as it was.
#include <cstdint>
#include <cstring>
#include <functional>

#include "TestBlocks.h"
#include "TestEnv.h"
#include "platform/AnsiText.h"
#include "window/MainWindow.h"
#include "fileinfo/InfoPanel.h"
#include "fileinfo/PanelTexts.h"

namespace {

constexpr wchar_t kMarker[] = L"Process Successful.\r\n";
enum Shows { kIntro = 1, kView = 2, kEither = 3, kKept = 4 };

class FileInfoTest : public testenv::MainWindowTest {
 protected:
  std::string Write(const std::string& name, const std::string& bytes) {
    testenv::WriteFileBytes(dir_ + name, bytes);
    return dir_ + name;
  }
  // Names the path in the head file box after a status line; the panel.
  std::wstring PanelFor(const std::string& path) {
    Window().SetHeadFileText(L"");
    Window().SetPanelText(kMarker);
    Window().SetHeadFileText(FromAnsi(path));
    return Window().PanelText();
  }
  void Expect(const std::string& path, const std::string& what, Shows shows) {
    const std::wstring panel = PanelFor(path);
    EXPECT_TRUE(((shows & kIntro) && panel == testenv::Lines(IntroLines())) || ((shows & kView) && panel == view_) ||
                (shows == kKept && panel == kMarker))
        << what << ":\n" << ToAnsi(panel);
  }

  const std::string dir_ = testenv::TestDir();
  const std::string source_ = testenv::ReadFileBytes(testenv::ExeDir() + "fixtures\\versioned.ocx");
  // Values up to their NUL, the description cut to its window; the copyright sign in the system code page.
  const std::wstring view_ = testenv::Lines({L"Currently Selected File Info: ", L"   FileName:  versioned.ocx",
                                   L"   Company Name:  Vesk Test Heads", L"   Product Version:  2.5.0.1",
                                   L"   Copyright:  " + FromAnsi(ToAnsi(L"\u00a9 2024 Vesk")),
                                   L"   Description:  Head used by the vers"});
};

TEST_F(FileInfoTest, BadFilesAndPaths) {
  // Where the parts of the fixture lie, as far as the cuts and patches below need them.
  ASSERT_GT(source_.size(), 1024u) << "fixture not built";
  auto get = [&](size_t at, size_t size) {
    uint32_t value = 0;
    std::memcpy(&value, source_.data() + at, size);
    return size_t{value};
  };
  const size_t v = source_.find(testblocks::Utf16(u"VS_VERSION_INFO")) - 6, end = v + get(v, 2), pe = get(0x3C, 4);
  // The resource data entry of the version block (its address, then its size), before the block.
  const uint32_t size = static_cast<uint32_t>(end - v);
  const size_t entry = source_.rfind(std::string(reinterpret_cast<const char*>(&size), 4), v) - 4;
  ASSERT_TRUE(end > v && end <= source_.size() && entry > pe && entry < v);
  const std::string intact = Write("intact.ocx", source_);
  ASSERT_EQ(PanelFor(intact), view_);
  auto node = [&](std::u16string_view key) { return source_.find(testblocks::Utf16(key), v) - 6; };
  const size_t table = node(u"040904E4"), company = node(u"CompanyName"), product = node(u"ProductVersion");

  using Patch = std::function<void(std::string&)>;
  auto cut = [](size_t length) -> Patch { return [=](std::string& b) { b.resize(length); }; };
  auto put = [](size_t at, uint32_t value, size_t size = 2) -> Patch {
    return [=](std::string& b) { std::memcpy(b.data() + at, &value, size); };
  };
  auto fill = [=](size_t at, char c) -> Patch { return [=](std::string& b) { b.replace(at, end - at, end - at, c); }; };
  const std::tuple<const char*, Patch, Shows> cases[] = {
      {"empty", cut(0), kIntro}, {"the DOS header only", cut(64), kIntro}, {"in the headers", cut(pe + 99), kIntro},
      {"in the resource directory", cut(entry), kIntro}, {"in the block's header", cut(v + 3), kIntro},
      {"half the version block", cut(v + (end - v) / 2), kIntro}, {"all but the block's last", cut(end - 1), kIntro},
      // Whatever the platform still reads of a block cut after its end is shown whole or not at all.
      {"up to the end of the block", cut(end), kEither}, {"all but the last byte", cut(source_.size() - 1), kEither},
      // The file's own view only where the strings can still be read in full, and there is a product version.
      {"root length zero", put(v, 0), kIntro}, {"root length past the resource's end", put(v, 0xFFFF), kView},
      {"root of an unknown type", put(v + 4, 7), kIntro}, {"string table shorter than a header", put(table, 3), kIntro},
      {"company name length zero", put(company, 0), kIntro}, {"product version length zero", put(product, 0), kIntro},
      {"product version value past the end", put(product + 2, 0xFFFF), kView},
      {"no product version key", put(product + 6, 'Q'), kIntro},
      {"block zeroed after its header", fill(v + 6, '\0'), kIntro}, {"block filled with FF", fill(v, '\xFF'), kIntro},
      {"resource size zero", put(entry + 4, 0, 4), kIntro},
      {"resource size larger, still inside the file", put(entry + 4, end - v + 64, 4), kView},
      // Resources that claim bytes beyond the file: the version interface would read past its mapping.
      {"resource size past the file's end", put(entry + 4, 0x00100000, 4), kIntro},
      {"resource data past the file's end", put(entry, 0x7FFFFF00, 4), kIntro},
  };
  for (const auto& [what, patch, shows] : cases) {
    std::string bytes = source_;
    patch(bytes);
    Expect(Write("damaged.ocx", bytes), what, shows);
  }
  // Texts that name no file leave the panel as it was.
  CreateDirectoryA((dir_ + "folder.ocx").c_str(), nullptr);
  for (const std::string& path : {dir_ + "folder.ocx", dir_ + "folder.ocx\\", dir_ + "fold*.ocx", dir_,
                                  intact + "\\inner.ocx", dir_ + "\x01\x02|.ocx"})
    Expect(path, path, kKept);
  fileinfo::ShowFileInfo(Window(), FromAnsi(dir_ + "missing.ocx"));
  EXPECT_EQ(Window().PanelText(), testenv::Lines(IntroLines()));
  // Opened elsewhere without sharing, the file cannot be read; once free, it shows its values again.
  HANDLE held = CreateFileA(intact.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  Expect(intact, "opened without sharing", kIntro);
  CloseHandle(held);
  EXPECT_EQ(PanelFor(intact), view_);
}

}  // namespace
