// The Games list: LoadGames filling the list box from 1,000, 10,000 and 40,000 entries, against a
// bare RegEnumKeyA loop over the same key that stores the names and shows nothing (the floor: each
// enumeration step is a round trip to the registry), and against Wine's "reg query" of that key;
// and the whole list's check for broken entries against LoadGames of the same list (every entry's
// class registered with a file that is there: an entry read, the class's server read in the user's
// and the machine's classes, the file looked at).
#include "BenchUtil.h"

#include "window/MainWindow.h"
#include "games/BrokenEntries.h"

#include <cstring>

namespace {

constexpr char kList[] = "Software\\CLASSES\\Software\\Ubique\\VPgames32";

// A Games list of exactly count entries.
void PlantList(int count) {
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, kList);
  HKEY list = nullptr;
  RegCreateKeyExA(HKEY_LOCAL_MACHINE, kList, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &list, nullptr);
  char name[64];
  for (int i = 0; i < count; ++i) {
    std::snprintf(name, sizeof name, "Game number %06d", i);
    HKEY entry = nullptr;
    RegCreateKeyExA(list, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &entry, nullptr);
    RegSetValueExA(entry, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>("{12345678-0000-0000-0000-000000000000}"),
                   39);
    RegCloseKey(entry);
  }
  RegCloseKey(list);
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  RegSetKeyValueA(HKEY_LOCAL_MACHINE, "Software\\Classes\\CLSID\\{12345678-0000-0000-0000-000000000000}\\InprocServer32",
                  nullptr, REG_SZ, self, static_cast<DWORD>(strlen(self) + 1));
}

volatile size_t g_sink = 0;

void BareEnumeration() {
  std::vector<std::string> names;
  HKEY key = nullptr;
  RegOpenKeyA(HKEY_LOCAL_MACHINE, kList, &key);
  char name[255];
  for (DWORD i = 0; RegEnumKeyA(key, i, name, sizeof name) == ERROR_SUCCESS; ++i) names.emplace_back(name);
  RegCloseKey(key);
  g_sink = g_sink + names.size();
}

void RegQuery() {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE nul = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                           nullptr);
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = si.hStdError = nul;
  si.hStdInput = nullptr;
  std::string command = std::string("reg.exe query \"HKLM\\") + kList + "\"";
  PROCESS_INFORMATION pi{};
  if (CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
    WaitForSingleObject(pi.hProcess, 120000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  }
  CloseHandle(nul);
}

struct Medians {
  double load, bare, query, check;
};

// The three, interleaved run by run so that any drift of the machine hits all of them alike.
Medians Measure(MainWindow& form, int count, int runs) {
  std::vector<double> load, bare, query, check;
  auto time = [](const std::function<void()>& f) {
    const double start = bench::NowMs();
    f();
    return bench::NowMs() - start;
  };
  for (int i = 0; i < runs; ++i) {
    load.push_back(time([&] {
      form.ReloadGamesList();
      UpdateWindow(form.GamesList());  // the one repaint that shows the list
    }));
    bare.push_back(time(BareEnumeration));
    query.push_back(time(RegQuery));
    check.push_back(time([] { g_sink = g_sink + games::FindBrokenEntries().size(); }));
  }
  const auto listed = static_cast<int>(SendMessageW(form.GamesList(), LB_GETCOUNT, 0, 0));
  if (listed != count) std::fprintf(stderr, "listed %d of %d entries\n", listed, count);
  return {bench::Median(load), bench::Median(bare), bench::Median(query), bench::Median(check)};
}

}  // namespace

int main() {
  bench::SuppressAssociatePrompt();
  MainWindow form;
  form.Show();
  struct Size {
    int count, runs;
  };
  const Size sizes[] = {{1000, 15}, {10000, 9}, {40000, 5}};
  double firstPerEntry = 0;
  for (const Size& s : sizes) {
    PlantList(s.count);
    form.ReloadGamesList();  // warm-up
    const Medians m = Measure(form, s.count, s.runs);
    const std::string n = std::to_string(s.count);
    const bool last = s.count == 40000;
    bench::Row("LoadGames " + n + " entries", m.load, "RegEnumKeyA loop", m.bare,
               last ? "<= 1.15" : "(reported; <= 1.15 at 40000)");
    bench::Row("LoadGames " + n + " entries", m.load, "reg query", m.query, last ? "< 1" : "(reported; < 1 at 40000)");
    bench::Row("Broken entries check " + n + " entries", m.check, "LoadGames", m.load,
               s.count == 1000 || last ? "<= 3 (it reads 3 keys and a file per entry, 4 readers at once)" : "(reported)");
    const double perEntry = m.load / s.count * 1000.0;
    if (firstPerEntry == 0) firstPerEntry = perEntry;
    bench::Row("LoadGames per entry, " + n + " entries", perEntry, "per entry, 1000 entries", firstPerEntry,
               "no growth (about 1)", "us");
    bench::Row("RegEnumKeyA loop per entry, " + n + " entries", m.bare / s.count * 1000.0, "LoadGames per entry",
               perEntry, "(reported)", "us");
  }
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, kList);
  form.Unload();
  return 0;
}
