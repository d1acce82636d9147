// File information: reading and showing the version strings of a head, and the block conversion and
// key search on blocks of growing size (time per call, and per KiB to show that the cost is linear).
#include "BenchUtil.h"

#include <winver.h>

#include "../tests/fileinfo/TestBlocks.h"
#include "platform/AnsiText.h"
#include "window/MainWindow.h"
#include "fileinfo/InfoPanel.h"
#include "fileinfo/VersionInfo.h"
#include "fileinfo/VersionBlock.h"
#include "fileinfo/VersionSearch.h"

namespace {

volatile size_t g_sink = 0;

std::string ToCodePage(std::u16string_view text) { return ToAnsi(std::wstring(text.begin(), text.end())); }

// A 16-bit layout block of at least this size: string tables of filler entries, the five keys last,
// so that the search runs over the whole block.
std::string WideBlock(size_t bytes) {
  using namespace testblocks;
  std::vector<std::string> filler;
  for (int i = 0; i < 16; ++i) filler.push_back(WideText(u"Comments", u"A comment of forty characters, or so.."));
  std::string fillerTree = WideTree(u"StringFileInfo", {WideTree(u"040904E4", filler)});
  Pad(fillerTree);  // the next tree starts on a 4-byte boundary
  const std::string last = WideTree(
      u"StringFileInfo",
      {WideTree(u"040904E4", {WideText(u"CompanyName", u"Vesk"), WideText(u"FileDescription", u"Head"),
                              WideText(u"LegalCopyright", u"(c)"), WideText(u"OriginalFilename", u"a.ocx"),
                              WideText(u"ProductVersion", u"1.0")})});
  std::string block;
  while (block.size() + fillerTree.size() + last.size() <= bytes) block += fillerTree;
  return block + last;
}

void SearchAll(std::string_view text) {
  for (const VersionKey& key : kVersionKeys)
    if (const auto window = FindValueWindow(text, key)) g_sink = g_sink + window->size();
}

// Median time of one call, measured over batches of reps calls.
double PerCallMs(int reps, const std::function<void()>& call) {
  return bench::MedianMs(15, [&] {
           for (int i = 0; i < reps; ++i) call();
         }) /
         reps;
}

void HeadRows() {
  const std::string head = bench::ExeDir() + "..\\fixtures\\versioned.ocx";
  if (GetFileAttributesA(head.c_str()) == INVALID_FILE_ATTRIBUTES) {
    std::fprintf(stderr, "no fixture head at %s: build the tests first\n", head.c_str());
    return;
  }
  bench::SuppressAssociatePrompt();  // no Associate prompt when the window loads

  MainWindow form;
  form.Show();
  const std::wstring path = FromAnsi(head);
  const double show = PerCallMs(20, [&] { fileinfo::ShowFileInfo(form, path); });
  const double read = PerCallMs(20, [&] {
    (void)ReadVersionInfo(path);
  });
  const double fetch = PerCallMs(20, [&] {
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(head.c_str(), &handle);
    std::string block(size, '\0');
    GetFileVersionInfoA(head.c_str(), 0, size, block.data());
  });
  bench::Row("ReadVersionInfo + ShowFileInfo on a head, per call", show,
             "GetFileVersionInfoSizeA + GetFileVersionInfoA alone", fetch, "report");
  bench::Row("ReadVersionInfo alone on a head, per call", read, "GetFileVersionInfoSizeA + GetFileVersionInfoA alone",
             fetch, "report");
  form.Unload();
}

void BlockRows() {
  double perKiB4 = 0;
  for (const size_t kib : {size_t{4}, size_t{64}, size_t{1024}}) {
    const std::string block = WideBlock(kib * 1024);
    const std::string narrow = ToNarrowLayout(block, &ToCodePage);
    const int reps = static_cast<int>(4096 / kib);
    const double convert = PerCallMs(reps, [&] {
      std::string storage;
      SearchAll(SearchText(block, &ToCodePage, storage));
    });
    const double search = PerCallMs(reps, [&] { SearchAll(narrow); });
    const std::string size = std::to_string(kib) + " KiB";
    bench::Row("block conversion + key search, " + size + " block, per call", convert,
               "key search alone on the converted block", search, "report");
    const double perKiB = 1000.0 * convert / (static_cast<double>(block.size()) / 1024.0);  // microseconds
    if (kib == 4) perKiB4 = perKiB;
    bench::Row("block conversion + key search, " + size + " block, per KiB", perKiB,
               "the same on a 4 KiB block, per KiB", perKiB4, "about 1.0 (linear)", "us");
  }
}

}  // namespace

int main() {
  HeadRows();
  BlockRows();
  return 0;
}
