// Fuzz target: any bytes as a program file, read for its tables and searched for missing pieces
// with every DLL it names found as the same bytes (so chains and cycles run through it). The
// sanitizers catch reads outside the bytes; the reader's bounds must hold. The built test images
// seed the corpus folder named on the command line.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "TestImages.h"
#include "registration/ImportTable.h"
#include "registration/MissingPieces.h"

namespace {

struct SameFile : registration::DllFinder {
  std::span<const unsigned char> bytes;
  registration::FoundDll Find(const std::string&) override { return {registration::FoundDll::Where::kElsewhere, L"x"}; }
  std::vector<unsigned char> Read(const std::wstring&, bool) override { return {bytes.begin(), bytes.end()}; }
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  for (int i = 1; i < *argc; ++i) {
    const std::filesystem::path folder = (*argv)[i];
    if ((*argv)[i][0] == '-' || !std::filesystem::is_directory(folder)) continue;
    size_t n = 0;
    for (const testimages::Spec& spec : testimages::Samples())
      std::ofstream(folder / ("sample" + std::to_string(n++)), std::ios::binary) << testimages::Build(spec);
    break;
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const unsigned char> bytes(data, size);
  const auto table = registration::ReadImportTable(bytes);
  if (!table) return 0;
  if (table->dlls.size() > 2 * registration::kMaxImportedDlls || table->exports.size() > registration::kMaxNames)
    std::abort();
  for (const registration::ImportedDll& dll : table->dlls)
    if (dll.name.empty() || dll.name.size() > registration::kMaxNameLength) std::abort();
  SameFile finder;
  finder.bytes = bytes;
  registration::MissingPieceLines(bytes, table->machine, size % 2 == 0, finder);
  return 0;
}
