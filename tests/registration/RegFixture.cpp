#include "RegFixture.h"

#include "app/AnsiText.h"
#include "app/frmMain.h"

namespace regtest {

namespace {

GoodHead Make(const std::string& file, const std::string& name, const std::string& classId,
              const std::vector<std::string>& familyDigits) {
  GoodHead head{file, name, classId, "", {}};
  auto member = [&](const std::string& digits) { return classId.substr(0, 7) + digits + classId.substr(9); };
  head.typeLibId = member(familyDigits[3]);
  head.familyKeys = {"CLSID\\" + member(familyDigits[0]), "Interface\\" + member(familyDigits[1]),
                     "Interface\\" + member(familyDigits[2]), "TypeLib\\" + member(familyDigits[3])};
  return head;
}

std::vector<std::string> AllKeys(const GoodHead& head) {
  const std::string classKey = "CLSID\\" + head.classId;
  std::vector<std::string> keys = {classKey + "\\InprocServer32", classKey + "\\TypeLib", classKey};
  keys.insert(keys.end(), head.familyKeys.begin(), head.familyKeys.end());
  return keys;
}

}  // namespace

const GoodHead& Chess() {
  static const GoodHead head =
      Make("chess.ocx", "Chess", "{1E5A294C-7B3D-4C11-9A2E-6F01C3D5B7A1}", {"4D", "4B", "4A", "49"});
  return head;
}

const GoodHead& Darts() {
  static const GoodHead head =
      Make("darts.ocx", "Darts", "{6B0D3E12-52A4-4F8C-B1D7-29E4A0C6F381}", {"13", "11", "10", "0F"});
  return head;
}

const GoodHead& Bowls() {
  static const GoodHead head =
      Make("comhead.ocx", "Bowls", "{3F7C8A80-1D26-4B95-8E3A-C45F0B7D2E19}", {"81", "7F", "7E", "7D"});
  return head;
}

std::string GamesEntry(const GoodHead& head) { return "Software\\CLASSES\\Software\\Ubique\\VPgames32\\" + head.name; }

bool Registered(const GoodHead& head) {
  size_t present = testenv::KeyExists(HKEY_LOCAL_MACHINE, GamesEntry(head)) ? 1 : 0;
  const std::vector<std::string> keys = AllKeys(head);
  for (const std::string& key : keys) present += testenv::KeyExists(HKEY_CLASSES_ROOT, key) ? 1 : 0;
  EXPECT_TRUE(present == 0 || present == keys.size() + 1) << head.file << ": only " << present << " keys";
  return present > 0;
}

void RemoveKeys(const GoodHead& head) {
  testenv::DeleteTree(HKEY_LOCAL_MACHINE, GamesEntry(head));
  for (const std::string& key : AllKeys(head)) testenv::DeleteTree(HKEY_CLASSES_ROOT, key);
}

std::wstring W(const std::string& ansi) { return FromAnsi(ansi); }

bool ModuleLoaded(const std::string& path) { return GetModuleHandleA(path.c_str()) != nullptr; }

void RegistrationTest::SetUp() {
  MainWindowTest::SetUp();
  ASSERT_TRUE(Form().Loaded());
  dir_ = testenv::TestDir();
  for (const GoodHead* head : {&Chess(), &Darts(), &Bowls()}) RemoveKeys(*head);
  Form().Timer1_Timer();  // the tick of the window's start, so that a command's refresh request shows
  ASSERT_FALSE(Form().Timer1Enabled());
}

void RegistrationTest::TearDown() {
  for (const GoodHead* head : {&Chess(), &Darts(), &Bowls()}) RemoveKeys(*head);
  MainWindowTest::TearDown();
}

std::string RegistrationTest::Head(const std::string& file, const std::string& newName) {
  const std::string copy = testenv::CopyInto(testenv::HeadPath(file), dir_, newName);
  EXPECT_TRUE(testenv::FileExists(copy)) << "test head not built: " << testenv::HeadPath(file);
  return copy;
}

std::vector<std::wstring> RegistrationTest::PanelLines() {
  const std::wstring text = Form().PanelText();
  std::vector<std::wstring> lines;
  size_t start = 0;
  for (size_t end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  if (start < text.size()) lines.push_back(text.substr(start) + L"<no line break>");
  return lines;
}

}  // namespace regtest
