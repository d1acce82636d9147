// Register plus Unregister of a well-behaved head, from the click to the outcome line, through the
// worker process, against Wine's own regsvr32 (/s, then /s /u) started as a process on the same
// file. The two are taken in turn, so that the machine's ups and downs fall on both alike.
#include "BenchUtil.h"

#include "platform/AnsiText.h"
#include "app/MainWindow.h"
#include "registration/HeadCommands.h"
#include "registration/EntryWorker.h"

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
  form.Unload();
  return 0;
}
