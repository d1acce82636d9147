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

class ShowFileInfoTest : public testenv::MainWindowTest {
 protected:
  // Refreshes the panel after a status line, which the refresh must replace.
  std::wstring Refresh(const std::string& fixture) {
    Form().AppendStatus(L"Process Successful.");
    Form().ShowFileInfo(FixturePath(fixture));
    EXPECT_EQ(Form().Fields(), VersionFields{}) << "fields are emptied after " << fixture;
    return Form().PanelText();
  }
};

}  // namespace

TEST_F(ShowFileInfoTest, PanelStartsWithItsDesignText) {
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
}

TEST_F(ShowFileInfoTest, HeadWithAnOrdinaryVersionResourceShowsItsValues) {
  // The copyright sign comes through the system code page.
  const std::wstring copyright = FromAnsi(ToAnsi(L"\u00a9 2024 Vesk"));
  EXPECT_EQ(Refresh("versioned.ocx"),
            FileView(L"versioned.ocx", L"Vesk Test Heads", L"2.5.0.1", copyright, L"Head used by the vers"));
}

TEST_F(ShowFileInfoTest, ValuesAreCutToTheirWindowsButTheProductVersionIsNot) {
  EXPECT_EQ(Refresh("narrow_long.ocx"),
            FileView(L"original_filename_lon", L"Company name that is a good deal longer ",
                     L"10.20.30.40 build 5060 and a tail well past forty characters", L"Copyright notice long",
                     L"Description longer th"));
}

TEST_F(ShowFileInfoTest, ValuesEndAtTheirNulAndTheFirstOccurrenceOfAKeyWins) {
  EXPECT_EQ(Refresh("narrow_first.ocx"), FileView(L"", L"Shadow Corp", L"1.0", L"", L"Short"));
}

TEST_F(ShowFileInfoTest, SecondRefreshShowsNoValueForAKeyItLacks) {
  Refresh("versioned.ocx");
  // Company name and description keys are there only in other letter case.
  EXPECT_EQ(Refresh("narrow_case.ocx"), FileView(L"case.ocx", L"", L"3.0", L"(c) Case", L""));
}

TEST_F(ShowFileInfoTest, IntroductionWhenThereIsNoProductVersion) {
  // Other keys but no product version; no version resource; no such file; a wildcard path.
  for (const char* fixture : {"narrow_noproduct.ocx", "plain.ocx", "missing.ocx", "*.ocx"})
    EXPECT_EQ(Refresh(fixture), Introduction()) << fixture;
}
