// The version resource reader of the main window.
#include <exception>

#include <windows.h>
#include <winver.h>

#include "app/AnsiText.h"
#include "app/frmMain.h"
#include "fileinfo/VersionBlock.h"
#include "fileinfo/VersionSearch.h"

namespace {

std::string ToCodePage(std::u16string_view text) { return ToAnsi(std::wstring(text.begin(), text.end())); }

}  // namespace

bool frmMain::ReadVersionInfo(const std::wstring& path) {
  bool result = false;
  // Nothing that goes wrong while reading leaves the reader: what was found so far stays.
  try {
    const std::string file = ToAnsi(path);
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(file.c_str(), &handle);
    if (size == 0) return false;
    std::string block(size, '\0');
    if (!GetFileVersionInfoA(file.c_str(), 0, size, block.data())) return false;

    std::string converted;
    const std::string_view text = SearchText(block, &ToCodePage, converted);
    versionFields_.CompanyName.clear();
    versionFields_.ProductVersion.clear();
    // The block text has one character per byte: each window is turned into text on its own.
    for (const VersionKey& key : kVersionKeys)
      if (const auto window = FindValueWindow(text, key)) versionFields_.*key.field = FromAnsi(std::string(*window));
    result = HasProductVersion(versionFields_.ProductVersion);
  } catch (const std::exception&) {
  }
  return result;
}
