// The information panel's refresh on the main window, with the files built beside the tests.
#include <gtest/gtest.h>

#include "FixturePath.h"
#include "app/frmMain.h"
#include "fileinfo/PanelTexts.h"

namespace {

std::wstring Homepage() { return std::wstring(kHomepage, kHomepage + sizeof kHomepage - 1); }

std::wstring FileView(const std::wstring& fileName, const std::wstring& company, const std::wstring& product,
                      const std::wstring& copyright, const std::wstring& description) {
  return L"Currently Selected File Info: \r\n"
         L"   FileName:  " + fileName + L"\r\n"
         L"   Company Name:  " + company + L"\r\n"
         L"   Product Version:  " + product + L"\r\n"
         L"   Copyright:  " + copyright + L"\r\n"
         L"   Description:  " + description + L"\r\n";
}

std::wstring Introduction() {
  return L" \r\n"
         L"  This will install a VPlaces Game/Head in\r\n"
         L"   your system. And add the Head to your\r\n"
         L"                'Games' list in VPlaces.\r\n"
         L"\r\n"
         L"         Just Select the ocx file and hit\r\n"
         L"                the 'Register' button\r\n"
         L" \r\n"
         L"\r\n"
         L"         For more information visit us at:\r\n"
         L"              " + Homepage() + L"\r\n";
}

using ShowFileInfoTest = testenv::MainWindowTest;

}  // namespace

TEST_F(ShowFileInfoTest, PanelStartsWithItsDesignTextThenShowsEachFilesValuesOrTheIntroduction) {
  EXPECT_EQ(Form().PanelText(), std::wstring(35, L' ') + L"\r\n"
                                L"  This will install a VPlaces Game/Head in \r\n"
                                L"   your system. And add the Head to your \r\n"
                                L"                'Games' list in VPlaces.\r\n"
                                L"\r\n"
                                L"         Just Select the ocx file and hit \r\n"
                                L"                the 'Register' button\r\n"
                                L" \r\n"
                                L" \r\n"
                                L"         For more information visit us at: \r\n"
                                L"              " + Homepage() + L"\r\n"
                                L"\r\n"
                                L" \r\n");
  const struct {
    const char* fixture;
    std::wstring panel;
  } refreshes[] = {
      // The copyright sign comes through the system code page.
      {"versioned.ocx", FileView(L"versioned.ocx", L"Vesk Test Heads", L"2.5.0.1",
                                 FromAnsi(ToAnsi(L"\u00a9 2024 Vesk")), L"Head used by the vers")},
      // Company name and description keys are there only in other letter case: the values just
      // shown are not kept.
      {"narrow_case.ocx", FileView(L"case.ocx", L"", L"3.0", L"(c) Case", L"")},
      // Values are cut to their windows, but the product version is not.
      {"narrow_long.ocx", FileView(L"original_filename_lon", L"Company name that is a good deal longer ",
                                   L"10.20.30.40 build 5060 and a tail well past forty characters",
                                   L"Copyright notice long", L"Description longer th")},
      // Values end at their NUL, and the first occurrence of a key wins.
      {"narrow_first.ocx", FileView(L"", L"Shadow Corp", L"1.0", L"", L"Short")},
      // Other keys but no product version; no version resource; no such file; a wildcard path.
      {"narrow_noproduct.ocx", Introduction()},
      {"plain.ocx", Introduction()},
      {"missing.ocx", Introduction()},
      {"*.ocx", Introduction()},
  };
  for (const auto& r : refreshes) {
    Form().AppendStatus(L"Process Successful.");  // which the refresh must replace
    Form().ShowFileInfo(FixturePath(r.fixture));
    EXPECT_EQ(Form().PanelText(), r.panel) << r.fixture;
    EXPECT_EQ(Form().Fields(), VersionFields{}) << "fields are emptied after " << r.fixture;
  }
}
