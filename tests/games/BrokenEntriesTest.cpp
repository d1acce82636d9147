// The whole Games list checked at once and its broken entries removed together, on the real registry.
#include "GamesFixture.h"
#include "registration/HeadCheck.h"

namespace {

using namespace gamestest;

// Every kind of entry at once: the check finds exactly the broken ones in the list's order with
// why, the listing names them, and the removal takes every removable one (an entry whose keys the
// registry refuses stays whole, one on a drive that is not there is kept) with one copy that puts
// them back byte for byte.
TEST_F(GamesTest, BrokenEntriesAreFoundListedAndRemovedTogether) {
  const std::wstring present = FromAnsi(dir_ + "present.ocx"), gone = FromAnsi(dir_ + "gone.ocx");
  testenv::WriteFileBytes(ToAnsi(present), "MZ");
  wchar_t drive = L'Z';
  while (drive > L'D' && GetDriveTypeW((std::wstring(1, drive) + L":\\").c_str()) != DRIVE_NO_ROOT_DIR) --drive;
  auto id = [](int n) { return L"{1234564C-5A6B-4C7D-8E9F-0A1B2C3D4E" + std::wstring(1, L"0123456789"[n]) + L"0}"; };
  const std::tuple<std::wstring, std::wstring, std::wstring, REGSAM, const wchar_t*> entries[] = {  // name, id, server, view, reason
      {L"A works", id(1), present, 0, nullptr}, {L"B other build", id(2), present, kOtherView, nullptr},
      {L"C gone", id(3), gone, 0, L"its head file is gone"}, {L"D no class", id(4), L"", 0, L"its class is not registered"},
      {L"E malformed", L"{0}", L"", 0, L"its id is not a class id"},
      {L"F unplugged", id(5), std::wstring(1, drive) + L":\\x.ocx", 0, L" is not available now"}, {L"G refused", id(6), gone, 0, L"gone"}};
  for (const auto& [name, classId, server, view, reason] : entries) {
    AddEntry(name, ToAnsi(classId));
    if (!server.empty()) ASSERT_TRUE(SetKey(CR, L"CLSID\\" + classId, L"InprocServer32", REG_SZ, server, view));
  }
  // The gone head's ProgID names it back; the version-independent one it names is another class's.
  const std::wstring classes = L"Software\\Classes\\";
  ASSERT_TRUE(SetKey(CR, L"CLSID\\" + id(3), L"ProgID", REG_SZ, L"Vesk.Gone.1"));
  ASSERT_TRUE(SetKey(CR, L"CLSID\\" + id(3), L"VersionIndependentProgID", REG_SZ, L"Vesk.Shared"));
  ASSERT_TRUE(SetKey(LM, classes + L"Vesk.Gone.1", L"CLSID", REG_SZ, id(3)));
  ASSERT_TRUE(SetKey(LM, classes + L"Vesk.Shared", L"CLSID", REG_SZ, id(1)));
  std::atomic<bool> cancel{false};
  EXPECT_LE(games::FindBrokenEntries([&](size_t, size_t) { cancel = true; }, &cancel).size(), 1u) << "a cancelled check";
  const std::vector<games::EntryState> broken = games::FindBrokenEntries();
  ASSERT_EQ(broken.size(), 5u);
  for (size_t i = 0; i < broken.size(); ++i) {
    EXPECT_EQ(broken[i].name, std::get<0>(entries[i + 2]));
    EXPECT_NE(games::ReasonText(broken[i]).find(std::get<4>(entries[i + 2])), std::wstring::npos) << ToAnsi(broken[i].name);
  }
  const Outcome listed = games::ListBroken();
  EXPECT_EQ(listed.lines.size(), 5u);
  EXPECT_EQ(listed.lines[0], L"C gone: its head file is gone");
  EXPECT_TRUE(listed.Succeeded());

  testenv::Refuse(CR, "CLSID\\" + ToAnsi(id(6)), KEY_SET_VALUE);
  const Snapshot before = Classes();
  const Outcome removed = games::RemoveAllBroken();
  testenv::Refuse(CR, "CLSID\\" + ToAnsi(id(6)), 0);
  EXPECT_EQ(removed.exitCode, ExitCode::kRefusedRights);
  const std::wstring list = L"HKLM\\" + std::wstring(games::kListInClasses) + L"\\";
  std::vector<std::wstring> keys = {list + L"C gone", list + L"D no class", list + L"E malformed", L"HKLM\\CLSID\\" + id(3),
                                    L"HKLM\\Vesk.Gone.1", L"other HKLM\\Vesk.Gone.1"};
  for (const wchar_t* entry : {L"C gone", L"D no class", L"E malformed"}) keys.push_back(L"other " + list + entry);
  if (sizeof(void*) == 4)  // the 32-bit view's class, which Wine shows below Wow6432Node in both views
    for (const wchar_t* view : {L"", L"other "}) keys.push_back(view + (L"HKLM\\Wow6432Node\\CLSID\\" + id(3)));
  EXPECT_TRUE(Classes() == Without(before, keys)) << ToAnsi(testenv::Lines(removed.lines));
  const std::vector<std::string> copies = Copies(testenv::Lines(removed.lines));
  ASSERT_EQ(copies.size(), 1u);
  EXPECT_EQ(removed.lines.back(), FromAnsi(copies[0]));
  EXPECT_NE(copies[0].find("\\Broken entries 20"), std::string::npos);
  for (const wchar_t* line : {L"\"C gone\" is removed.", L"\"E malformed\" is removed.", L"\"F unplugged\" is kept: drive "})
    EXPECT_NE(testenv::Lines(removed.lines).find(line), std::wstring::npos) << ToAnsi(line);
  EXPECT_EQ(Import(copies[0]), 0u);
  EXPECT_TRUE(Classes() == before);
}

// A long list is read by several readers side by side: every broken entry is found once, in the
// list's order, and so is every entry the check after Register finds naming the head.
TEST_F(GamesTest, ALongListIsCheckedWholeAndInOrder) {
  const std::wstring present = FromAnsi(dir_ + "present.ocx"), working = L"{1234564C-5A6B-4C7D-8E9F-0A1B2C3D4E50}";
  testenv::WriteFileBytes(ToAnsi(present), "MZ");
  ASSERT_TRUE(SetKey(CR, L"CLSID\\" + working, L"InprocServer32", REG_SZ, present));
  std::vector<std::wstring> broken, served, found, named;
  for (int i = 0; i < 1000; ++i) {
    const std::wstring name = L"Entry " + std::to_wstring(10000 + i);
    AddEntry(name, i % 7 == 3 ? "{0}" : ToAnsi(working));
    (i % 7 == 3 ? broken : served).push_back(name);
  }
  for (const games::EntryState& entry : games::FindBrokenEntries()) found.push_back(entry.name);
  EXPECT_EQ(found, broken);
  bool whole = false;
  for (const registration::ServedEntry& entry : registration::EntriesServedBy(present, GetTickCount64() + 60000, &whole))
    named.push_back(entry.name);
  EXPECT_TRUE(whole);
  EXPECT_EQ(named, served);
}

}  // namespace
