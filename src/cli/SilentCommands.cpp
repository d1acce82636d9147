#include "cli/SilentCommands.h"

#include <string>

#include <windows.h>

#include "cli/CommandLine.h"
#include "cli/StandardOutput.h"
#include "games/BrokenEntries.h"
#include "platform/GamesChangedNotice.h"
#include "platform/MessageBox.h"
#include "platform/PathRules.h"
#include "platform/Paths.h"
#include "platform/TrimQuotes.h"
#include "registration/ExportRegistration.h"
#include "registration/HeadRun.h"

namespace cli {
namespace {

Outcome Refused(std::wstring line) {
  Outcome outcome;
  outcome.Add(std::move(line));
  outcome.Fail(ExitCode::kLoadFailed);
  return outcome;
}

// What stops a file before any worker is asked: nothing for a name worth trying.
std::optional<Outcome> Unfit(const std::wstring& file, const std::wstring& fullPath) {
  if (file.empty()) return Refused(L"The file name is empty.");
  if (HasWildcards(file)) return Refused(L"Wildcards name no single file; name each file.");
  const DWORD attributes = GetFileAttributesW(fullPath.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
    return Refused(L"This is a folder, not a control file.");
  return std::nullopt;
}

Outcome RunOne(registration::SpareWorker& spare, const std::wstring& fullPath, const std::wstring& command) {
  registration::HeadRun run = registration::RunHead(spare, fullPath, command, &registration::WaitPlainly);
  if (run.outcome.exitCode == ExitCode::kTimedOut && run.worker) {
    run.worker->Terminate();
    run.outcome.Add(L"The control was ended.");
  }
  if (run.outcome.wantsAdministrator) run.outcome.Add(L"Run the command as administrator.");
  return run.outcome;
}

// One line: the path as taken, then every line of its outcome, joined with blanks.
std::wstring JoinedLine(const std::wstring& path, const Outcome& outcome) {
  std::wstring line = path.empty() ? L"\"\"" : path;
  line += L":";
  for (const std::wstring& part : outcome.lines) line += L" " + part;
  return line;
}

// A running instance reloads its Games list (within a bounded wait: a hung one is not waited for).
void TellRunningInstance() {
  HWND window = FindWindowW(kMainWindowClass, nullptr);
  if (!window) return;
  COPYDATASTRUCT notice{kGamesChangedNotice, 0, nullptr};
  DWORD_PTR result = 0;
  SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&notice), SMTO_ABORTIFHUNG, 2000, &result);
}

int RegisterFiles(const Request& request, const StandardOutput& out) {
  const std::wstring command = request.unregister ? L"u" : L"";
  registration::SpareWorker spare;
  Outcome all;
  for (size_t i = 0; i < request.files.size(); ++i) {
    const std::wstring& file = request.files[i];
    const std::wstring fullPath = file.empty() ? file : platform::FullPath(file);
    Outcome outcome;
    if (std::optional<Outcome> unfit = Unfit(file, fullPath))
      outcome = *unfit;
    else
      outcome = RunOne(spare, fullPath, command);
    // The next file's worker starts while this line is written; after the last, none is started.
    if (i + 1 < request.files.size()) spare.Prepare();
    out.WriteLine(JoinedLine(fullPath, outcome));
    all.Fail(outcome.exitCode);
  }
  spare.Discard();
  TellRunningInstance();
  return static_cast<int>(all.exitCode);
}

// The whole list's outcome, one line each; a removal tells a running instance.
int BrokenEntries(const Request& request, const StandardOutput& out) {
  const bool removing = request.action == Action::kRemoveBroken;
  Outcome outcome = removing ? games::RemoveAllBroken() : games::ListBroken();
  if (outcome.wantsAdministrator) outcome.Add(L"Run the command as administrator.");
  for (const std::wstring& line : outcome.lines) out.WriteLine(line);
  if (removing) TellRunningInstance();
  return static_cast<int>(outcome.exitCode);
}

// The head's registration into a .reg file: one line, the head's path first, as for registering.
int ExportHead(const Request& request, const StandardOutput& out) {
  const std::wstring& head = request.files[0];
  const std::wstring fullPath = head.empty() ? head : platform::FullPath(head);
  Outcome outcome;
  if (request.exportFile.empty())
    outcome = Refused(L"The .reg file's name is empty."), outcome.exitCode = ExitCode::kBadCommandLine;
  else if (std::optional<Outcome> unfit = Unfit(head, fullPath))
    outcome = *unfit;
  else
    outcome = registration::ExportRegistration(fullPath, request.exportFile, &registration::WaitPlainly);
  if (outcome.wantsAdministrator) outcome.Add(L"Run the command as administrator.");
  out.WriteLine(JoinedLine(fullPath, outcome));
  return static_cast<int>(outcome.exitCode);
}

int ShowUsage(const StandardOutput& out) {
  if (out.Available())
    out.WriteLine(UsageText());
  else
    ShowBox(UsageText(), MB_OK | MB_ICONINFORMATION);
  return 0;
}

int Carry(const Request& request) {
  const StandardOutput out;
  switch (request.action) {
    case Action::kUsage:
      return ShowUsage(out);
    case Action::kRegister:
      return RegisterFiles(request, out);
    case Action::kExport:
      return ExportHead(request, out);
    case Action::kListBroken:
    case Action::kRemoveBroken:
      return BrokenEntries(request, out);
    case Action::kWrong:
      out.WriteLine(request.error);
      return static_cast<int>(ExitCode::kBadCommandLine);
    case Action::kWindow:
      break;
  }
  return 0;
}

}  // namespace

std::optional<int> RunIfAsked() {
  const Request request = ParseArguments(SplitArguments(SkipProgramPath(GetCommandLineW())));
  if (request.action == Action::kWindow) return std::nullopt;
  // No box of the system's for a drive without a disk or a file it cannot open: the line says it.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  return Carry(request);
}

}  // namespace cli
