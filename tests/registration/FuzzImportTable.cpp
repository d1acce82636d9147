// Fuzz target: any bytes as a program file, read for its tables and searched for missing pieces with
// every DLL it names found as the same bytes (so chains and cycles run through it). The sanitizers
// catch reads outside the bytes; the bounds must hold. The test images seed the corpus folder given.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "TestImages.h"
#include "registration/ImportTable.h"
#include "registration/MissingPieces.h"

using namespace registration;

struct SameFile : DllFinder {
  std::span<const unsigned char> bytes;
  std::vector<FoundDll> Find(const std::string&) override { return {{FoundDll::Where::kElsewhere, L"x"}, {FoundDll::Where::kElsewhere, L"y"}}; }
  std::vector<unsigned char> Read(const std::wstring&, bool) override { return {bytes.begin(), bytes.end()}; }
};

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  for (int i = 1, n = 0; i < *argc; ++i) {
    const std::filesystem::path folder = (*argv)[i];
    if ((*argv)[i][0] == '-' || !std::filesystem::is_directory(folder)) continue;
    for (const testimages::Plan& plan : testimages::Samples())
      std::ofstream(folder / ("sample" + std::to_string(n++)), std::ios::binary) << testimages::Build(plan);
    break;
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SameFile finder;
  finder.bytes = {data, size};
  const auto table = ReadImportTable(finder.bytes);
  if (!table) return 0;
  if (table->dlls.size() > 2 * kMaxImportedDlls || table->exports.size() > kMaxNames) std::abort();
  for (const ImportedDll& dll : table->dlls)
    if (dll.name.empty() || dll.name.size() > kMaxNameLength) std::abort();
  MissingPieceLines(finder.bytes, table->machine, static_cast<LookFor>(size % 5), finder);
  return 0;
}
