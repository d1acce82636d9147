// Register plus Unregister of a well-behaved head, from the click to the outcome line, through the
// worker process, against Wine's own regsvr32 (/s, then /s /u) started as a process on the same
// file. The two are taken in turn, so that the machine's ups and downs fall on both alike.
// The same through the command line (/s, then /s /u, as processes) against regsvr32 again.
// What the check after Register adds with 100, 1,000 and 40,000 Games list entries: the check alone,
// against the Register click that includes it less the check.
// Then what a failed load adds: naming what a head with fifty imports misses, against the Register
// click that ends in that failed load.
#include "BenchUtil.h"

#include "platform/AnsiText.h"
#include "window/MainWindow.h"
#include "window/HeadCommands.h"
#include "registration/DllSearch.h"
#include "registration/EntryWorker.h"
#include "registration/HeadCheck.h"
#include "platform/SystemFunctions.h"
#include "registration/TestImages.h"

namespace {

constexpr int kRuns = 21;

// Starts a program, its output going nowhere, and waits for it; false when it could not start, did
// not end or failed.
bool RunProcess(std::string commandLine) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  static const HANDLE nul = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                        OPEN_EXISTING, 0, nullptr);
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = si.hStdError = nul;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi))
    return false;
  DWORD code = 1;
  if (WaitForSingleObject(pi.hProcess, 30000) == WAIT_OBJECT_0)
    GetExitCodeProcess(pi.hProcess, &code);
  else
    TerminateProcess(pi.hProcess, 1);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return code == 0;
}

std::string FullPath(const std::string& path) {
  char full[MAX_PATH] = {};
  GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
  return full;
}

// A Games list of count other entries, each with a class whose server is another file.
void PlantList(int count) {
  constexpr char kList[] = "Software\\CLASSES\\Software\\Ubique\\VPgames32";
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, kList);
  RegDeleteTreeA(HKEY_CLASSES_ROOT, "CLSID\\{BE0C0000-0000-0000-0000-000000000000}");
  char name[64], id[64], server[128];
  for (int i = 0; i < count; ++i) {
    std::snprintf(name, sizeof name, "%s\\Game number %06d", kList, i);
    std::snprintf(id, sizeof id, "{BE0C%04X-0000-0000-0000-%012d}", i / 10000, i);
    RegSetValueA(HKEY_LOCAL_MACHINE, name, REG_SZ, id, 0);
    std::snprintf(server, sizeof server, "CLSID\\%s\\InprocServer32", id);
    RegSetValueA(HKEY_CLASSES_ROOT, server, REG_SZ, "C:\\Games\\other.ocx", 0);
  }
}

// The check after Register with count other entries in the list, against the Register click.
void CheckFigures(MainWindow& form, const std::wstring& head) {
  platform::OleInitialize();  // the check loads the class as in the worker
  for (const int count : {100, 1000, 40000}) {
    PlantList(count);
    form.SetHeadFileText(head);
    const double click = bench::MedianMs(count > 1000 ? 5 : 11, [&] { window::RegisterHead(form, form.Registrar()); });
    // Cut at 3 s as the worker cuts it: an uncut check of a long list is no part of the click.
    const double check = bench::MedianMs(count > 1000 ? 5 : 11, [&] { registration::CheckRegistered(head, GetTickCount64() + 3000); });
    window::UnregisterHead(form, form.Registrar());
    bench::Row("check after Register, " + std::to_string(count) + " entries in the Games list", check,
               "the Register click less the check", click - check, count == 100 ? "adds at most 0.10" : "report");
  }
  PlantList(0);
}

}  // namespace

int main() {
  if (const auto workerExit = registration::RunEntryWorkerIfAsked()) return *workerExit;
  const std::string head = FullPath(bench::ExeDir() + "..\\heads\\chess.ocx");
  if (GetFileAttributesA(head.c_str()) == INVALID_FILE_ATTRIBUTES) {
    std::fprintf(stderr, "no test head at %s: build the heads first\n", head.c_str());
    return 0;
  }
  bench::SuppressAssociatePrompt();
  MainWindow form;
  form.Show();
  const std::wstring path = FromAnsi(head);

  form.SetHeadFileText(path);
  int workerFailures = 0;
  const auto workerOnce = [&] {
    window::RegisterHead(form, form.Registrar());
    const bool registered = form.PanelText().find(L"Process Successful.") != std::wstring::npos;
    window::UnregisterHead(form, form.Registrar());
    if (!registered || form.PanelText().find(L"Process Successful.") == std::wstring::npos) ++workerFailures;
  };
  char system[MAX_PATH] = {};
  GetSystemDirectoryA(system, MAX_PATH);
  std::string regsvr32 = "\"";  // built in steps: one expression trips a false GCC 12 warning
  regsvr32 += system;
  regsvr32 += "\\regsvr32.exe\" /s ";
  int regsvr32Failures = 0;
  const auto regsvr32Once = [&] {
    if (!RunProcess(regsvr32 + "\"" + head + "\"")) ++regsvr32Failures;
    if (!RunProcess(regsvr32 + "/u \"" + head + "\"")) ++regsvr32Failures;
  };

  workerOnce();  // warm-up: first load of the head and of OLE
  regsvr32Once();
  workerFailures = regsvr32Failures = 0;
  std::vector<double> worker, baseline;
  for (int i = 0; i < kRuns; ++i) {
    worker.push_back(bench::MedianMs(1, workerOnce));
    baseline.push_back(bench::MedianMs(1, regsvr32Once));
  }
  bench::Row("Register + Unregister of a head, click to outcome (worker process)", bench::Median(worker),
             "regsvr32 /s + regsvr32 /s /u (processes)", bench::Median(baseline),
             "no slower than regsvr32 (ratio <= 1.0)");
  if (workerFailures || regsvr32Failures)
    std::fprintf(stderr, "failed runs: worker %d, regsvr32 %d\n", workerFailures, regsvr32Failures);

  std::string program = "\"";
  program += bench::ExeDir();
  program += "..\\VeskInstaller.exe\" /s ";
  int commandFailures = 0;
  const auto commandOnce = [&] {
    std::string once = program;
    once += "\"" + head + "\"";
    if (!RunProcess(once)) ++commandFailures;
    once = program;
    once += "/u \"" + head + "\"";
    if (!RunProcess(once)) ++commandFailures;
  };
  commandOnce();
  std::vector<double> command, baseline2;
  for (int i = 0; i < kRuns; ++i) {
    command.push_back(bench::MedianMs(1, commandOnce));
    baseline2.push_back(bench::MedianMs(1, regsvr32Once));
  }
  bench::Row("VeskInstaller /s + /s /u of a head (processes)", bench::Median(command),
             "regsvr32 /s + regsvr32 /s /u (processes)", bench::Median(baseline2), "no slower (ratio <= 1.0)");
  if (commandFailures) std::fprintf(stderr, "failed command line runs: %d\n", commandFailures);
  CheckFigures(form, path);

  // Fifty system DLLs (function 1 of each) and one that is missing.
  testimages::Plan fifty{sizeof(void*) == 8, {{"gone.dll", {"F"}}}, {}};
  for (const char* dll : {"advapi32", "avifil32", "bcrypt", "cabinet", "cfgmgr32", "clusapi", "comdlg32", "credui",
                          "crypt32", "d3d9", "d3d11", "dbghelp", "dnsapi", "dxgi", "gdi32", "gdiplus", "hid", "imm32",
                          "iphlpapi", "kernel32", "kernelbase", "mpr", "msacm32", "mscms", "msimg32", "msvcrt",
                          "mswsock", "ncrypt", "netapi32", "normaliz", "ntdll", "odbc32", "ole32", "oleacc", "oledlg",
                          "opengl32", "powrprof", "psapi", "rpcrt4", "secur32", "setupapi", "shlwapi", "urlmon",
                          "user32", "uxtheme", "version", "winhttp", "wintrust", "ws2_32", "wsock32"})
    fifty.imports.push_back({std::string(dll) + ".dll", {}, {1}});
  const std::string fiftyPath = bench::ExeDir() + "fifty.ocx";
  const std::string bytes = testimages::Build(fifty);
  if (FILE* file = std::fopen(fiftyPath.c_str(), "wb")) {
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
  }
  form.SetHeadFileText(FromAnsi(fiftyPath));
  const double describe = bench::MedianMs(kRuns, [&] {
    registration::DescribeMissingPieces(FromAnsi(fiftyPath), registration::LookFor::kFunctions);
  });
  const double failedClick = bench::MedianMs(kRuns, [&] { window::RegisterHead(form, form.Registrar()); });
  bench::Row("naming what a head with 50 imports misses (exports read)", describe,
             "Register of that head, click to its outcome lines", failedClick, "adds under 100 ms");
  DeleteFileA(fiftyPath.c_str());
  form.Unload();
  return 0;
}
