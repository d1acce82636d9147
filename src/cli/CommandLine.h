#pragma once
// The program's command line: which front door a start goes through, and what the silent one is asked
// to do. Windows-free.
//
//   VeskInstaller.exe [PATH]                       the window (a running instance takes the path)
//   VeskInstaller.exe /s [/u] FILE [FILE ...]      registers (unregisters) each file, no window
//   VeskInstaller.exe /export FILE.reg HEAD        writes what the head registers, installing nothing
//   VeskInstaller.exe /s /listbroken | /removebroken
//   VeskInstaller.exe /?
#include <string>
#include <string_view>
#include <vector>

namespace cli {

// The words of a command line's arguments (the program's own path already left out), split as
// CommandLineToArgvW splits them: blanks and tabs separate words outside double quotes; 2n
// backslashes before a quote stand for n backslashes and the quote opens or closes a quoted part,
// 2n+1 for n backslashes and a literal quote; "" inside a quoted part is a literal quote.
std::vector<std::wstring> SplitArguments(std::wstring_view arguments);

enum class Action {
  kWindow,        // no silent switch: the command line means a head path for the window
  kUsage,         // /?, /h, -h, --help
  kRegister,      // /s [/u] FILE ...
  kExport,        // /export FILE.reg HEAD
  kListBroken,    // /s /listbroken
  kRemoveBroken,  // /s /removebroken
  kWrong,         // a silent command line that cannot be carried out (error says why)
};

struct Request {
  Action action = Action::kWindow;
  bool unregister = false;
  std::vector<std::wstring> files;  // as given, in order
  std::wstring exportFile;          // with kExport: the .reg file to write
  std::wstring error;               // with kWrong: the line to print
};

// What the words ask for. Switches come first, start with '/' or '-', in any case; everything after
// the first word that is not a switch is a file. Without /s (or a switch that implies it: /export,
// /listbroken, /removebroken) or a usage switch, nothing here is silent: kWindow.
Request ParseArguments(const std::vector<std::wstring>& words);

// The usage text: the forms, the switches and the exit codes, lines joined with CR LF.
std::wstring UsageText();

}  // namespace cli
