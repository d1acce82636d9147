// The import reader on built images, whole and damaged, the search for what a control misses with
// a finder of made-up files, and the runtimes' install hints.
#include <map>

#include <gtest/gtest.h>

#include "TestImages.h"
#include "registration/ImportTable.h"
#include "registration/MissingPieces.h"
#include "registration/RuntimeHints.h"

namespace registration {
namespace {

using testimages::Build;
std::optional<ImportTable> Read(const std::string& image) {
  return ReadImportTable({reinterpret_cast<const unsigned char*>(image.data()), image.size()});
}
void Patch(std::string& image, size_t at, std::uint32_t value) { image.replace(at, 4, testimages::Le(value, 4)); }

TEST(ImportTable, ReadsLoadAndDelayTablesOfBothLayouts) {
  for (const testimages::Spec& spec : testimages::Samples()) {
    const auto table = Read(Build(spec));
    ASSERT_TRUE(table);
    EXPECT_EQ(table->machine, spec.x64 ? Bitness::k64 : Bitness::k32);
    ASSERT_EQ(table->dlls.size(), 3u);
    const ImportedDll &dep = table->dlls[0], &late = table->dlls[2];
    EXPECT_EQ(dep.name, "dep.dll");
    EXPECT_EQ(dep.functions, (std::vector<std::string>{"Foo", "Bar"}));
    EXPECT_EQ(dep.ordinals, std::vector<std::uint16_t>{7});
    EXPECT_FALSE(dep.delayed);
    EXPECT_TRUE(late.delayed && late.name == "late.dll" && late.functions[0] == "Baz" && late.ordinals[0] == 3);
    EXPECT_EQ(table->exports.size(), spec.exports.size());
    EXPECT_EQ(table->Exports("Zed") && table->ExportsOrdinal(2) && !table->ExportsOrdinal(3), !spec.exports.empty());
  }
}

// Cut anywhere, offsets and counts gone wild, names too long: read as far as the file holds, no
// further (the sanitizers watch every read).
TEST(ImportTable, DamagedFilesReadAsFarAsTheyHold) {
  const std::string whole = Build(testimages::Samples()[0]);
  for (size_t cut = 0; cut < whole.size(); cut += 3) {
    const auto table = Read(whole.substr(0, cut));
    ASSERT_EQ(table.has_value(), cut >= 0x44) << cut;  // up to the signature
    if (table) EXPECT_LE(table->dlls.size(), 3u);
  }
  const size_t directories = 0x40 + 24 + 112, section = 0x40 + 24 + 240;
  const std::pair<size_t, std::uint32_t> patches[] = {
      {directories + 8, 0xFFFFFFF0}, {directories + 8, 0x0FFC}, {section + 20, 0xFFFFFFFF},
      {section + 8, 0x10}, {section + 16, 0x7FFFFFFF}, {0x3C, 0xFFFFFFFE}, {directories - 4, 0xFFFFFFFF}};
  for (const auto& [at, value] : patches) {
    std::string image = whole;
    Patch(image, at, value);
    if (const auto table = Read(image)) EXPECT_LE(table->dlls.size(), 3u) << at;
  }
  std::string longName = Build({true, {{std::string(300, 'n') + ".dll", {std::string(257, 'f'), "ok"}}}, {}});
  ASSERT_EQ(Read(longName)->dlls.size(), 0u);
  longName = Build({true, {{"ok.dll", {std::string(257, 'f'), std::string(256, 'g')}}}, {}});
  EXPECT_EQ(Read(longName)->dlls[0].functions, std::vector<std::string>{std::string(256, 'g')});
  EXPECT_FALSE(Read("MZ this is no program"));
}

// Files by name: where they are and what they hold; asks for no name twice and none of an API set.
struct FakeFinder : DllFinder {
  std::map<std::string, std::pair<FoundDll::Where, std::string>> files;
  std::map<std::string, int> asked;
  FoundDll Find(const std::string& name) override {
    ++asked[name];
    const auto it = files.find(name);
    return it == files.end() ? FoundDll{} : FoundDll{it->second.first, L"C:\\x\\" + std::wstring(name.begin(), name.end())};
  }
  std::vector<unsigned char> Read(const std::wstring& path, bool) override {
    const std::string& bytes = files.at(std::string(path.begin() + 5, path.end())).second;
    return {bytes.begin(), bytes.end()};
  }
};

std::vector<std::wstring> Lines(FakeFinder& finder, const testimages::Spec& control, bool lookIntoSystem = false,
                                Bitness installer = Bitness::kUnknown) {
  const std::string image = Build(control);
  if (installer == Bitness::kUnknown) installer = control.x64 ? Bitness::k64 : Bitness::k32;
  return MissingPieceLines({reinterpret_cast<const unsigned char*>(image.data()), image.size()}, installer,
                           lookIntoSystem, finder);
}

TEST(MissingPieces, NamesEachMissingPieceOnceAlongTheChain) {
  using W = FoundDll::Where;
  FakeFinder finder;
  finder.files = {
      {"kernel32.dll", {W::kSystem, Build({false, {}, {}, {"GetTickCount"}})}},
      {"dep.dll", {W::kElsewhere, Build({false, {{"foo.dll", {"F"}}, {"MSVCP140.dll", {"G"}}, {"msvcr120.dll", {}}}, {}})}},
      {"old.dll", {W::kElsewhere, Build({false, {{"dep.dll", {"Gone"}}}, {}, {"Foo", "Bar"}})}},
      {"wide.dll", {W::kElsewhere, Build({true, {}, {}, {"Foo"}})}}};
  const std::vector<testimages::Dll> imports = {
      {"msvcr120.dll", {"printf"}}, {"kernel32.dll", {"GetTickCount", "NewFunction"}},
      {"api-ms-win-core-file-l1-1-0.dll", {"ReadFile"}}, {"dep.dll", {}},
      {"old.dll", {"Foo", "Bar", "Baz", "A", "B", "C"}, {1, 9}}, {"wide.dll", {"Foo"}}};
  const std::vector<std::wstring> lines = Lines(finder, {false, imports, {{"DEP.DLL", {"Later"}}}});
  EXPECT_EQ(lines, (std::vector<std::wstring>{
                       L"It needs msvcr120.dll, which is not on this computer.", L"Install the Visual C++ 2013 runtime (x86).",
                       L"dep.dll has no function Later that the control needs.",
                       L"old.dll has no function Baz that the control needs.", L"old.dll has no function A that the control needs.",
                       L"old.dll has no function B that the control needs.",
                       L"old.dll lacks 2 more functions that the control needs.",
                       L"The wide.dll found (C:\\x\\wide.dll) is a 64-bit DLL; the control needs a 32-bit one.",
                       L"dep.dll needs foo.dll, which is not on this computer.",
                       L"dep.dll needs MSVCP140.dll, which is not on this computer.",
                       L"Install the Visual C++ 2015-2022 runtime (x86).",
                       L"dep.dll has no function Gone that old.dll needs."}));
  EXPECT_FALSE(finder.asked.contains("api-ms-win-core-file-l1-1-0.dll"));
  for (const auto& [name, times] : finder.asked) EXPECT_EQ(times, 1) << name;
  // A function missing from a DLL of the system counts when the load missed a function.
  finder.asked.clear();
  EXPECT_EQ(Lines(finder, {false, {imports[1]}, {}}, true),
            std::vector<std::wstring>{L"kernel32.dll has no function NewFunction that the control needs."});
  EXPECT_EQ(Lines(finder, {true, {imports[1]}, {}}, true, Bitness::k32), std::vector<std::wstring>{OtherBitnessLine(Bitness::k64)});
}

TEST(MissingPieces, ChainsAreFollowedSixDeepAndCyclesEnd) {
  FakeFinder finder;
  for (int i = 0; i < 8; ++i)  // d0 needs d1 ... d7 needs gone.dll; d3 needs d0 as well
    finder.files["d" + std::to_string(i) + ".dll"] = {FoundDll::Where::kElsewhere,
        Build({true, {{i == 7 ? "gone.dll" : "d" + std::to_string(i + 1) + ".dll", {}}, {"d0.dll", {}}}, {}})};
  EXPECT_TRUE(Lines(finder, {true, {{"d2.dll", {}}}, {}}).empty()) << "gone.dll lies seven deep";
  EXPECT_EQ(Lines(finder, {true, {{"d3.dll", {}}}, {}}),
            std::vector<std::wstring>{L"d7.dll needs gone.dll, which is not on this computer."});
}

TEST(RuntimeHints, MostUsedRuntimesByVersionAndBitness) {
  const std::pair<const char*, std::wstring> hints[] = {
      {"MSVCR71.dll", L"MSVCR71.dll comes with programs made with Visual C++ 2003 and has no installer: ask the "
                      L"control's maker for it and put it in the control's folder."},
      {"msvcp80.dll", L"Install the Visual C++ 2005 runtime (x86)."}, {"msvcr90.dll", L"Install the Visual C++ 2008 runtime (x86)."},
      {"mfc100u.dll", L"Install the Visual C++ 2010 runtime (x86)."}, {"msvcp110.dll", L"Install the Visual C++ 2012 runtime (x86)."},
      {"vcruntime140_1.dll", L"Install the Visual C++ 2015-2022 runtime (x86)."},
      {"concrt140.dll", L"Install the Visual C++ 2015-2022 runtime (x86)."},
      {"msvcr120d.dll", L"msvcr120d.dll comes only with Visual Studio 2013: this is a test build of the control. Ask "
                        L"its maker for the released one."},
      {"MSVBVM60.DLL", L"Install the Visual Basic 6 runtime."}, {"msvcrt.dll", L""}, {"mfc42.dll", L""},
      {"msvcr.dll", L""}, {"msvcr1200.dll", L""}, {"user32.dll", L""}};
  for (const auto& [dll, hint] : hints) EXPECT_EQ(RuntimeHint(dll, Bitness::k32), hint) << dll;
  EXPECT_EQ(RuntimeHint("vcomp140.dll", Bitness::k64), L"Install the Visual C++ 2015-2022 runtime (x64).");
  EXPECT_TRUE(IsSideBySideRuntime("msvcp90.dll") && !IsSideBySideRuntime("msvcp100.dll"));
}

}  // namespace
}  // namespace registration
