#include "registration/RuntimeHints.h"

#include <cctype>

namespace registration {
namespace {

struct Runtime {
  std::string_view version;
  const wchar_t* year;
};
constexpr Runtime kVersions[] = {{"70", L"2002"}, {"71", L"2003"}, {"80", L"2005"},  {"90", L"2008"},
                                 {"100", L"2010"}, {"110", L"2012"}, {"120", L"2013"}, {"140", L"2015-2022"}};
// The DLL families of the Visual C++ runtimes; each name goes on with the version's digits.
constexpr std::string_view kFamilies[] = {"msvcr", "msvcp", "vcruntime", "concrt", "vcomp", "vccorlib", "mfcm", "mfc",
                                          "atl"};

std::string Lower(std::string_view name) {
  std::string lower(name);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (lower.ends_with(".dll")) lower.resize(lower.size() - 4);
  return lower;
}

struct VisualCpp {
  const Runtime* runtime = nullptr;
  bool debug = false;  // the debug build, which only Visual Studio itself has
};

VisualCpp VisualCppOf(std::string_view name) {
  const std::string lower = Lower(name);
  for (std::string_view family : kFamilies) {
    if (!lower.starts_with(family)) continue;
    const std::string_view rest = std::string_view(lower).substr(family.size());
    const size_t digits = rest.find_first_not_of("0123456789");
    for (const Runtime& runtime : kVersions) {
      if (rest.substr(0, digits) != runtime.version) continue;
      const std::string_view suffix = digits == std::string_view::npos ? "" : rest.substr(digits);
      return {&runtime, suffix == "d" || suffix == "ud"};
    }
    return {};
  }
  return {};
}

std::wstring Widened(std::string_view text) { return std::wstring(text.begin(), text.end()); }

}  // namespace

std::wstring RuntimeHint(std::string_view dllName, Bitness bitness) {
  const std::string lower = Lower(dllName);
  if (lower == "msvbvm60" || lower == "msvbvm50")
    return std::wstring(L"Install the Visual Basic ") + (lower == "msvbvm60" ? L"6" : L"5") + L" runtime.";
  const VisualCpp vc = VisualCppOf(dllName);
  if (!vc.runtime) return {};
  const std::wstring year = vc.runtime->year, name = Widened(dllName);
  if (vc.debug)
    return name + L" comes only with Visual Studio " + year +
           L": this is a test build of the control. Ask its maker for the released one.";
  if (vc.runtime->version.size() == 2 && vc.runtime->version[0] == '7')
    return name + L" comes with programs made with Visual C++ " + year +
           L" and has no installer: ask the control's maker for it and put it in the control's folder.";
  const wchar_t* bits = bitness == Bitness::k32 ? L" (x86)" : bitness == Bitness::k64 ? L" (x64)" : L"";
  return L"Install the Visual C++ " + year + L" runtime" + bits + L".";
}

bool IsSideBySideRuntime(std::string_view dllName) {
  const VisualCpp vc = VisualCppOf(dllName);
  return vc.runtime && (vc.runtime->version == "80" || vc.runtime->version == "90");
}

}  // namespace registration
