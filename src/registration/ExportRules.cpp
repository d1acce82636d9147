#include "registration/ExportRules.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace registration {
namespace {

constexpr wchar_t kRedirect[] = L"WOW6432Node";

// Trees of the classes that Windows keeps apart for 32-bit programs.
constexpr std::wstring_view kRedirectedClasses[] = {L"CLSID", L"DirectShow", L"Interface", L"Media Type",
                                                    L"MediaFoundation"};

// Keys below HKEY_LOCAL_MACHINE\SOFTWARE that both views share (Windows 7 and later), by folder,
// separated by "|"; everything else there, but the classes, is redirected.
struct SharedKeys {
  std::string_view folder, keys;
};
constexpr SharedKeys kSharedSoftware[] = {
    {"", "Clients|Policies|RegisteredApplications"},
    {"Microsoft",
     "COM3|Cryptography\\Calais\\Current|Cryptography\\Calais\\Readers|Cryptography\\Services|CTF\\SystemShared|"
     "CTF\\TIP|DFS|Driver Signing|EnterpriseCertificates|EventSystem|MSMQ|Non-Driver Signing|Notepad\\DefaultFonts|OLE|"
     "RAS|RPC|SOFTWARE\\Microsoft\\Shared Tools\\MSInfo|SystemCertificates|TermServLicensing|Transaction Server"},
    {"Microsoft\\Windows\\CurrentVersion",
     "App Paths|Control Panel\\Cursors\\Schemes|Explorer\\AutoplayHandlers|Explorer\\DriveIcons|Explorer\\KindMap|"
     "Group Policy|Policies|PreviewHandlers|Setup|Telephony"},
    {"Microsoft\\Windows NT\\CurrentVersion",
     "Console|FontDpi|FontLink|FontMapper|Fonts|FontSubstitutes|Gre_Initialize|Image File Execution Options|"
     "LanguagePack|NetworkCards|Perflib|Ports|Print|ProfileList|Time Zones"},
};

wchar_t Folded(wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

// Names compared as the registry compares them (the names of these rules are ASCII).
template <typename Char>
bool Same(std::wstring_view a, std::basic_string_view<Char> b) {
  return std::ranges::equal(a, b, [](wchar_t x, Char y) { return Folded(x) == Folded(static_cast<wchar_t>(y)); });
}
bool Same(std::wstring_view a, const wchar_t* b) { return Same(a, std::wstring_view(b)); }

// The path's first name, and what follows the backslash after it.
std::wstring_view Head(std::wstring_view path) { return path.substr(0, path.find(L'\\')); }
std::wstring_view Tail(std::wstring_view path) {
  const size_t cut = path.find(L'\\');
  return cut == std::wstring_view::npos ? std::wstring_view{} : path.substr(cut + 1);
}

std::wstring Joined(std::wstring_view a, std::wstring_view b) {
  if (a.empty()) return std::wstring(b);
  return b.empty() ? std::wstring(a) : std::wstring(a) + L'\\' + std::wstring(b);
}

// Whether path is the key prefix or lies below it.
bool Within(std::wstring_view path, std::string_view prefix) {
  return path.size() >= prefix.size() && Same(path.substr(0, prefix.size()), prefix) &&
         (path.size() == prefix.size() || path[prefix.size()] == L'\\');
}

// Whether a path below SOFTWARE is one that both views share, or lies below one.
bool SharedSoftware(std::wstring_view path) {
  for (const SharedKeys& group : kSharedSoftware) {
    std::wstring_view rest = path;
    if (!group.folder.empty()) {
      if (!Within(path, group.folder) || path.size() == group.folder.size()) continue;
      rest = path.substr(group.folder.size() + 1);
    }
    for (std::string_view keys = group.keys; !keys.empty();) {
      const size_t bar = std::min(keys.find('|'), keys.size());
      if (Within(rest, keys.substr(0, bar))) return true;
      keys.remove_prefix(std::min(bar + 1, keys.size()));
    }
  }
  return false;
}

// A path below a classes root, as a 32-bit program's write lands in it.
std::wstring Classes32(std::wstring_view path) {
  const std::wstring_view tree = Head(path);
  const bool redirected = std::ranges::any_of(kRedirectedClasses, [&](std::wstring_view t) { return Same(t, tree); });
  return redirected ? Joined(kRedirect, path) : std::wstring(path);
}

// A path below HKEY_LOCAL_MACHINE, as a 32-bit program's write lands in it.
std::wstring Machine32(std::wstring_view path) {
  if (!Same(Head(path), L"SOFTWARE")) return std::wstring(path);
  const std::wstring_view software = Head(path), rest = Tail(path);
  if (Same(Head(rest), L"Classes")) return Joined(Joined(software, Head(rest)), Classes32(Tail(rest)));
  const bool shared = !rest.empty() && (Same(Head(rest), kRedirect) || SharedSoftware(rest));
  return shared ? std::wstring(path) : Joined(Joined(software, kRedirect), rest);
}

// A path below a user's own root, as a 32-bit program's write lands in it.
std::wstring User32(std::wstring_view path) {
  if (!Same(Head(path), L"Software") || !Same(Head(Tail(path)), L"Classes")) return std::wstring(path);
  return Joined(Joined(Head(path), Head(Tail(path))), Classes32(Tail(Tail(path))));
}

// A path below HKEY_USERS: a user's root, or a user's classes ("<sid>_Classes").
std::wstring Users32(std::wstring_view path) {
  const std::wstring_view user = Head(path);
  const std::wstring_view suffix = L"_Classes";
  const bool classes = user.size() > suffix.size() && Same(user.substr(user.size() - suffix.size()), suffix);
  return Joined(user, classes ? Classes32(Tail(path)) : User32(Tail(path)));
}

}  // namespace

const wchar_t* ScratchKeyName(ScratchRoot root) {
  switch (root) {
    case ScratchRoot::kClassesRoot: return L"HKEY_CLASSES_ROOT";
    case ScratchRoot::kLocalMachine: return L"HKEY_LOCAL_MACHINE";
    case ScratchRoot::kCurrentUser: return L"HKEY_CURRENT_USER";
    case ScratchRoot::kUsers: break;
  }
  return L"HKEY_USERS";
}

std::wstring ImportedKeyName(ScratchRoot root, const std::wstring& path, Bitness control) {
  const bool wow64 = control == Bitness::k32;
  switch (root) {
    case ScratchRoot::kClassesRoot:
      return Joined(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes", wow64 ? Classes32(path) : path);
    case ScratchRoot::kLocalMachine: return Joined(L"HKEY_LOCAL_MACHINE", wow64 ? Machine32(path) : path);
    case ScratchRoot::kCurrentUser: return Joined(L"HKEY_CURRENT_USER", wow64 ? User32(path) : path);
    case ScratchRoot::kUsers: break;
  }
  return Joined(L"HKEY_USERS", wow64 ? Users32(path) : path);
}

}  // namespace registration
