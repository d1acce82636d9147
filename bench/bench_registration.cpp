// Register plus Unregister of a well-behaved head, from the click to the outcome line, through the
// worker process, against Wine's own regsvr32 (/s, then /s /u) started as a process on the same
// file. The two are taken in turn, so that the machine's ups and downs fall on both alike.
// Then what a failed load adds: naming what a head with fifty imports misses, against the Register
// click that ends in that failed load.
#include "BenchUtil.h"

#include "platform/AnsiText.h"
#include "app/MainWindow.h"
#include "registration/HeadCommands.h"
#include "registration/DllSearch.h"
#include "registration/EntryWorker.h"
#include "registration/TestImages.h"

namespace {

constexpr int kRuns = 21;

// Starts a program and waits for it; false when it could not start, did not end or failed.
bool RunProcess(std::string commandLine) {
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
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
    registration::RegisterHead(form, form.Registrar());
    const bool registered = form.PanelText().find(L"Process Successful.") != std::wstring::npos;
    registration::UnregisterHead(form, form.Registrar());
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
  const double failedClick = bench::MedianMs(kRuns, [&] { registration::RegisterHead(form, form.Registrar()); });
  bench::Row("naming what a head with 50 imports misses (exports read)", describe,
             "Register of that head, click to its outcome lines", failedClick, "adds under 100 ms");
  DeleteFileA(fiftyPath.c_str());
  form.Unload();
  return 0;
}
