// The association writer, the .ocx association test and removal, and the saved setting, against
// the real registry.
#include <array>
#include <tuple>

#include "ShellFixture.h"
#include "app/MsgBox.h"
#include "app/modInstaller.h"
#include "shell/FileAss.h"
#include "shell/Registry.h"

using namespace shelltest;

namespace {

// The writer with a test file type and verb.
bool Associate(std::wstring& extension, const std::wstring& exePath, std::wstring& parameters, bool setIcon = true,
               const std::wstring& iconPath = L"", bool showMessages = true) {
  return FileAss::AssociateFile(extension, L"Vesk_TestType", L"Vesk test file", L"Run It", exePath, parameters,
                                setIcon, iconPath, showMessages);
}

// The raw bytes of a default value under the classes root, its terminating NULs included.
std::string RawValue(const std::string& key) {
  HKEY handle = nullptr;
  char bytes[512];
  DWORD size = sizeof bytes;
  RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle);
  RegQueryValueExA(handle, "", nullptr, nullptr, reinterpret_cast<BYTE*>(bytes), &size);
  RegCloseKey(handle);
  return std::string(bytes, size);
}

}  // namespace

using AssociateFile = ShellTest;

// The program here, then a copy whose path has blanks: only that one is quoted, and both forms of
// its command are recognised.
TEST_F(AssociateFile, WritesTheFourOcxValuesEachWithOneNulQuotingOnlyAPathWithBlanks) {
  ASSERT_EQ(ExePath().find(' '), std::string::npos) << "this case needs a blank-free program path";
  const std::string dir = testenv::TestDir() + "Program Files\\";
  CreateDirectoryA(dir.c_str(), nullptr);
  const std::string blanked = testenv::CopyInto(ExePath(), dir, "Vesk Installer.exe");
  testenv::SetSz(HKEY_CLASSES_ROOT, ".ocx", "Content Type", "application/x-test");
  testenv::SetSz(HKEY_CLASSES_ROOT, ".ocx", "", "ocxfile");
  for (const std::string& program : {ExePath(), blanked}) {
    SCOPED_TRACE(program);
    std::wstring extension = L".ocx", parameters, path = FromAnsi(program);
    EXPECT_TRUE(FileAss::AssociateFile(extension, L"OCX_FileType", L"Active X Control", L"Register/Unregister", path,
                                       parameters, true, L"", true));
    EXPECT_EQ(RawValue(".ocx"), std::string("OCX_FileType", 13));
    EXPECT_EQ(RawValue("OCX_FileType"), std::string("Active X Control", 17));
    EXPECT_EQ(RawValue("OCX_FileType\\DefaultIcon"), program + ",0" + '\0');
    EXPECT_EQ(RawValue(kCommandKey), (program == blanked ? "\"" + program + "\"" : program) + " %1" + '\0');
    EXPECT_TRUE(modInstaller::IsOcxAssociated(path));
  }
  EXPECT_EQ(testenv::GetSz(HKEY_CLASSES_ROOT, ".ocx", "Content Type"), "application/x-test") << "others stay";
  testenv::SetSz(HKEY_CLASSES_ROOT, kCommandKey, "", blanked + " %1");  // as written before the quotes
  std::wstring asked = FromAnsi(blanked);
  EXPECT_TRUE(modInstaller::IsOcxAssociated(asked));
  EXPECT_EQ(Boxes().SeenCount(), 0u);
}

TEST_F(AssociateFile, ExtensionParametersAndIconAreShapedAsGiven) {
  std::wstring extension = L"vsk", parameters = L"   /register   ";
  EXPECT_TRUE(Associate(extension, ExePathW(), parameters, false, L"C:\\other.ico,3"));
  EXPECT_EQ(extension, L".vsk");
  EXPECT_EQ(parameters, L" /register");
  EXPECT_EQ(ClassesValue(".vsk"), "Vesk_TestType");
  EXPECT_EQ(ClassesValue("Vesk_TestType"), "Vesk test file");
  EXPECT_EQ(ClassesValue("Vesk_TestType\\shell\\Run It\\command"), ExePath() + " /register %1");
  EXPECT_TRUE(testenv::KeyExists(HKEY_CLASSES_ROOT, "Vesk_TestType\\DefaultIcon")) << "created without a value";
  EXPECT_EQ(ClassesValue("Vesk_TestType\\DefaultIcon"), "<none>");

  parameters.clear();
  EXPECT_TRUE(Associate(extension, ExePathW(), parameters, true, L"  C:\\other.ico,3  "));
  EXPECT_EQ(ClassesValue("Vesk_TestType\\DefaultIcon"), "C:\\other.ico,3");
  EXPECT_EQ(ClassesValue("Vesk_TestType\\shell\\Run It\\command"), ExePath() + " %1");
}

// Each bad extension or program, with the box it brings (or none when quiet).
TEST_F(AssociateFile, RefusalsAndErrorsWriteNothingAndAreSilentInQuietMode) {
  const std::string dir = testenv::TestDir(), hidden = testenv::CopyInto(ExePath(), dir, "hidden.exe");
  testenv::SetAttributes(hidden, FILE_ATTRIBUTE_HIDDEN);
  const std::wstring refused = L"DLL/OCX Register", error = L"An error occured while attempting to associate file.\r\n";
  std::vector<std::array<std::wstring, 4>> cases;  // extension, program, caption, text
  for (const wchar_t c : std::wstring(L"\\/:*?<>|\"")) {
    const std::wstring ext = std::wstring(L"v") + c + L"sk";
    cases.push_back(
        {ext, ExePathW(), refused, L"The file extension '" + ext + L"' contains an illegal char (\\/:*?<>|\")."});
  }
  for (const std::string& program : {dir + "missing.exe", dir.substr(0, dir.size() - 1), hidden})
    cases.push_back(
        {L"vsk", FromAnsi(program), refused, L"The application path '" + FromAnsi(program) + L"' cannot be found."});
  cases.push_back({L"", ExePathW(), kAppTitle, error});
  for (const bool showMessages : {true, false}) {
    for (const auto& [ext, program, caption, text] : cases) {
      SCOPED_TRACE(ToAnsi(ext + L" " + program));
      std::wstring extension = ext, parameters = L" /s ";
      const size_t before = Boxes().SeenCount();
      ClassesWatch watch;
      if (showMessages) Boxes().Answer(IDOK);
      EXPECT_FALSE(Associate(extension, program, parameters, true, L"", showMessages));
      EXPECT_FALSE(watch.Changed());
      ASSERT_EQ(Boxes().SeenCount(), before + (showMessages ? 1 : 0));
      if (!showMessages) continue;
      const BoxInfo box = Boxes().Seen().back();
      EXPECT_EQ(std::make_tuple(box.caption, box.text.substr(0, text.size()), box.icon, box.buttons),
                std::make_tuple(caption, text, BoxIcon::Stop, std::vector<int>{IDOK}));
      if (!ext.empty()) EXPECT_EQ(parameters, L" /s ") << "refused before anything is touched";
    }
  }
  EXPECT_GT(Boxes().Seen().back().text.size(), error.size()) << "the error's description follows";
}

using OcxAssociation = ShellTest;

TEST_F(OcxAssociation, RecognisesThisProgramByAnyFormOfItsPathAndRemovesOnlyItsOwnType) {
  const std::wstring folder = modInstaller::AppPath(), name = modInstaller::ExeName() + L".exe";
  EXPECT_EQ(modInstaller::StartupExePath(), folder + name);
  EXPECT_EQ(modInstaller::OptionsLoadExePath(), folder + L"\\" + name);
  EXPECT_EQ(modInstaller::OptionsOkExePath(), folder + name) << "the folder without an added backslash";

  StoreAssociation("OCX_FileType", "");
  char shortPath[MAX_PATH] = {};
  GetShortPathNameA(ExePath().c_str(), shortPath, MAX_PATH);
  std::wstring path = FromAnsi(shortPath), doubled = modInstaller::OptionsLoadExePath();
  EXPECT_FALSE(modInstaller::IsOcxAssociated(path));
  StoreAssociation("OCX_FileType", ExePath() + " %1");
  EXPECT_TRUE(modInstaller::IsOcxAssociated(path));
  EXPECT_EQ(path, ExePathW()) << "handed back in its long form";
  EXPECT_TRUE(modInstaller::IsOcxAssociated(doubled));

  AssocNotices notices;
  EXPECT_TRUE(modInstaller::RemoveOcxAssociation());
  EXPECT_EQ(ClassesValue(".ocx"), "ocxfile");
  EXPECT_EQ(ClassesValue("OCX_FileType"), "Active X Control");
  EXPECT_EQ(ClassesValue(kCommandKey), ExePath() + " %1");
  EXPECT_EQ(notices.Count(), 1);
  ClassesWatch watch;
  EXPECT_FALSE(modInstaller::RemoveOcxAssociation()) << "\".ocx\" holds ocxfile now";
  EXPECT_FALSE(watch.Changed());
  EXPECT_EQ(notices.Count(), 1);
}

// The setting reads empty when absent and keeps what was saved (twice) for a later reader.
TEST_F(OcxAssociation, SavedSettingReadsEmptyWhenAbsentAndKeepsOne) {
  for (const wchar_t* stored : {L"", L"1"}) {
    Registry reg;
    reg.Appname(kSettingsApp);
    reg.Section(kSettingsSection);
    reg.Key(kAssociateMsg);
    reg.Setting(L"stale");
    reg.RegGet();
    EXPECT_EQ(reg.Setting(), stored);
    reg.Setting(L"1");
    reg.RegSave();
    reg.RegSave();
  }
  EXPECT_EQ(AssociateMsg(), "1");
}
