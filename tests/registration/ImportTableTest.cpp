// The import reader on built images, whole and damaged; what a control misses among made-up files; install hints.
#include <map>

#include <gtest/gtest.h>

#include "TestImages.h"
#include "registration/ImportTable.h"
#include "registration/MissingPieces.h"
#include "registration/RuntimeHints.h"

namespace registration {
namespace {

using testimages::Build;
std::span<const unsigned char> Bytes(const std::string& image) { return {reinterpret_cast<const unsigned char*>(image.data()), image.size()}; }
std::optional<ImportTable> Read(const std::string& image) { return ReadImportTable(Bytes(image)); }

TEST(ImportTable, ReadsLoadAndDelayTablesOfBothLayouts) {
  for (const testimages::Plan& plan : testimages::Samples()) {
    const auto table = Read(Build(plan));
    ASSERT_TRUE(table);
    EXPECT_EQ(table->machine, plan.x64 ? Bitness::k64 : Bitness::k32);
    std::vector<testimages::Dll> want = plan.imports;
    want.insert(want.end(), plan.delayed.begin(), plan.delayed.end());
    ASSERT_EQ(table->dlls.size(), want.size());
    for (size_t i = 0; const ImportedDll& dll : table->dlls) {
      EXPECT_TRUE(dll.name == want[i].name && dll.functions == want[i].functions && dll.ordinals == want[i].ordinals);
      EXPECT_EQ(dll.delayed, i++ >= plan.imports.size());
    }
    EXPECT_EQ(table->exports.size(), plan.exports.size());
    EXPECT_EQ(table->Exports("Zed") && table->ExportsOrdinal(2) && !table->ExportsOrdinal(3), !plan.exports.empty());
  }
}

// Cut anywhere, offsets and counts gone wild, names too long: read as far as the file holds, no
// further (the sanitizers watch every read). A reader of large files takes the export table alone.
TEST(ImportTable, DamagedFilesReadAsFarAsTheyHold) {
  const std::string whole = Build(testimages::Samples()[0]);
  for (size_t cut = 0; cut < whole.size(); cut += 3) {
    const auto table = Read(whole.substr(0, cut));
    ASSERT_EQ(table.has_value(), cut >= 0x44) << cut;  // up to the signature
    if (table) EXPECT_LE(table->dlls.size(), 3u);
  }  // and the damage done on purpose: where, what, the DLLs then read (-1: no program)
  const size_t dirs = 0x40 + 24 + 112, section = 0x40 + 24 + 240;
  const std::tuple<size_t, std::uint32_t, int> patches[] = {
      {dirs + 8, 0xFFFFFFF0, 1}, {dirs + 8, 0x0FFC, 1}, {section + 20, 0xFFFFFFFF, 0}, {section + 8, 0x10, 0},
      {section + 16, 0x7FFFFFFF, 3}, {0x3C, 0xFFFFFFFE, -1}, {dirs - 4, 0xFFFFFFFF, 3}, {dirs - 4, 1, 0}};
  for (const auto& [at, value, dlls] : patches) {
    const auto table = Read(std::string(whole).replace(at, 4, testimages::Le(value, 4)));
    EXPECT_EQ(table ? static_cast<int>(table->dlls.size()) : -1, dlls) << at;
  }
  std::string longName = Build({true, {{std::string(300, 'n') + ".dll", {"ok"}}, {"ok.dll", {std::string(257, 'f'), std::string(256, 'g')}}}, {}});
  ASSERT_EQ(Read(longName)->dlls.size(), 1u);
  EXPECT_EQ(Read(longName)->dlls[0].functions, std::vector<std::string>{std::string(256, 'g')});
  const auto range = ExportTableRange(Bytes(whole.substr(0, 0x200)));
  ASSERT_TRUE(range);
  const std::string exportsOnly = whole.substr(0, 0x200) + std::string(range->offset - 0x200, '\0') + whole.substr(range->offset, range->size);
  EXPECT_EQ(Read(exportsOnly)->exports, (std::vector<std::string>{"Alpha", "Zed"}));
}

// Files by name: where they are and what they hold (an API set looked for would be missing).
struct FakeFinder : DllFinder {
  std::map<std::string, std::pair<FoundDll::Where, std::string>> files;
  std::vector<FoundDll> Find(const std::string& name) override {
    const auto it = files.find(name);
    return it == files.end() ? std::vector<FoundDll>{} : std::vector{FoundDll{it->second.first, L"C:\\x\\" + std::wstring(name.begin(), name.end())}};
  }
  std::vector<unsigned char> Read(const std::wstring& path, bool) override {
    const auto bytes = Bytes(files.at(std::string(path.begin() + 5, path.end())).second);
    return {bytes.begin(), bytes.end()};
  }
};

std::vector<std::wstring> Lines(FakeFinder& finder, const testimages::Plan& control, bool lookIntoSystem = false,
                                std::optional<Bitness> installer = {}) {
  return MissingPieceLines(Bytes(Build(control)), installer.value_or(control.x64 ? Bitness::k64 : Bitness::k32),
                           lookIntoSystem ? LookFor::kFunctions : LookFor::kDlls, finder).reasons;
}

TEST(MissingPieces, NamesEachMissingPieceOnceAlongTheChainSixDeep) {
  using W = FoundDll::Where;
  FakeFinder finder;
  finder.files = {{"kernel32.dll", {W::kSystem, Build({false, {}, {}, {"GetTickCount"}})}},
      {"dep.dll", {W::kElsewhere, Build({false, {{"foo.dll", {"F"}}, {"MSVCP140.dll", {"G"}}, {"msvcr120.dll", {}}}, {}})}},
      {"old.dll", {W::kElsewhere, Build({false, {{"dep.dll", {"Gone"}}}, {}, {"Bar", "Foo"}})}},
      {"wide.dll", {W::kElsewhere, Build({true, {}, {}, {"Foo"}})}}};
  const std::vector<testimages::Dll> imports = {{"msvcr120.dll", {"printf"}}, {"kernel32.dll", {"GetTickCount", "NewFunction"}},
      {"api-ms-win-core-file-l1-1-0.dll", {"ReadFile"}}, {"dep.dll", {}}, {"old.dll", {"Foo", "Bar", "Baz", "A", "B", "C"}, {1, 9}}, {"wide.dll", {"Foo"}}};
  const std::vector<std::wstring> lines = Lines(finder, {false, imports, {}});
  const std::wstring no = L" has no function ", it = L" that the control needs.", absent = L", which is not on this computer.";
  EXPECT_EQ(lines, (std::vector<std::wstring>{
      L"It needs msvcr120.dll" + absent, L"Install the Visual C++ 2013 runtime (x86).",
      L"old.dll" + no + L"Baz" + it, L"old.dll" + no + L"A" + it, L"old.dll" + no + L"B" + it,
      L"old.dll lacks 2 more functions" + it,
      L"The wide.dll found (C:\\x\\wide.dll) is a 64-bit DLL; the control needs a 32-bit one.",
      L"dep.dll needs foo.dll" + absent, L"dep.dll needs MSVCP140.dll" + absent,
      L"Install the Visual C++ 2015-2022 runtime (x86).", L"dep.dll" + no + L"Gone that old.dll needs."}));
  // A function missing from a DLL of the system counts when the load missed a function.
  EXPECT_EQ(Lines(finder, {false, {imports[1]}, {}}, true), std::vector<std::wstring>{L"kernel32.dll" + no + L"NewFunction" + it});
  EXPECT_EQ(Lines(finder, {true, {imports[1]}, {}}, true, Bitness::k32), std::vector<std::wstring>{OtherBitnessLine(Bitness::k64)});
  // Chains are followed six deep, and cycles end.
  for (int i = 0; i < 8; ++i)  // d0 needs d1 ... d7 needs gone.dll; each needs d0 as well
    finder.files["d" + std::to_string(i) + ".dll"] = {FoundDll::Where::kElsewhere,
        Build({true, {{i == 7 ? "gone.dll" : "d" + std::to_string(i + 1) + ".dll", {}}, {"d0.dll", {}}}, {}})};
  EXPECT_TRUE(Lines(finder, {true, {{"d2.dll", {}}}, {}}).empty()) << "gone.dll lies seven deep";
  EXPECT_EQ(Lines(finder, {true, {{"d3.dll", {}}}, {}}), std::vector<std::wstring>{L"d7.dll needs gone.dll, which is not on this computer."});
  testimages::Plan many{true, {}, {}};  // more missing than twenty lines name
  for (int i = 0; i < 25; ++i) many.imports.push_back({"m" + std::to_string(i) + ".dll", {}});
  const auto capped = Lines(finder, many);
  EXPECT_TRUE(capped.size() == 21 && capped[19] == L"It needs m19.dll" + absent && capped[20] == L"More is missing than these lines show.");
}

// What only delay-loads bring in cannot stop a load: a note of a failed load, the reason of a failed run.
TEST(MissingPieces, DelayLoadedPiecesAreNotesOfAFailedLoad) {
  FakeFinder finder;
  finder.files = {{"dep.dll", {FoundDll::Where::kElsewhere, Build({false, {}, {}, {"Now"}})}},
                  {"late.dll", {FoundDll::Where::kElsewhere, Build({false, {{"later.dll", {}}}, {}})}}};
  const std::string control = Build({false, {{"dep.dll", {"Now"}}}, {{"DEP.DLL", {"Later"}}, {"late.dll", {}}, {"gone.dll", {}}}});
  const std::wstring note = L"Note (loaded only when used): ", absent = L", which is not on this computer.";
  const std::wstring lines[] = {L"dep.dll has no function Later that the control needs.", L"late.dll needs later.dll" + absent};
  const WorkerOutcome outcome{WorkerStage::kLoadFailed, 126, 0, 0, Bitness::k32, Bitness::k32, L"", true,
                              MissingPieceLines(Bytes(control), Bitness::k32, LookFor::kDlls, finder)};
  EXPECT_EQ(OutcomeLines(outcome), (std::vector<std::wstring>{L"Failure loading control OCX/DLL",
      L"A DLL that the control needs could not be found.", note + lines[0], note + L"it needs gone.dll" + absent, note + lines[1]}));
  EXPECT_EQ(MissingPieceLines(Bytes(control), Bitness::k32, LookFor::kDllsWhenUsed, finder),
            (MissingReport{{lines[0], L"It needs gone.dll" + absent, lines[1]}, {}}));
}

TEST(RuntimeHints, MostUsedRuntimesByVersionAndBitness) {
  const std::pair<const char*, std::wstring> hints[] = {  // a year stands for "Install the ... runtime (x86)."
      {"MSVCR71.dll", L"MSVCR71.dll comes with programs made with Visual C++ 2003 and has no installer: ask the "
                      L"control's maker for it and put it in the control's folder."},
      {"msvcp80.dll", L"2005"}, {"msvcr90.dll", L"2008"}, {"mfc100u.dll", L"2010"}, {"msvcp110.dll", L"2012"},
      {"vcruntime140_1.dll", L"2015-2022"}, {"concrt140.dll", L"2015-2022"}, {"MSVCR120.DLL", L"2013"},
      {"msvcr120d.dll", L"msvcr120d.dll comes only with Visual Studio 2013: this is a test build of the control. Ask "
                        L"its maker for the released one."}, {"MSVBVM60.DLL", L"Install the Visual Basic 6 runtime."},
      {"msvcrt.dll", L""}, {"mfc42.dll", L""}, {"msvcr.dll", L""}, {"msvcr1200.dll", L""}, {"user32.dll", L""}};
  for (const auto& [dll, hint] : hints)
    EXPECT_EQ(RuntimeHint(dll, Bitness::k32), hint.size() % 5 == 4 ? L"Install the Visual C++ " + hint + L" runtime (x86)." : hint);
  EXPECT_EQ(RuntimeHint("vcomp140.dll", Bitness::k64), L"Install the Visual C++ 2015-2022 runtime (x64).");
  EXPECT_TRUE(IsSideBySideRuntime("msvcp90.dll") && !IsSideBySideRuntime("msvcp100.dll"));
}

}  // namespace
}  // namespace registration
