// The association writer, the .ocx association test and removal, and the saved setting, against
// the real registry.
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

bool AssociateOcx(const std::wstring& exePath) {
  std::wstring extension = L".ocx", parameters;
  return FileAss::AssociateFile(extension, L"OCX_FileType", L"Active X Control", L"Register/Unregister", exePath,
                                parameters, true, L"", true);
}

// The raw bytes of a default value under the classes root, its terminating NULs included.
std::string RawValue(const std::string& key) {
  HKEY handle = nullptr;
  RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle);
  DWORD size = 512;
  std::string bytes(size, '\0');
  RegQueryValueExA(handle, "", nullptr, nullptr, reinterpret_cast<BYTE*>(bytes.data()), &size);
  RegCloseKey(handle);
  return bytes.substr(0, size);
}

}  // namespace

using AssociateFile = ShellTest;

TEST_F(AssociateFile, WritesTheFourOcxValuesEachWithOneNul) {
  ASSERT_EQ(ExePath().find(' '), std::string::npos) << "this case needs a blank-free program path";
  testenv::SetSz(HKEY_CLASSES_ROOT, ".ocx", "Content Type", "application/x-test");
  testenv::SetSz(HKEY_CLASSES_ROOT, ".ocx", "", "ocxfile");
  EXPECT_TRUE(AssociateOcx(ExePathW()));
  EXPECT_EQ(RawValue(".ocx"), std::string("OCX_FileType", 13));
  EXPECT_EQ(RawValue("OCX_FileType"), std::string("Active X Control", 17));
  EXPECT_EQ(RawValue("OCX_FileType\\DefaultIcon"), ExePath() + ",0" + '\0');
  EXPECT_EQ(RawValue(kCommandKey), ExePath() + " %1" + '\0');
  EXPECT_EQ(testenv::GetSz(HKEY_CLASSES_ROOT, ".ocx", "Content Type"), "application/x-test") << "others stay";
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

TEST_F(AssociateFile, RefusalsAndErrorsWriteNothingAndAreSilentInQuietMode) {
  const std::string dir = testenv::TestDir();
  const std::string hidden = testenv::CopyInto(ExePath(), dir, "hidden.exe");
  testenv::SetAttributes(hidden, FILE_ATTRIBUTE_HIDDEN);
  struct Case {
    std::wstring extension, program, caption, text;
  };
  std::vector<Case> cases;
  for (const wchar_t c : std::wstring(L"\\/:*?<>|\"")) {
    const std::wstring extension = std::wstring(L"v") + c + L"sk";
    cases.push_back({extension, ExePathW(), L"DLL/OCX Register",
                     L"The file extension '" + extension + L"' contains an illegal char (\\/:*?<>|\")."});
  }
  for (const std::string& program : {dir + "missing.exe", dir.substr(0, dir.size() - 1), hidden})
    cases.push_back({L"vsk", FromAnsi(program), L"DLL/OCX Register",
                     L"The application path '" + FromAnsi(program) + L"' cannot be found."});
  cases.push_back({L"", ExePathW(), kAppTitle, L"An error occured while attempting to associate file.\r\n"});

  for (const bool showMessages : {true, false}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(ToAnsi(c.extension + L" " + c.program));
      std::wstring extension = c.extension, parameters = L" /s ";
      const size_t before = Boxes().SeenCount();
      ClassesWatch watch;
      if (showMessages) Boxes().Answer(IDOK);
      EXPECT_FALSE(Associate(extension, c.program, parameters, true, L"", showMessages));
      EXPECT_FALSE(watch.Changed());
      ASSERT_EQ(Boxes().SeenCount(), before + (showMessages ? 1 : 0));
      if (!showMessages) continue;
      const BoxInfo box = Boxes().Seen().back();
      EXPECT_EQ(box.caption, c.caption);
      EXPECT_EQ(box.text.substr(0, c.text.size()), c.text);
      EXPECT_EQ(box.icon, BoxIcon::Stop);
      EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
      if (!c.extension.empty()) EXPECT_EQ(parameters, L" /s ") << "refused before anything is touched";
    }
  }
  EXPECT_GT(Boxes().Seen().back().text.size(), cases.back().text.size()) << "the error's description follows";
}

TEST_F(AssociateFile, ProgramPathWithBlanksIsQuotedAndStillRecognised) {
  const std::string dir = testenv::TestDir() + "Program Files\\";
  CreateDirectoryA(dir.c_str(), nullptr);
  const std::string program = testenv::CopyInto(ExePath(), dir, "Vesk Installer.exe");
  EXPECT_TRUE(AssociateOcx(FromAnsi(program)));
  EXPECT_EQ(ClassesValue(kCommandKey), "\"" + program + "\" %1");
  EXPECT_EQ(ClassesValue("OCX_FileType\\DefaultIcon"), program + ",0");
  std::wstring asked = FromAnsi(program);
  EXPECT_TRUE(modInstaller::IsOcxAssociated(asked));
  testenv::SetSz(HKEY_CLASSES_ROOT, kCommandKey, "", program + " %1");  // as written before the quotes
  EXPECT_TRUE(modInstaller::IsOcxAssociated(asked));
}

using OcxAssociation = ShellTest;

TEST_F(OcxAssociation, RecognisesThisProgramByAnyFormOfItsPath) {
  StoreAssociation("OCX_FileType", ExePath() + " %1");
  char shortPath[MAX_PATH] = {};
  GetShortPathNameA(ExePath().c_str(), shortPath, MAX_PATH);
  std::wstring path = FromAnsi(shortPath);
  EXPECT_TRUE(modInstaller::IsOcxAssociated(path));
  EXPECT_EQ(path, ExePathW()) << "handed back in its long form";
  std::wstring doubled = modInstaller::OptionsLoadExePath();
  EXPECT_TRUE(modInstaller::IsOcxAssociated(doubled));
  StoreAssociation("OCX_FileType", "");
  EXPECT_FALSE(modInstaller::IsOcxAssociated(path));
}

TEST_F(OcxAssociation, RemovalPointsBackToOcxfileOnlyFromThisProgramsType) {
  StoreAssociation("OCX_FileType", ExePath() + " %1");
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

TEST_F(OcxAssociation, ExecutablePathForms) {
  const std::wstring folder = modInstaller::AppPath(), name = modInstaller::ExeName() + L".exe";
  EXPECT_EQ(modInstaller::StartupExePath(), folder + name);
  EXPECT_EQ(modInstaller::OptionsLoadExePath(), folder + L"\\" + name);
  EXPECT_EQ(modInstaller::OptionsOkExePath(), folder + name) << "the folder without an added backslash";
}

TEST_F(OcxAssociation, SavedSettingReadsEmptyWhenAbsentAndKeepsOne) {
  auto settings = [] {
    Registry reg;
    reg.Appname(L"VeskOCXInstall");
    reg.Section(L"LocSettings");
    reg.Key(L"AssociateMsg");
    return reg;
  };
  Registry reg = settings();
  reg.Setting(L"stale");
  reg.RegGet();
  EXPECT_EQ(reg.Setting(), L"");
  reg.Setting(L"1");
  reg.RegSave();
  reg.RegSave();
  Registry later = settings();
  later.RegGet();
  EXPECT_EQ(later.Setting(), L"1");
  EXPECT_EQ(AssociateMsg(), "1");
}
