#pragma once
// A builder of small program files with import, delay-load and export tables, for the tests and
// the fuzz target: the headers, then one section at 0x1000 (file offset 0x200) holding every table.
#include <cstdint>
#include <string>
#include <vector>

namespace testimages {

struct Dll { std::string name; std::vector<std::string> functions; std::vector<std::uint16_t> ordinals = {}; };
// oldDelay: the delay-load table in addresses, not relative ones (32-bit only).
struct Plan { bool x64 = true; std::vector<Dll> imports, delayed; std::vector<std::string> exports = {}; bool oldDelay = false; };

inline std::string Le(std::uint64_t value, int width) {
  std::string bytes;
  for (int i = 0; i < width; ++i) bytes += static_cast<char>(i < 8 ? (value >> (8 * i)) & 0xFF : 0);
  return bytes;
}

inline std::string Build(const Plan& plan) {
  const std::uint64_t base = plan.x64 ? 0x180000000 : 0x10000000;
  const int width = plan.x64 ? 8 : 4;
  std::string data;
  const auto put = [&](const std::string& bytes) {
    data.append((8 - data.size() % 8) % 8, '\0') += bytes;
    return static_cast<std::uint32_t>(0x1000 + data.size() - bytes.size());
  };
  // The names and the thunk table of each DLL, then its descriptor (load or delay-load).
  const auto descriptors = [&](const std::vector<Dll>& dlls, bool delayed) {
    const std::uint64_t va = delayed && plan.oldDelay ? base : 0;
    std::string table;
    for (const Dll& dll : dlls) {
      std::string thunks;
      for (const std::string& f : dll.functions) thunks += Le(va + put(Le(0, 2) + f + '\0'), width);
      for (std::uint16_t n : dll.ordinals) thunks += Le(n | (1ull << (width * 8 - 1)), width);
      const std::uint32_t names = put(thunks + Le(0, width)), name = put(dll.name + '\0');
      table += delayed ? Le(!plan.oldDelay, 4) + Le(va + name, 4) + Le(0, 8) + Le(va + names, 4) + Le(0, 12)
                       : Le(names, 4) + Le(0, 8) + Le(name, 4) + Le(names, 4);
    }
    return dlls.empty() ? 0 : put(table + std::string(delayed ? 32 : 20, '\0'));
  };
  const std::uint32_t imports = descriptors(plan.imports, false), delayed = descriptors(plan.delayed, true);
  // The export directory first, then its names, as the linkers lay them out (the size covers all).
  const std::uint32_t exports = put(std::string(40, '\0')), count = static_cast<std::uint32_t>(plan.exports.size());
  std::string names;
  for (const std::string& e : plan.exports) names += Le(put(e + '\0'), 4);
  const std::string directory = Le(0, 16) + Le(1, 4) + Le(count, 4) + Le(count, 4) + Le(0, 4) + Le(count ? put(names) : 0, 4);
  data.replace(exports - 0x1000, directory.size(), directory);
  const std::string exportsSize = Le(0x1000 + data.size() - exports, 4);
  data.resize((data.size() + 0x1FF) & ~size_t{0x1FF});

  std::string directories(16 * 8, '\0');
  for (auto [index, rva] : {std::pair{0, exports}, {1, imports}, {13, delayed}}) directories.replace(index * 8, 4, Le(rva, 4));
  directories.replace(4, 4, exportsSize);
  std::string optional = Le(plan.x64 ? 0x20B : 0x10B, 2) + std::string(plan.x64 ? 22 : 26, '\0') + Le(base, width);
  optional += std::string(60 - optional.size(), '\0') + Le(0x200, 4);  // the size of the headers
  optional += std::string((plan.x64 ? 108 : 92) - optional.size(), '\0') + Le(16, 4) + directories;
  std::string headers = "MZ" + std::string(0x3A, '\0') + Le(0x40, 4) + std::string("PE\0\0", 4) +
                        Le(plan.x64 ? 0x8664 : 0x14C, 2) + Le(1, 2) + Le(0, 12) + Le(optional.size(), 2) + Le(0x2102, 2) +
                        optional + ".data" + std::string(3, '\0') + Le(data.size(), 4) + Le(0x1000, 4) +
                        Le(data.size(), 4) + Le(0x200, 4) + std::string(16, '\0');
  return headers + std::string(0x200 - headers.size(), '\0') + data;
}

// The images the tests read, and the fuzz target's seeds.
inline std::vector<Plan> Samples() {
  const std::vector<Dll> imports = {{"dep.dll", {"Foo", "Bar"}, {7}}, {"KERNEL32.dll", {"GetTickCount"}}}, delayed = {{"late.dll", {"Baz"}, {3}}};
  return {{true, imports, delayed, {"Alpha", "Zed"}}, {false, imports, delayed, {"Alpha", "Zed"}},
          {false, imports, delayed, {}, true}};
}

}  // namespace testimages
