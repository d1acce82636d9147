#include "registration/RegRules.h"
#include "platform/NumberText.h"

#include <cwctype>

namespace registration {

const char* EntryPointName(const std::wstring& commandLetter) {
  if (commandLetter.empty()) return "DllRegisterServer";
  if (commandLetter == L"u" || commandLetter == L"U") return "DllUnregisterServer";
  return nullptr;
}

bool IsSuccessStatus(std::uint32_t status) { return (status & 0x80000000u) == 0; }

namespace {

constexpr wchar_t kLoadFailed[] = L"Failure loading control OCX/DLL";
constexpr wchar_t kNoEntryPoint[] = L"Process failed in obtaining entry point or creating thread.";
constexpr std::uint32_t kModuleNotFound = 126;  // ERROR_MOD_NOT_FOUND
constexpr std::uint32_t kBadExeFormat = 193;    // ERROR_BAD_EXE_FORMAT
constexpr std::uint32_t kBadFormat = 11;        // ERROR_BAD_FORMAT
constexpr std::uint32_t kBadSignature = 191;    // ERROR_INVALID_EXE_SIGNATURE
constexpr std::uint32_t kProcNotFound = 127;    // ERROR_PROC_NOT_FOUND
// What the delay-load helper raises when a delay-loaded DLL or function is missing.
constexpr std::uint32_t kDelayedModuleNotFound = 0xC06D007E, kDelayedProcNotFound = 0xC06D007F;
// Wine loads a DLL whose import lacks a function, binding it to a stub that raises this when called.
constexpr std::uint32_t kWineStubCalled = 0x80000100;

// "0x" and eight uppercase hex digits.
std::wstring Hex32(std::uint32_t value) { return L"0x" + HexText(value, 8); }

std::wstring TrimmedBlanks(const std::wstring& text) {
  const auto first = text.find_first_not_of(L" \t\r\n");
  if (first == std::wstring::npos) return {};
  return text.substr(first, text.find_last_not_of(L" \t\r\n") - first + 1);
}

// Exit codes from 0x80000000 up are the codes of exceptions (faults, breakpoints, C++ throws);
// below are the codes a program passes when it ends itself.
std::wstring HowItEnded(std::uint32_t exitCode) {
  if (exitCode & 0x80000000u) return L"exception " + Hex32(exitCode);
  return L"exit code " + DecimalText(exitCode);
}

std::uint32_t ReadLe(std::string_view bytes, size_t at, size_t width) {
  std::uint32_t value = 0;
  for (size_t i = 0; i < width; ++i) value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
  return value;
}

bool NotAProgram(std::uint32_t loadError) {
  return loadError == kBadExeFormat || loadError == kBadFormat || loadError == kBadSignature;
}

std::wstring LoadFailureReason(const WorkerOutcome& o) {
  if (!o.fileExists) return L"The control file could not be found.";
  if (o.loadError == kModuleNotFound) return L"A DLL that the control needs could not be found.";
  const bool notAProgram = NotAProgram(o.loadError);
  if (notAProgram && o.fileBitness != Bitness::kUnknown && o.fileBitness != o.installerBitness)
    return OtherBitnessLine(o.fileBitness);
  if (notAProgram) return L"The file is not a program library.";
  const std::wstring text = TrimmedBlanks(o.systemText);
  return L"The control could not be loaded (error " + DecimalText(o.loadError) + (text.empty() ? L")." : L": " + text + L")");
}

std::vector<std::wstring> Joined(std::vector<std::wstring> lines, const std::vector<std::wstring>& more) {
  lines.insert(lines.end(), more.begin(), more.end());
  return lines;
}

}  // namespace

std::wstring OtherBitnessLine(Bitness file) {
  return file == Bitness::k32 ? L"This is a 32-bit control; use the 32-bit installer."
                              : L"This is a 64-bit control; use the 64-bit installer.";
}

LookFor WhatToLookFor(const WorkerOutcome& o) {
  const bool running = o.stage == WorkerStage::kLoaded || o.stage == WorkerStage::kEntryRunning;
  if (running && o.exitCode == kDelayedModuleNotFound) return LookFor::kDllsWhenUsed;
  if (running && (o.exitCode == kDelayedProcNotFound || o.exitCode == kWineStubCalled)) return LookFor::kFunctionsWhenUsed;
  if (o.stage != WorkerStage::kLoadFailed || !o.fileExists) return LookFor::kNothing;
  if (o.loadError == kProcNotFound) return LookFor::kFunctions;
  // A DLL of the other bitness among the imports makes a control of the right one unfit to load.
  const bool rightBitness = o.fileBitness != Bitness::kUnknown && o.fileBitness == o.installerBitness;
  return o.loadError == kModuleNotFound || (NotAProgram(o.loadError) && rightBitness) ? LookFor::kDlls : LookFor::kNothing;
}

bool IsRefusedForRights(std::uint32_t status) {
  switch (status) {
    case 0x80070005u:  // E_ACCESSDENIED
    case 0x80040200u:  // SELFREG_E_TYPELIB
    case 0x80040201u:  // SELFREG_E_CLASS
    case 0x80040151u:  // REGDB_E_WRITEREGDB
      return true;
    default:
      return false;
  }
}

std::wstring RightsLine(const std::wstring& commandLetter) {
  return std::wstring(L"The control needs administrator rights to ") +
         (commandLetter.empty() ? L"register" : L"unregister") + L" itself.";
}

std::wstring StatusLine(std::uint32_t status, const std::wstring& systemText) {
  if (IsSuccessStatus(status)) return L"Process Successful.";
  const std::wstring text = TrimmedBlanks(systemText);
  std::wstring line = L"Process failed with status " + Hex32(status);
  return text.empty() ? line + L"." : line + L": " + text;
}

Bitness FileBitness(std::string_view bytes) {
  constexpr size_t kNewHeaderOffset = 0x3C;
  if (bytes.size() < kNewHeaderOffset + 4 || bytes.substr(0, 2) != "MZ") return Bitness::kUnknown;
  const std::uint32_t pe = ReadLe(bytes, kNewHeaderOffset, 4);
  if (pe > bytes.size() || bytes.size() - pe < 6 || bytes.substr(pe, 4) != std::string_view("PE\0\0", 4))
    return Bitness::kUnknown;
  switch (ReadLe(bytes, pe + 4, 2)) {
    case 0x014C: return Bitness::k32;   // IMAGE_FILE_MACHINE_I386
    case 0x8664: return Bitness::k64;   // IMAGE_FILE_MACHINE_AMD64
    default: return Bitness::kUnknown;
  }
}

std::vector<std::wstring> OutcomeLines(const WorkerOutcome& o) {
  switch (o.stage) {
    case WorkerStage::kLoadFailed:
      // A note alone says nothing of why the load failed.
      return Joined(Joined({kLoadFailed}, o.missingPieces.reasons.empty() ? std::vector{LoadFailureReason(o)}
                                                                          : o.missingPieces.reasons),
                    o.missingPieces.notes);
    case WorkerStage::kStarting:
      return {kLoadFailed, L"The control ended the worker while it was loading (" + HowItEnded(o.exitCode) + L")."};
    case WorkerStage::kUnknownLetter:
      return {L"Unknown command handle"};
    case WorkerStage::kNoEntryPoint:
      return {kNoEntryPoint};
    case WorkerStage::kReturned:
      return {StatusLine(o.status, o.systemText)};
    case WorkerStage::kOleFailed:
      return {L"OLE could not be initialised (" + Hex32(o.loadError) + L")."};
    case WorkerStage::kLoaded:
    case WorkerStage::kEntryRunning:
      break;
  }
  return Joined(Joined({L"Process failed: the control ended the worker (" + HowItEnded(o.exitCode) + L")."},
                       o.missingPieces.reasons),
                o.missingPieces.notes);
}

ExitCode ExitCodeOf(const WorkerOutcome& o) {
  switch (o.stage) {
    case WorkerStage::kLoadFailed:
      if (NotAProgram(o.loadError) && o.fileBitness != Bitness::kUnknown && o.fileBitness != o.installerBitness)
        return ExitCode::kOtherBitness;
      return ExitCode::kLoadFailed;
    case WorkerStage::kStarting:
      return ExitCode::kLoadFailed;
    case WorkerStage::kUnknownLetter:
      return ExitCode::kBadCommandLine;
    case WorkerStage::kNoEntryPoint:
      return ExitCode::kNoEntryPoint;
    case WorkerStage::kOleFailed:
      return ExitCode::kOleFailed;
    case WorkerStage::kReturned:
      if (IsSuccessStatus(o.status)) return ExitCode::kSucceeded;
      return IsRefusedForRights(o.status) ? ExitCode::kRefusedRights : ExitCode::kEntryFailed;
    case WorkerStage::kLoaded:
    case WorkerStage::kEntryRunning:
      break;
  }
  // Ended by the control: a delay-loaded DLL that is missing means it could not load what it needs.
  return WhatToLookFor(o) == LookFor::kDlls ? ExitCode::kLoadFailed : ExitCode::kEntryFailed;
}

std::wstring CheckLine(EntryCheck check, const std::wstring& name, std::uint32_t status, const std::wstring& systemText) {
  const std::wstring quoted = L"\"" + name + L"\"";
  switch (check) {
    case EntryCheck::kListed:
      return quoted + L" is in the Games list.";
    case EntryCheck::kCannotLoad: {
      const std::wstring text = TrimmedBlanks(systemText);
      return quoted + L" cannot be loaded: " + (text.empty() ? L"status " + Hex32(status) + L"." : text);
    }
    case EntryCheck::kGone:
      return quoted + L" is no longer in the Games list.";
    case EntryCheck::kStillListed:
      break;
  }
  return quoted + L" is still in the Games list.";
}

std::wstring LateOutcomeLine(const std::wstring& fileName, const std::vector<std::wstring>& outcomeLines) {
  std::wstring line = L"After the time limit, " + fileName + L" ended:";
  for (const std::wstring& part : outcomeLines) line += L" " + part;
  return line;
}

bool IsOcxName(const std::wstring& path) {
  if (path.size() < 3) return false;
  std::wstring last = path.substr(path.size() - 3);
  for (wchar_t& c : last) c = static_cast<wchar_t>(std::towlower(static_cast<std::wint_t>(c)));
  return last == L"ocx";
}

namespace {

std::wstring StillRunning(const std::wstring& fileName, bool unregistering) {
  return L"\"" + fileName + L"\" is still " + (unregistering ? L"unregistering." : L"registering.");
}

}  // namespace

std::wstring StillRunningQuestion(const std::wstring& fileName, bool unregistering, const std::wstring& then) {
  return StillRunning(fileName, unregistering) + L" End it and " + then + L"?";
}

std::wstring StillRunningLine(const std::wstring& fileName, bool unregistering) {
  return L"Not started: " + StillRunning(fileName, unregistering);
}

}  // namespace registration
