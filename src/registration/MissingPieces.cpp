#include "registration/MissingPieces.h"

#include <algorithm>
#include <cctype>
#include <deque>
#include <map>
#include <optional>
#include <set>

#include "registration/ImportTable.h"
#include "registration/RuntimeHints.h"

namespace registration {
namespace {

// Missing functions named one by one for one DLL and its importer; the rest are counted.
constexpr size_t kFunctionsNamed = 3;
// DLL names looked for at most, in all.
constexpr size_t kMaxLookups = 1024;
// Lines at most; a control missing more than this needs more than a list of names.
constexpr size_t kMaxLines = 20;

std::string Lower(std::string_view name) {
  std::string lower(name);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

std::wstring Widened(std::string_view text) {
  std::wstring wide;
  for (char c : text) wide += static_cast<wchar_t>(static_cast<unsigned char>(c));
  return wide;
}

// API set names stand for parts of the system that the loader maps to its own DLLs.
bool IsApiSet(const std::string& lower) { return lower.starts_with("api-ms-win-") || lower.starts_with("ext-ms-"); }

const wchar_t* BitsText(Bitness bitness) { return bitness == Bitness::k64 ? L"64-bit" : L"32-bit"; }

// What became of one DLL name.
struct Resolved {
  FoundDll found;
  std::optional<ImportTable> table;  // read when found; its exports are checked against every importer
  bool wrongBitness = false;
};

// A file whose imports are looked at: the control, then the DLLs found for it.
struct Importer {
  const ImportTable* table;
  std::wstring name;  // empty for the control
  int depth;
};

class Search {
 public:
  Search(Bitness bitness, bool lookIntoSystem, DllFinder& finder)
      : bitness_(bitness), lookIntoSystem_(lookIntoSystem), finder_(finder) {}

  std::vector<std::wstring> Run(const ImportTable& control) {
    queue_.push_back({&control, L"", 0});
    while (!queue_.empty() && lines_.size() <= kMaxLines) {
      const Importer importer = queue_.front();
      queue_.pop_front();
      for (const ImportedDll& dll : Merged(importer.table->dlls)) Check(importer, dll);
    }
    if (lines_.size() > kMaxLines) {
      lines_.resize(kMaxLines);
      lines_.push_back(L"More is missing than these lines show.");
    }
    return std::move(lines_);
  }

 private:
  // The DLLs of both tables, each name once with all it is asked for.
  static std::vector<ImportedDll> Merged(const std::vector<ImportedDll>& dlls) {
    std::vector<ImportedDll> merged;
    std::map<std::string, size_t> byName;
    for (const ImportedDll& dll : dlls) {
      const auto [at, isNew] = byName.try_emplace(Lower(dll.name), merged.size());
      if (isNew) {
        merged.push_back(dll);
        continue;
      }
      ImportedDll& same = merged[at->second];
      same.functions.insert(same.functions.end(), dll.functions.begin(), dll.functions.end());
      same.ordinals.insert(same.ordinals.end(), dll.ordinals.begin(), dll.ordinals.end());
    }
    return merged;
  }

  void Check(const Importer& importer, const ImportedDll& dll) {
    const std::string lower = Lower(dll.name);
    if (IsApiSet(lower) || lines_.size() > kMaxLines) return;
    const std::wstring who = importer.name.empty() ? L"the control" : importer.name, name = Widened(dll.name);
    auto [at, isNew] = resolved_.try_emplace(lower);
    Resolved& r = at->second;
    if (isNew) {
      Resolve(dll.name, r);
      if (r.found.where == FoundDll::Where::kNowhere) {
        Say((importer.name.empty() ? L"It" : importer.name) + L" needs " + name + L", which is not on this computer.");
        Hint(dll.name);
      } else if (r.wrongBitness) {
        Say(L"The " + name + L" found (" + r.found.path + L") is a " + BitsText(r.table->machine) + L" DLL; " + who +
            L" needs a " + BitsText(bitness_) + L" one.");
        Hint(dll.name);
      } else if (r.table && r.found.where == FoundDll::Where::kElsewhere && importer.depth + 1 < kMaxChainDepth) {
        queue_.push_back({&*r.table, name, importer.depth + 1});
      }
    }
    if (r.table && !r.wrongBitness) CheckFunctions(dll, *r.table, name, who);
  }

  void Resolve(const std::string& name, Resolved& r) {
    // Past the bounds, a DLL counts as there.
    r.found = FoundDll{FoundDll::Where::kSystem, {}};
    if (lookups_++ < kMaxLookups && filesRead_ < kMaxFilesRead) r.found = finder_.Find(name);
    const bool read = r.found.where == FoundDll::Where::kElsewhere ||
                      (r.found.where == FoundDll::Where::kSystem && !r.found.path.empty() &&
                       (lookIntoSystem_ || !RuntimeHint(name, bitness_).empty()));
    if (!read || filesRead_ >= kMaxFilesRead) return;
    ++filesRead_;
    r.table = ReadImportTable(finder_.Read(r.found.path, r.found.where == FoundDll::Where::kSystem));
    r.wrongBitness = r.table && r.table->machine != Bitness::kUnknown && r.table->machine != bitness_;
  }

  void CheckFunctions(const ImportedDll& dll, const ImportTable& table, const std::wstring& name, const std::wstring& who) {
    std::vector<std::wstring> missing;
    for (const std::string& function : dll.functions)
      if (!table.Exports(function)) missing.push_back(Widened(function));
    for (std::uint16_t ordinal : dll.ordinals)
      if (!table.ExportsOrdinal(ordinal)) missing.push_back(L"number " + std::to_wstring(ordinal));
    for (size_t i = 0; i < std::min(missing.size(), kFunctionsNamed); ++i)
      Say(name + L" has no function " + missing[i] + L" that " + who + L" needs.");
    if (missing.size() > kFunctionsNamed)
      Say(name + L" lacks " + std::to_wstring(missing.size() - kFunctionsNamed) + L" more functions that " + who +
          L" needs.");
    if (!missing.empty()) Hint(dll.name);
  }

  void Say(std::wstring line) { lines_.push_back(std::move(line)); }
  void Hint(const std::string& dll) {
    std::wstring hint = RuntimeHint(dll, bitness_);
    if (!hint.empty() && hints_.insert(hint).second) Say(std::move(hint));
  }

  const Bitness bitness_;
  const bool lookIntoSystem_;
  DllFinder& finder_;
  std::map<std::string, Resolved> resolved_;  // by lower-case name; the loader loads one DLL per name
  std::deque<Importer> queue_;
  std::vector<std::wstring> lines_;
  std::set<std::wstring> hints_;
  size_t filesRead_ = 0;
  size_t lookups_ = 0;
};

}  // namespace

std::vector<std::wstring> MissingPieceLines(std::span<const unsigned char> control, Bitness installer,
                                            bool lookIntoSystem, DllFinder& finder) {
  const std::optional<ImportTable> table = ReadImportTable(control);
  if (!table) return {};
  if (table->machine != installer && table->machine != Bitness::kUnknown) return {OtherBitnessLine(table->machine)};
  return Search(installer, lookIntoSystem, finder).Run(*table);
}

}  // namespace registration
