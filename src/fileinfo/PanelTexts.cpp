#include "fileinfo/PanelTexts.h"

namespace {

std::wstring HomepageLine() {
  const std::string address = kHomepage;
  return std::wstring(14, L' ') + std::wstring(address.begin(), address.end());
}

}  // namespace

std::wstring InitialPanelText() {
  const std::wstring lines[] = {
      std::wstring(35, L' '),
      L"  This will install a VPlaces Game/Head in ",
      L"   your system. And add the Head to your ",
      L"                'Games' list in VPlaces.",
      L"",
      L"         Just Select the ocx file and hit ",
      L"                the 'Register' button",
      L" ",
      L" ",
      L"         For more information visit us at: ",
      HomepageLine(),
      L"",
      L" ",
  };
  std::wstring text;
  for (const auto& line : lines) text += line + L"\r\n";
  return text;
}

const std::vector<std::wstring>& IntroLines() {
  static const std::vector<std::wstring> lines = {
      L" ",
      L"  This will install a VPlaces Game/Head in",
      L"   your system. And add the Head to your",
      L"                'Games' list in VPlaces.",
      L"",
      L"         Just Select the ocx file and hit",
      L"                the 'Register' button",
      L" ",
      L"",
      L"         For more information visit us at:",
      HomepageLine(),
  };
  return lines;
}
