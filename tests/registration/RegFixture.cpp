#include "RegFixture.h"

namespace regtest {

namespace {

GoodHead Make(const std::string& file, const std::string& name, const std::string& id,
              const std::vector<std::string>& familyDigits) {
  auto member = [&](const std::string& digits) { return id.substr(0, 7) + digits + id.substr(9); };
  const std::string classKey = "CLSID\\" + id;
  return {file, name, id, member(familyDigits[3]),
          {classKey + "\\InprocServer32", classKey + "\\TypeLib", classKey, "CLSID\\" + member(familyDigits[0]),
           "Interface\\" + member(familyDigits[1]), "Interface\\" + member(familyDigits[2]),
           "TypeLib\\" + member(familyDigits[3])}};
}

const std::vector<GoodHead>& Heads() {
  static const std::vector<GoodHead> heads = {
      Make("chess.ocx", "Chess", "{1E5A294C-7B3D-4C11-9A2E-6F01C3D5B7A1}", {"4D", "4B", "4A", "49"}),
      Make("darts.ocx", "Darts", "{6B0D3E12-52A4-4F8C-B1D7-29E4A0C6F381}", {"13", "11", "10", "0F"}),
      Make("comhead.ocx", "Bowls", "{3F7C8A80-1D26-4B95-8E3A-C45F0B7D2E19}", {"81", "7F", "7E", "7D"})};
  return heads;
}

void RemoveAllKeys() {
  for (const GoodHead& head : Heads()) {
    testenv::DeleteTree(HKEY_LOCAL_MACHINE, GamesEntry(head));
    for (const std::string& key : head.keys) testenv::DeleteTree(HKEY_CLASSES_ROOT, key);
  }
}

}  // namespace

const GoodHead& Chess() { return Heads()[0]; }
const GoodHead& Darts() { return Heads()[1]; }
const GoodHead& Bowls() { return Heads()[2]; }

std::string GamesEntry(const GoodHead& head) { return "Software\\CLASSES\\Software\\Ubique\\VPgames32\\" + head.name; }

std::optional<std::string> ServerPath(const GoodHead& head) {
  return testenv::GetSz(HKEY_CLASSES_ROOT, "CLSID\\" + head.classId + "\\InprocServer32", "");
}

bool Registered(const GoodHead& head) {
  size_t present = testenv::KeyExists(HKEY_LOCAL_MACHINE, GamesEntry(head)) ? 1 : 0;
  for (const std::string& key : head.keys) present += testenv::KeyExists(HKEY_CLASSES_ROOT, key) ? 1 : 0;
  EXPECT_TRUE(present == 0 || present == head.keys.size() + 1) << head.file << ": only " << present << " keys";
  return present > 0;
}

void RegistrationTest::SetUp() {
  MainWindowTest::SetUp();
  ASSERT_TRUE(Form().Loaded());
  dir_ = testenv::TestDir();
  RemoveAllKeys();
  Form().Timer1_Timer();  // the tick of the window's start, so that a command's refresh request shows
  ASSERT_FALSE(Form().Timer1Enabled());
}

void RegistrationTest::TearDown() {
  RemoveAllKeys();
  MainWindowTest::TearDown();
}

std::string RegistrationTest::Head(const std::string& file, const std::string& newName) {
  const std::string copy = testenv::CopyInto(testenv::HeadPath(file), dir_, newName);
  EXPECT_TRUE(testenv::FileExists(copy)) << "test head not built: " << testenv::HeadPath(file);
  return copy;
}

Lines SplitLines(const std::wstring& text) {
  Lines lines;
  size_t start = 0;
  for (size_t end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  if (start < text.size()) lines.push_back(text.substr(start) + L"<no line break>");
  return lines;
}

void RegistrationTest::ExpectBox(size_t index, const std::wstring& caption, const std::wstring& text, BoxIcon icon,
                                 const std::vector<int>& buttons) {
  const std::vector<BoxInfo> seen = Boxes().Seen();
  ASSERT_GT(seen.size(), index);
  EXPECT_EQ(seen[index].caption, caption);
  EXPECT_EQ(seen[index].text, text);
  EXPECT_EQ(seen[index].icon, icon) << IconName(seen[index].icon);
  EXPECT_EQ(seen[index].buttons, buttons);
}

}  // namespace regtest
