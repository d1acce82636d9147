#include "registration/MissingPieces.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <optional>

#include "registration/ImportTable.h"
#include "platform/NumberText.h"
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
  std::string lower;  // the name in lower case: the loader loads one DLL per name
  std::wstring name;  // as first met
  FoundDll found;     // the file the loader takes, or else the first of the other bitness
  std::optional<ImportTable> table;  // read when found; its exports are checked against every importer
  bool wrongBitness = false;  // only files of the other bitness are there
  bool report = false;    // missing or of the other bitness, and not yet said so
  bool followed = false;  // its own imports are looked at
};

// A file whose imports are looked at: the control, then the DLLs found for it.
struct Importer {
  const ImportTable* table;
  std::wstring name;  // empty for the control
  int depth;
};

class Search {
 public:
  Search(Bitness bitness, LookFor what, DllFinder& finder)
      : bitness_(bitness),
        lookIntoSystem_(what == LookFor::kFunctions || what == LookFor::kFunctionsWhenUsed),
        delayedAreReasons_(what == LookFor::kDllsWhenUsed || what == LookFor::kFunctionsWhenUsed),
        finder_(finder) {}

  MissingReport Run(const ImportTable& control) {
    queue_.push_back({&control, L"", 0});
    // Each DLL name is checked for every descriptor that names it (a DLL may be imported at load and
    // delay-loaded), but looked for and reported missing once. First what the load itself needs: the
    // imports at load, down the chain of DLLs found.
    for (size_t next = 0; next < queue_.size(); ++next) {
      const Importer importer = queue_[next];  // the queue grows meanwhile
      for (const ImportedDll& dll : importer.table->dlls)
        if (!dll.delayed) Check(importer, dll);
    }
    // Then what is loaded only when used: the delay-loaded imports of those, and everything the DLLs
    // met only that way need.
    const size_t neededAtLoad = queue_.size();
    whenUsed_ = true;
    for (size_t next = 0; next < queue_.size(); ++next) {
      const Importer importer = queue_[next];
      for (const ImportedDll& dll : importer.table->dlls)
        if (dll.delayed || next >= neededAtLoad) Check(importer, dll);
    }
    MissingReport report;
    for (size_t i = 0; i < lines_.size() && i < kMaxLines; ++i)
      (lines_[i].note ? report.notes : report.reasons).push_back(std::move(lines_[i].text));
    if (lines_.size() > kMaxLines)
      (lines_[kMaxLines].note ? report.notes : report.reasons).push_back(L"More is missing than these lines show.");
    return report;
  }

 private:
  struct Line {
    std::wstring text;
    bool note;
  };

  // The DLL of that name, found and read the first time it is asked for.
  Resolved& Resolution(const std::string& name) {
    std::string lower = Lower(name);
    const auto at = std::lower_bound(resolved_.begin(), resolved_.end(), lower,
                                     [](const auto& r, const std::string& key) { return r->lower < key; });
    if (at != resolved_.end() && (*at)->lower == lower) return **at;
    Resolved& r = **resolved_.insert(at, std::make_unique<Resolved>());
    r.lower = std::move(lower);
    r.name = Widened(name);
    Resolve(name, r);
    if (r.found.where == FoundDll::Where::kNowhere || r.wrongBitness) r.report = true;
    return r;
  }

  void Check(const Importer& importer, const ImportedDll& dll) {
    if (IsApiSet(Lower(dll.name)) || lines_.size() > kMaxLines) return;
    const std::wstring who = importer.name.empty() ? L"the control" : importer.name;
    Resolved& r = Resolution(dll.name);
    if (r.report) {  // once, for the first importer
      r.report = false;
      if (r.found.where == FoundDll::Where::kNowhere)
        Say({importer.name.empty() ? Lead(L"It") : Lead(importer.name), L" needs ", r.name, L", which is not on this computer."});
      else
        Say({Lead(L"The "), r.name, L" found (", r.found.path, L") is a ", BitsText(r.table->machine), L" DLL; ", who,
             L" needs a ", BitsText(bitness_), L" one."});
      Hint(dll.name);
    } else if (r.table && !r.wrongBitness && !r.followed && r.found.where == FoundDll::Where::kElsewhere &&
               importer.depth + 1 < kMaxChainDepth) {
      r.followed = true;
      queue_.push_back({&*r.table, r.name, importer.depth + 1});
    }
    if (r.table && !r.wrongBitness) CheckFunctions(dll, *r.table, r.name, who);
  }

  // Takes the first file found of the installer's bitness (or of none known); past the bounds, a DLL
  // counts as there.
  void Resolve(const std::string& name, Resolved& r) {
    r.found = FoundDll{FoundDll::Where::kSystem, {}};
    if (lookups_++ >= kMaxLookups || filesRead_ >= kMaxFilesRead) return;
    const std::vector<FoundDll> files = finder_.Find(name);
    r.found = {};
    std::optional<std::pair<FoundDll, std::optional<ImportTable>>> other;  // the first of the other bitness
    for (const FoundDll& file : files) {
      const bool read = file.where == FoundDll::Where::kElsewhere ||
                        (file.where == FoundDll::Where::kSystem && !file.path.empty() &&
                         (lookIntoSystem_ || !RuntimeHint(name, bitness_).empty()));
      if (!read || filesRead_ >= kMaxFilesRead) {
        r.found = file;
        return;
      }
      ++filesRead_;
      std::optional<ImportTable> table = ReadImportTable(finder_.Read(file.path, file.where == FoundDll::Where::kSystem));
      if (!table || table->machine == Bitness::kUnknown || table->machine == bitness_) {
        r.found = file;
        r.table = std::move(table);
        return;
      }
      if (!other) other.emplace(file, std::move(table));
    }
    if (!other) return;
    r.found = other->first;
    r.table = std::move(other->second);
    r.wrongBitness = true;
  }

  void CheckFunctions(const ImportedDll& dll, const ImportTable& table, const std::wstring& name, const std::wstring& who) {
    size_t missing = 0;
    const auto lacks = [&](const std::wstring& function) {
      if (missing++ < kFunctionsNamed) Say({Lead(name), L" has no function ", function, L" that ", who, L" needs."});
    };
    for (const std::string& function : dll.functions)
      if (!table.Exports(function)) lacks(Widened(function));
    for (std::uint16_t ordinal : dll.ordinals)
      if (!table.ExportsOrdinal(ordinal)) lacks(L"number " + DecimalText(ordinal));
    if (missing > kFunctionsNamed)
      Say({Lead(name), L" lacks ", DecimalText(static_cast<long long>(missing - kFunctionsNamed)),
           L" more functions that ", who, L" needs."});
    if (missing > 0) Hint(dll.name);
  }

  bool Noting() const { return whenUsed_ && !delayedAreReasons_; }
  // How a line begins, with a DLL's name or a word of its own (lowered after a note's start): a
  // note says first what kind of line it is.
  std::wstring Lead(const std::wstring& name) const { return Noting() ? L"Note (loaded only when used): " + name : name; }
  std::wstring Lead(const wchar_t* word) const {
    std::wstring start = word;
    if (Noting()) start[0] = static_cast<wchar_t>(start[0] - L'A' + L'a');
    return Lead(start);
  }

  void Say(std::initializer_list<std::wstring_view> parts) {
    Line& line = lines_.emplace_back(Line{{}, Noting()});
    for (std::wstring_view part : parts) line.text += part;
  }
  void Hint(const std::string& dll) {
    std::wstring hint = RuntimeHint(dll, bitness_);
    if (hint.empty() || std::find(hints_.begin(), hints_.end(), hint) != hints_.end()) return;
    hints_.push_back(hint);
    lines_.push_back({std::move(hint), Noting()});
  }

  const Bitness bitness_;
  const bool lookIntoSystem_;
  const bool delayedAreReasons_;  // the control loaded and failed when it used a piece
  DllFinder& finder_;
  bool whenUsed_ = false;  // looking at what is loaded only when used
  std::vector<std::unique_ptr<Resolved>> resolved_;  // by lower-case name
  std::vector<Importer> queue_;                     // the files whose imports are looked at, in turn
  std::vector<Line> lines_;
  std::vector<std::wstring> hints_;
  size_t filesRead_ = 0;
  size_t lookups_ = 0;
};

}  // namespace

MissingReport MissingPieceLines(std::span<const unsigned char> control, Bitness installer, LookFor what,
                                DllFinder& finder) {
  const std::optional<ImportTable> table = ReadImportTable(control);
  if (!table || what == LookFor::kNothing) return {};
  if (table->machine != installer && table->machine != Bitness::kUnknown) return {{OtherBitnessLine(table->machine)}, {}};
  return Search(installer, what, finder).Run(*table);
}

}  // namespace registration
