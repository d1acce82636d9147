#include <gtest/gtest.h>

#include "GamesFixture.h"
#include "app/MsgBox.h"

using namespace gamestest;

namespace {

using LoadGames = GamesTest;

// List boxes that take one name and then report that they have no room for more.
WNDPROC g_listBoxProc = nullptr;
LRESULT CALLBACK FullAfterOne(HWND list, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == LB_ADDSTRING && CallWindowProcW(g_listBoxProc, list, LB_GETCOUNT, 0, 0) >= 1) return LB_ERRSPACE;
  return CallWindowProcW(g_listBoxProc, list, msg, wParam, lParam);
}

TEST_F(LoadGames, ListsTheEntriesInRegistryOrderOrNothingAndReportsAnUnexpectedError) {
  const std::pair<const char*, const char*> empty[] = {
      // what is wrong, and the one key below "Software\CLASSES\Software\"
      {"no vendor key", "Other\\VPgames32\\Chess"},
      {"vendor key spelled differently", "UBIQUE\\VPgames32\\Chess"},
      {"no Games list key", "Ubique\\Other\\Chess"},
      {"a Games list without entries", "Ubique\\VPgames32"},
  };
  for (const auto& [what, key] : empty) {
    testenv::DeleteTree(HKEY_LOCAL_MACHINE, kVendors + "\\Ubique");
    testenv::DeleteTree(HKEY_LOCAL_MACHINE, kVendors + "\\Other");
    testenv::SetSz(HKEY_LOCAL_MACHINE, kVendors + "\\" + key, "", "x");
    Form().ListAdd(L"stale");
    Form().LoadGames();
    EXPECT_EQ(Form().ListCount(), 0) << what;
  }
  testenv::DeleteTree(HKEY_LOCAL_MACHINE, kVendors + "\\Ubique");
  testenv::DeleteTree(HKEY_LOCAL_MACHINE, kVendors + "\\Other");

  Form().ListAdd(L"stale");
  AddEntry(L"Darts", "{11111111-1111-1111-1111-111111111111}");
  AddEntry(L"Chess", "{22222222-2222-2222-2222-222222222222}");
  Form().LoadGames();
  // In the order the registry enumerates them (by name), not the order they were written in.
  std::vector<std::wstring> shown;
  for (int i = 0; i < Form().ListCount(); ++i) shown.push_back(Form().ListItem(i));
  EXPECT_EQ(shown, (std::vector<std::wstring>{L"Chess", L"Darts"}));
  EXPECT_EQ(Boxes().SeenCount(), 0u);

  // An unexpected error is reported, and the names listed so far stay.
  HWND list = Form().lstGames();
  g_listBoxProc = reinterpret_cast<WNDPROC>(
      SetClassLongPtrW(list, GCLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FullAfterOne)));
  Boxes().Answer(IDOK);
  Form().LoadGames();
  SetClassLongPtrW(list, GCLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_listBoxProc));

  ASSERT_EQ(Boxes().SeenCount(), 1u);
  const BoxInfo box = Boxes().Seen()[0];
  EXPECT_EQ(box.caption, kAppTitle);
  EXPECT_EQ(box.text, L"Error #7 with :VeskInstaller\r\nOut of memory");
  EXPECT_EQ(box.icon, BoxIcon::None);
  EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
  EXPECT_EQ(Form().ListCount(), 1);
  EXPECT_TRUE(IsWindowVisible(Form().lstGames()));  // the list box draws again after the error
}

}  // namespace
