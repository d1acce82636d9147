#include "cli/CommandLine.h"

#include <cwctype>

namespace cli {
namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(static_cast<std::wint_t>(c)));
  return text;
}

bool LooksLikeSwitch(const std::wstring& word) { return word.size() > 1 && (word[0] == L'/' || word[0] == L'-'); }

// The switch's name without its leading '/', '-' or "--", lower-cased.
std::wstring SwitchName(const std::wstring& word) {
  const size_t dashes = word.starts_with(L"--") ? 2 : 1;
  return Lower(word.substr(dashes));
}

bool IsUsageSwitch(const std::wstring& name) { return name == L"?" || name == L"h" || name == L"help"; }

bool ImpliesSilent(const std::wstring& name) {
  return name == L"s" || name == L"export" || name == L"listbroken" || name == L"removebroken";
}

Request Wrong(std::wstring why) {
  Request request;
  request.action = Action::kWrong;
  request.error = std::move(why) + L" (VeskInstaller.exe /? shows how to call it.)";
  return request;
}

// The silent request once every switch is known to be one of the program's.
Request SilentRequest(const std::vector<std::wstring>& switches, std::vector<std::wstring> files) {
  Request request;
  request.action = Action::kRegister;
  int tasks = 0;
  for (const std::wstring& name : switches) {
    if (name == L"u") request.unregister = true;
    if (name == L"export") request.action = Action::kExport, ++tasks;
    if (name == L"listbroken") request.action = Action::kListBroken, ++tasks;
    if (name == L"removebroken") request.action = Action::kRemoveBroken, ++tasks;
  }
  if (tasks > 1) return Wrong(L"Only one of /export, /listbroken and /removebroken can be given.");
  if (request.action == Action::kExport) {
    if (request.unregister) return Wrong(L"/export cannot be combined with /u.");
    if (files.size() != 2) return Wrong(L"/export needs the .reg file to write and one head: /export FILE.reg HEAD.");
    request.exportFile = files[0];
    request.files = {files[1]};
    return request;
  }
  if (request.action != Action::kRegister) {
    if (request.unregister || !files.empty()) return Wrong(L"/listbroken and /removebroken take no file and no /u.");
    return request;
  }
  if (files.empty()) return Wrong(L"No file was named.");
  request.files = std::move(files);
  return request;
}

}  // namespace

std::vector<std::wstring> SplitArguments(std::wstring_view text) {
  std::vector<std::wstring> words;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i >= text.size()) break;
    std::wstring word;
    bool quoted = false;
    while (i < text.size() && (quoted || !IsBlank(text[i]))) {
      if (text[i] == L'\\') {
        size_t slashes = 0;
        while (i < text.size() && text[i] == L'\\') ++slashes, ++i;
        if (i < text.size() && text[i] == L'"') {
          word.append(slashes / 2, L'\\');
          if (slashes % 2) word += L'"', ++i;  // an escaped quote; an unescaped one is handled below
        } else {
          word.append(slashes, L'\\');
        }
        continue;
      }
      if (text[i] == L'"') {
        if (quoted && i + 1 < text.size() && text[i + 1] == L'"') {
          word += L'"';
          i += 2;
          continue;
        }
        quoted = !quoted;
        ++i;
        continue;
      }
      word += text[i++];
    }
    words.push_back(std::move(word));
  }
  return words;
}

Request ParseArguments(const std::vector<std::wstring>& words) {
  std::vector<std::wstring> switches;
  size_t first = 0;
  while (first < words.size() && LooksLikeSwitch(words[first])) switches.push_back(SwitchName(words[first++]));
  bool silent = false;
  for (const std::wstring& name : switches) {
    if (IsUsageSwitch(name)) {
      Request usage;
      usage.action = Action::kUsage;
      return usage;
    }
    silent = silent || ImpliesSilent(name);
  }
  if (!silent) return Request{};  // today's meaning: the whole text is a path for the window
  for (size_t i = 0; i < switches.size(); ++i) {
    const std::wstring& name = switches[i];
    if (name != L"u" && !ImpliesSilent(name)) return Wrong(L"Unknown switch " + words[i] + L".");
  }
  return SilentRequest(switches, std::vector<std::wstring>(words.begin() + static_cast<std::ptrdiff_t>(first), words.end()));
}

std::wstring UsageText() {
  // Kept as plain ASCII and widened here: half the size in the program.
  static constexpr char kUsage[] =
      "Vesk Game/Head Installer\r\n"
      "\r\n"
      "  VeskInstaller.exe /s [/u] FILE [FILE ...]\r\n"
      "      Registers each file (with /u: unregisters it) without a window, one line per file.\r\n"
      "  VeskInstaller.exe /export FILE.reg HEAD\r\n"
      "      Writes the keys the head registers to FILE.reg without registering it.\r\n"
      "  VeskInstaller.exe /s /listbroken\r\n"
      "      Lists the Games list entries whose head is gone.\r\n"
      "  VeskInstaller.exe /s /removebroken\r\n"
      "      Removes them, with a copy of every removed key in one .reg file.\r\n"
      "  VeskInstaller.exe [FILE]\r\n"
      "      Opens the window (or hands the file to the one that is open).\r\n"
      "\r\n"
      "Switches start with / or - in any case and come before the files. Quote a path with blanks.\r\n"
      "\r\n"
      "Exit codes (of the first file that failed):\r\n"
      "  0  every file succeeded\r\n"
      "  1  the command line is wrong (an unknown switch, no file)\r\n"
      "  2  OLE could not be initialised\r\n"
      "  3  the file could not be loaded (missing, not a program library, a DLL it needs is missing)\r\n"
      "  4  the entry point is not in the file\r\n"
      "  5  the entry point returned a failure\r\n"
      "  6  the time limit ran out (the head was ended)\r\n"
      "  7  refused for lack of rights (run it as administrator)\r\n"
      "  8  the file is of the other bitness\r\n"
      "  9  the entry point succeeded, but what it registered does not work\r\n"
      "  10 any other failure (/removebroken)\r\n";
  return std::wstring(kUsage, kUsage + sizeof kUsage - 1);
}

}  // namespace cli
